// CItemDatabase::Save: the six lists into items.idb, through a temporary file so that a failed
// save never destroys the previous database.
#include <cstdio>
#include <string>

#include "itemdb/FileStream.h"
#include "itemdb/ItemDatabase.h"
#include "output/ChunkArchive.h"
#include "platform/Platform.h"

bool CItemDatabase::Save(const char* pszOutputDirectory) {
    std::printf("Saving database.\n");
    const std::string strPath = std::string(pszOutputDirectory) + "items.idb";

    // The reason is taken at the first step that fails, before anything else can overwrite the
    // system's last error.
    std::string strReason;
    auto failed = [&strReason](bool bOk, const char* pszWithoutSystemError = nullptr) {
        if (!bOk && strReason.empty())
            strReason = pszWithoutSystemError ? pszWithoutSystemError
                                              : platform::ErrorText(platform::LastError());
        return !bOk;
    };
    const auto write = [&](const char* pszTemp) {
        CChunkArchive archive;
        CFileStream stream;
        if (failed(stream.OpenFile(pszTemp, FILE_MODE_CREATE | FILE_MODE_NEW | FILE_MODE_WRITE))) return false;
        // A counting pass first: the buffer is then allocated once, at its final size, instead
        // of holding an old and a new copy of itself while it grows.
        archive.OpenForMeasuring();
        SerializeItemLists(archive, *this);
        const std::uint32_t nRootLength = archive.GetRootLength();
        archive.CloseArchive(stream);
        archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
        archive.ReserveRoot(nRootLength);
        SerializeItemLists(archive, *this);
        if (archive.GetRootLength() > CChunkArchive::CLASSIC_TOP_CHUNK_LIMIT)
            std::printf("Warning: the lists take %u bytes, more than 10,000,000; readers built to "
                        "that limit will find this items.idb empty.\n",
                        archive.GetRootLength());
        const bool bArchived = archive.CloseArchive(stream);
        const bool bWritten = !failed(!stream.HasWriteFailed()) &&
                              !failed(bArchived, "the lists are too large for one database");
        return !failed(stream.CloseFile()) && bWritten;
    };
    // A failed write has given its reason already; only a failed rename still needs one.
    const bool bSaved = platform::WriteThroughTemporary(strPath, write, [&failed](bool bRenaming) {
        if (bRenaming) failed(false);
    });
    if (!bSaved) std::printf("Can't write \"%s\": %s.\n", strPath.c_str(), strReason.c_str());
    return bSaved;
}
