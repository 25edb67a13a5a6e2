// The UTF-8 form of a code point: what every reader of outside text (UTF-16 tables, Windows
// code pages, XML character references, workbooks' escapes) turns its characters into.
#pragma once

#include <cstdint>
#include <string>

inline void AppendUtf8(std::string& strOut, std::uint32_t nCode) {
    if (nCode < 0x80) {
        strOut += static_cast<char>(nCode);
    } else if (nCode < 0x800) {
        strOut += static_cast<char>(0xC0 | (nCode >> 6));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    } else if (nCode < 0x10000) {
        strOut += static_cast<char>(0xE0 | (nCode >> 12));
        strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    } else {
        strOut += static_cast<char>(0xF0 | (nCode >> 18));
        strOut += static_cast<char>(0x80 | ((nCode >> 12) & 0x3F));
        strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    }
}
