#include "tools/workbook/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace {
constexpr std::uint32_t END_SIGNATURE = 0x06054b50;
constexpr std::uint32_t DIRECTORY_SIGNATURE = 0x02014b50;
constexpr std::uint32_t LOCAL_SIGNATURE = 0x04034b50;
constexpr size_t END_SIZE = 22;
constexpr size_t DIRECTORY_ENTRY_SIZE = 46;
constexpr size_t LOCAL_HEADER_SIZE = 30;
constexpr size_t MAX_COMMENT = 0xFFFF;

std::uint16_t Read16(std::string_view data, size_t nAt) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[nAt]) |
                                      static_cast<unsigned char>(data[nAt + 1]) << 8);
}
std::uint32_t Read32(std::string_view data, size_t nAt) {
    return static_cast<std::uint32_t>(Read16(data, nAt)) |
           static_cast<std::uint32_t>(Read16(data, nAt + 2)) << 16;
}

std::string Quoted(std::string_view str) { return "\"" + std::string(str) + "\""; }

// Inflates raw deflate data into exactly nSize bytes; false when the data ends early, holds
// more, or is no deflate stream.
bool Inflate(std::string_view in, std::uint32_t nSize, std::string& strOut) {
    strOut.assign(nSize, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    stream.avail_in = static_cast<uInt>(in.size());
    stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
    stream.avail_out = static_cast<uInt>(nSize);
    int nResult = inflate(&stream, Z_FINISH);
    if (nResult == Z_BUF_ERROR && stream.avail_out == 0) {
        // Output full: the stream must end here, with no byte more to give.
        char chSpare;
        stream.next_out = reinterpret_cast<Bytef*>(&chSpare);
        stream.avail_out = 1;
        nResult = inflate(&stream, Z_FINISH);
        if (stream.avail_out == 0) nResult = Z_DATA_ERROR;
    }
    const bool bWhole = nResult == Z_STREAM_END && stream.total_out == nSize;
    inflateEnd(&stream);
    return bWhole;
}
}  // namespace

bool CZipReader::Open(std::string_view data, std::string& strError) {
    m_data = data;
    m_entries.clear();
    if (data.size() < END_SIZE) {
        strError = "it is no zip archive (too short)";
        return false;
    }
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) {
        strError = "it is larger than 4 GiB";
        return false;
    }
    // The end record is the last thing in the archive, followed only by its comment.
    size_t nEnd = data.size() - END_SIZE;
    const size_t nLowest = nEnd > MAX_COMMENT ? nEnd - MAX_COMMENT : 0;
    while (Read32(data, nEnd) != END_SIGNATURE || nEnd + END_SIZE + Read16(data, nEnd + 20) != data.size()) {
        if (nEnd == nLowest) {
            strError = "it is no zip archive (no directory at its end)";
            return false;
        }
        --nEnd;
    }
    const std::uint16_t nCount = Read16(data, nEnd + 10);
    const std::uint32_t nDirectorySize = Read32(data, nEnd + 12);
    const std::uint32_t nDirectoryOffset = Read32(data, nEnd + 16);
    if (nCount == 0xFFFF || nDirectoryOffset == 0xFFFFFFFF) {
        strError = "it is a zip64 archive, which no workbook needs";
        return false;
    }
    if (static_cast<std::uint64_t>(nDirectoryOffset) + nDirectorySize > nEnd) {
        strError = "its zip directory lies outside the file (cut short?)";
        return false;
    }
    m_nDirectoryOffset = nDirectoryOffset;
    size_t nAt = nDirectoryOffset;
    const size_t nDirectoryEnd = nDirectoryOffset + static_cast<size_t>(nDirectorySize);
    m_entries.reserve(nCount);
    for (std::uint32_t i = 0; i < nCount; ++i) {
        if (nAt + DIRECTORY_ENTRY_SIZE > nDirectoryEnd || Read32(data, nAt) != DIRECTORY_SIGNATURE) {
            strError = "its zip directory is damaged (entry " + std::to_string(i + 1) + ")";
            return false;
        }
        const size_t nNameLength = Read16(data, nAt + 28);
        const size_t nExtraLength = Read16(data, nAt + 30);
        const size_t nCommentLength = Read16(data, nAt + 32);
        const size_t nNext = nAt + DIRECTORY_ENTRY_SIZE + nNameLength + nExtraLength + nCommentLength;
        if (nNext > nDirectoryEnd) {
            strError = "its zip directory is damaged (entry " + std::to_string(i + 1) + ")";
            return false;
        }
        SEntry entry;
        entry.nFlags = Read16(data, nAt + 8);
        entry.nMethod = Read16(data, nAt + 10);
        entry.nCrc = Read32(data, nAt + 16);
        entry.nCompressedSize = Read32(data, nAt + 20);
        entry.nSize = Read32(data, nAt + 24);
        entry.nLocalOffset = Read32(data, nAt + 42);
        entry.strName.assign(data.substr(nAt + DIRECTORY_ENTRY_SIZE, nNameLength));
        m_entries.push_back(std::move(entry));
        nAt = nNext;
    }
    // Sorted for lookups; a name twice would leave which part is meant to chance.
    std::sort(m_entries.begin(), m_entries.end(),
              [](const SEntry& a, const SEntry& b) { return a.strName < b.strName; });
    const auto twice = std::adjacent_find(m_entries.begin(), m_entries.end(),
        [](const SEntry& a, const SEntry& b) { return a.strName == b.strName; });
    if (twice != m_entries.end()) {
        strError = "it holds two parts named " + Quoted(twice->strName);
        m_entries.clear();
        return false;
    }
    return true;
}

