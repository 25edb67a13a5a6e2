// Writes a zip archive in memory: what an .xlsx file is. Entries are deflated (or stored when
// deflating would not make them smaller), names are UTF-8, and there is no zip64: an entry or an
// archive of 4 GiB or more, or more than 65535 entries, is refused by throwing std::length_error,
// which the caller turns into its message. Both systems build this one code path on zlib alone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CZipWriter {
public:
    // Appends an entry. Throws std::length_error when the entry or the archive would outgrow
    // what a zip without zip64 records can describe; the archive is unchanged then.
    void Add(std::string_view strName, std::string_view data);
    // The whole archive (entries, central directory, end record). The writer is empty again.
    // Throws std::length_error when the central directory would lie beyond 4 GiB.
    std::string Finish();

private:
    std::string m_strArchive;    // local headers and data so far
    std::string m_strDirectory;  // the central directory's records so far
    std::uint32_t m_nEntries = 0;
};
