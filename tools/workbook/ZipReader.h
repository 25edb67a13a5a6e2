// Reads the parts of a zip archive held in memory: the central directory, then one part at a
// time, inflated with zlib. Workbooks (.xlsx, .ods) are such archives. Every size and offset is
// checked against the data before use, and a part inflates to at most MAX_PART_SIZE bytes, so a
// damaged or hostile archive gives a message, never a read outside the data or unbounded memory.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CZipReader {
public:
    // No part is inflated beyond this; the largest sheet a table can fill (65,537 rows of a few
    // dozen cells) takes a fraction of it.
    static constexpr std::uint32_t MAX_PART_SIZE = 256u << 20;

    // Reads the directory of the archive in data, which must outlive the reader. False, with
    // the cause in strError, when the data holds no directory that reads whole.
    bool Open(std::string_view data, std::string& strError);
    bool Has(std::string_view strName) const { return Find(strName) != nullptr; }
    // The part's bytes. False, with the cause naming the part, when it is missing, damaged,
    // encrypted, compressed in a way other than deflate, or larger than MAX_PART_SIZE.
    bool Read(std::string_view strName, std::string& strOut, std::string& strError) const;

private:
    struct SEntry {
        std::string strName;
        std::uint16_t nFlags = 0;
        std::uint16_t nMethod = 0;
        std::uint32_t nCrc = 0;
        std::uint32_t nCompressedSize = 0;
        std::uint32_t nSize = 0;
        std::uint32_t nLocalOffset = 0;
    };
    const SEntry* Find(std::string_view strName) const;

    std::string_view m_data;
    std::uint32_t m_nDirectoryOffset = 0;  // parts' data lies before the directory
    std::vector<SEntry> m_entries;
};
