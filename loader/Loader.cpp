// The load calls of marrow/Loader.h: the whole file into memory, the structural check that
// idbdump runs, then the serializers that wrote it.
#include "marrow/Loader.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "loader/DatabaseCheck.h"
#include "loader/ItemKinds.h"
#include "loader/RecordSerialize.h"
#include "output/DataStream.h"

namespace marrow {
namespace {
// The largest file the 32-bit streams can hold, as the checker counts.
constexpr std::uint64_t MAX_FILE_SIZE = 0xFFFFFFF0u;
constexpr std::uint32_t READ_BLOCK = 1u << 16;

std::string SystemWords(int nError) {
    std::string strWords = std::strerror(nError);
    while (!strWords.empty() && (strWords.back() == '.' || strWords.back() == '\n'))
        strWords.pop_back();
    return strWords;
}

// Reads until the end of the file rather than asking its size first, which the standard library
// cannot tell beyond 2 GiB everywhere.
bool ReadFileBytes(std::FILE* pFile, CMemoryStream& bytes, std::string& strReason) {
    std::uint32_t nSize = 0;
    for (;;) {
        if (bytes.GetCapacity() - nSize < READ_BLOCK) {
            if (MAX_FILE_SIZE - nSize < READ_BLOCK) {
                strReason = "the file is larger than 4 GiB";
                return false;
            }
            const std::uint64_t nGrown =
                nSize < READ_BLOCK ? 2 * READ_BLOCK : 2 * std::uint64_t{nSize};
            bytes.Reserve(
                static_cast<std::uint32_t>(nGrown < MAX_FILE_SIZE ? nGrown : MAX_FILE_SIZE));
        }
        const std::size_t nRead = std::fread(bytes.GetData() + nSize, 1, READ_BLOCK, pFile);
        nSize += static_cast<std::uint32_t>(nRead);
        bytes.SetSize(nSize);  // so that growing the block keeps what was read
        if (nRead < READ_BLOCK) break;
    }
    if (std::ferror(pFile)) {
        strReason = "the file cannot be read: " + SystemWords(errno);
        return false;
    }
    return true;
}

// On false the reason is the system's words, and the stream is empty.
bool ReadWholeFile(const char* pszPath, CMemoryStream& bytes, std::string& strReason) {
    errno = 0;
    std::FILE* pFile = pszPath && *pszPath ? std::fopen(pszPath, "rb") : nullptr;
    if (!pFile) {
        strReason = errno ? SystemWords(errno) : std::string("the file cannot be opened");
        return false;
    }
    const bool bRead = ReadFileBytes(pFile, bytes, strReason);
    std::fclose(pFile);
    if (!bRead) bytes.Reset();
    return bRead;
}

void ClearLists(SItemLists& lists) {
    ForEachKind([&lists](const auto& kind) { (lists.*kind.pList).clear(); });
}
}  // namespace

SLoadResult LoadItemDatabase(const char* pszPath, SItemLists& lists) {
    SLoadResult result;
    CMemoryStream bytes;
    if (!ReadWholeFile(pszPath, bytes, result.Reason)) return result;
    const std::string_view strBytes(reinterpret_cast<const char*>(bytes.GetData()),
                                    bytes.GetSize());
    SCheckProblem problem;
    if (CheckDatabase(strBytes, nullptr, problem)) {
        result.Status = ELoadStatus::Loaded;
    } else {
        result.Status = problem.outcome == ECheckOutcome::NotItemDatabase
                            ? ELoadStatus::NotItemDatabase
                            : ELoadStatus::Damaged;
        result.Reason = problem.strText;
        result.Offset = problem.nOffset;
        if (result.Status == ELoadStatus::NotItemDatabase) return result;
        ClearLists(lists);
    }
    ReadItemDatabase(bytes, lists, /*bResetStream=*/true);
    return result;
}

bool LoadItemDatabaseLenient(const char* pszPath, SItemLists& lists) {
    CMemoryStream bytes;
    std::string strReason;
    if (!ReadWholeFile(pszPath, bytes, strReason)) return false;
    ReadItemDatabase(bytes, lists, /*bResetStream=*/true);
    return true;
}

}  // namespace marrow
