// Whole-file reading and writing on CFile, alike on every system.
#include <algorithm>

#include "platform/Platform.h"

namespace platform {

WholeFile ReadWholeFile(const char* pszPath, std::uint64_t nLimit, std::string& strBytes) {
    CFile file;
    if (!file.Open(pszPath, FileMode::Read)) return WholeFile::CANNOT_OPEN;
    const std::uint64_t nLength = file.Length();
    if (nLength > std::min<std::uint64_t>(nLimit, 0xFFFFFFF0u)) return WholeFile::TOO_LARGE;
    strBytes.resize(static_cast<std::size_t>(nLength));
    if (file.Read(strBytes.data(), static_cast<std::uint32_t>(nLength)) != nLength)
        return WholeFile::CANNOT_READ;
    return WholeFile::READ;
}

bool WriteWholeFile(const std::string& strPath, std::string_view data) {
    if (data.size() > 0xFFFFFFFFu) return false;  // more than one write can take
    const auto write = [data](const char* pszTemp) {
        CFile file;
        const bool bWritten = file.Open(pszTemp, FileMode::CreateNew) &&
                              file.Write(data.data(), static_cast<std::uint32_t>(data.size()));
        return file.Close() && bWritten;
    };
    return WriteThroughTemporary(strPath, write, [](bool) {});
}

}  // namespace platform
