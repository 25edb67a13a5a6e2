// A whole existing file mapped into memory as one read-only view.
#pragma once

#include <cstdint>

#include "platform/Platform.h"

class CMappedFile {
public:
    enum class EAccess { ReadOnly };

    CMappedFile() = default;
    ~CMappedFile() { Close(); }
    CMappedFile(const CMappedFile&) = delete;
    CMappedFile& operator=(const CMappedFile&) = delete;

    // Maps the file. A missing file only fails; a file that exists but cannot be mapped (an empty
    // one included) is also reported through ReportError. A false result leaves the object closed.
    bool Open(const char* pszPath, EAccess access = EAccess::ReadOnly);
    // Releases view, mapping and file; safe in any state.
    void Close();

    const std::uint8_t* GetData() const { return m_pData; }
    std::uint32_t GetSize() const { return m_nSize; }
    bool IsOpen() const { return m_pData != nullptr; }

private:
    platform::Handle m_hFile = platform::INVALID_HANDLE;
    platform::Handle m_hMapping = platform::INVALID_HANDLE;
    const std::uint8_t* m_pData = nullptr;
    std::uint32_t m_nSize = 0;
};
