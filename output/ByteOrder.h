// Little-endian coding of 16- and 32-bit values, as every file of the system stores them
// (registry files, items.idb), whatever the byte order of the machine. For callers that have
// checked the bounds. Header only, beside the archive whose chunk lengths it codes; the
// converter and the tools use it too.
#pragma once

#include <cstdint>

namespace marrow {

inline std::uint16_t ReadU16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t ReadU32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::uint32_t ReadU32(const char* p) {
    return ReadU32(reinterpret_cast<const std::uint8_t*>(p));
}

inline void WriteU16(std::uint8_t* p, std::uint32_t n) {
    p[0] = static_cast<std::uint8_t>(n & 0xFF);
    p[1] = static_cast<std::uint8_t>((n >> 8) & 0xFF);
}
inline void WriteU32(std::uint8_t* p, std::uint32_t n) {
    WriteU16(p, n & 0xFFFF);
    WriteU16(p + 2, n >> 16);
}
inline void WriteU16(char* p, std::uint32_t n) { WriteU16(reinterpret_cast<std::uint8_t*>(p), n); }
inline void WriteU32(char* p, std::uint32_t n) { WriteU32(reinterpret_cast<std::uint8_t*>(p), n); }

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::ReadU16;
using marrow::ReadU32;
using marrow::WriteU16;
using marrow::WriteU32;