const CZipReader::SEntry* CZipReader::Find(std::string_view strName) const {
    const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), strName,
        [](const SEntry& entry, std::string_view str) { return entry.strName < str; });
    return found != m_entries.end() && found->strName == strName ? &*found : nullptr;
}

bool CZipReader::Read(std::string_view strName, std::string& strOut, std::string& strError) const {
    strOut.clear();
    const SEntry* pEntry = Find(strName);
    const std::string strPart = "the part " + Quoted(strName);
    if (!pEntry) {
        strError = strPart + " is missing";
        return false;
    }
    if (pEntry->nFlags & 1) {
        strError = strPart + " is encrypted";
        return false;
    }
    if (pEntry->nSize > MAX_PART_SIZE || pEntry->nCompressedSize == 0xFFFFFFFF) {
        strError = strPart + " is larger than " + std::to_string(MAX_PART_SIZE >> 20) + " MiB";
        return false;
    }
    const size_t nLocal = pEntry->nLocalOffset;
    if (nLocal + LOCAL_HEADER_SIZE > m_nDirectoryOffset || Read32(m_data, nLocal) != LOCAL_SIGNATURE) {
        strError = strPart + " is damaged (no header where the directory puts it)";
        return false;
    }
    const size_t nStart = nLocal + LOCAL_HEADER_SIZE + Read16(m_data, nLocal + 26) + Read16(m_data, nLocal + 28);
    if (nStart > m_nDirectoryOffset || pEntry->nCompressedSize > m_nDirectoryOffset - nStart) {
        strError = strPart + " is damaged (its data runs past the end)";
        return false;
    }
    const std::string_view compressed = m_data.substr(nStart, pEntry->nCompressedSize);
    if (pEntry->nMethod == 0) {
        if (pEntry->nCompressedSize != pEntry->nSize) {
            strError = strPart + " is damaged (its sizes differ)";
            return false;
        }
        strOut.assign(compressed);
    } else if (pEntry->nMethod == 8) {
        if (!Inflate(compressed, pEntry->nSize, strOut)) {
            strOut.clear();
            strError = strPart + " is damaged (its data does not inflate to its size)";
            return false;
        }
    } else {
        strError = strPart + " is compressed by method " + std::to_string(pEntry->nMethod) +
                   ", not deflate";
        return false;
    }
    const uLong nCrc = crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(strOut.data()),
                             static_cast<uInt>(strOut.size()));
    if (nCrc != pEntry->nCrc) {
        strOut.clear();
        strError = strPart + " is damaged (its checksum differs)";
        return false;
    }
    return true;
}
