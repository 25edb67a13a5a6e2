// The load calls of marrow/Loader.h: the whole file into memory, the structural check that
// idbdump runs, then the serializers that wrote it.
#include "marrow/Loader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <utility>

#include "loader/DatabaseCheck.h"
#include "loader/LoadSteps.h"
#include "loader/RecordSerialize.h"
#include "output/DataStream.h"

namespace marrow {
namespace {
// The largest file the 32-bit streams can hold, as the checker counts.
constexpr std::uint64_t MAX_FILE_SIZE = 0xFFFFFFF0u;
constexpr std::uint32_t READ_BLOCK = 1u << 16;
// Short enough for every standard library to keep inside the string object: saying that memory
// ran out must not need any.
constexpr char OUT_OF_MEMORY[] = "out of memory";
static_assert(sizeof OUT_OF_MEMORY <= 16);

std::string SystemWords(int nError) {
    std::string strWords = std::strerror(nError);
    while (!strWords.empty() && (strWords.back() == '.' || strWords.back() == '\n'))
        strWords.pop_back();
    return strWords;
}

struct SFileCloser {
    void operator()(std::FILE* pFile) const { std::fclose(pFile); }
};

// Reads until the end of the file, into a block sized for what the system said the file holds
// and one byte more, so that the end is met without growing the block; a file that grows
// meanwhile is followed by doubling, up to the limit.
bool ReadFileBytes(std::FILE* pFile, std::uint64_t nExpected, CMemoryStream& bytes,
                   std::string& strReason) {
    bytes.Reserve(static_cast<std::uint32_t>(std::min(nExpected, MAX_FILE_SIZE) + 1));
    std::uint32_t nSize = 0;
    for (;;) {
        if (nSize > MAX_FILE_SIZE) {
            strReason = "the file is larger than 4 GiB";
            return false;
        }
        if (bytes.GetCapacity() == nSize)
            bytes.Reserve(static_cast<std::uint32_t>(
                std::min(2 * std::uint64_t{nSize} + READ_BLOCK, MAX_FILE_SIZE + 1)));
        const std::uint32_t nWanted = std::min(READ_BLOCK, bytes.GetCapacity() - nSize);
        const std::size_t nRead = std::fread(bytes.GetData() + nSize, 1, nWanted, pFile);
        nSize += static_cast<std::uint32_t>(nRead);
        bytes.SetSize(nSize);  // so that growing the block keeps what was read
        if (nRead < nWanted) break;
    }
    if (std::ferror(pFile)) {
        strReason = "the file cannot be read: " + SystemWords(errno);
        return false;
    }
    return true;
}

// Only a regular file is read: a folder, a device or a pipe gives NOT_A_REGULAR_FILE without
// being opened. On false the reason is the system's words, and the stream is empty.
bool ReadWholeFile(const char* pszPath, CMemoryStream& bytes, std::string& strReason) {
    std::uint64_t nExpected = 0;
    if (KindOfPath(pszPath, nExpected) == EPathKind::Other) {
        strReason = NOT_A_REGULAR_FILE;
        return false;
    }
    if (nExpected > MAX_FILE_SIZE) {
        strReason = "the file is larger than 4 GiB";
        return false;
    }
    errno = 0;
    // Closed also when the block cannot be had.
    const std::unique_ptr<std::FILE, SFileCloser> file(
        pszPath && *pszPath ? std::fopen(pszPath, "rb") : nullptr);
    if (!file) {
        strReason = errno ? SystemWords(errno) : std::string("the file cannot be opened");
        return false;
    }
    const bool bRead = ReadFileBytes(file.get(), nExpected, bytes, strReason);
    if (!bRead) bytes.Reset();
    return bRead;
}

SLoadResult OutOfMemory() noexcept {
    SLoadResult result;
    result.Status = ELoadStatus::CannotOpen;
    result.Reason = OUT_OF_MEMORY;
    return result;
}
}  // namespace

// Every allocation of a load can fail, for a large file or a game short of memory; the call
// then reports it instead of throwing into a game that may be built without exceptions in mind.
SLoadResult LoadItemDatabase(const char* pszPath, SItemLists& lists) noexcept {
    try {
        SLoadResult result;
        CMemoryStream bytes;
        if (!ReadWholeFile(pszPath, bytes, result.Reason)) return result;
        return LoadItemBytes(bytes, lists);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

SLoadResult LoadItemDatabase(const void* pData, std::size_t nSize, SItemLists& lists) noexcept {
    try {
        SLoadResult result;
        if (!pData && nSize != 0) {
            result.Reason = "no bytes at a null pointer";
            return result;
        }
        if (nSize > MAX_FILE_SIZE) {
            result.Reason = "the file is larger than 4 GiB";
            return result;
        }
        // A copy the checker and the archive may consume: the caller's bytes stay untouched,
        // and the stream's own bounds checks guard every read.
        CMemoryStream bytes;
        const auto nBytes = static_cast<std::uint32_t>(nSize);
        bytes.Allocate(nBytes);
        if (nBytes != 0) std::memcpy(bytes.GetData(), pData, nBytes);
        return LoadItemBytes(bytes, lists);
    } catch (const std::bad_alloc&) {
        return OutOfMemory();
    }
}

const char* LoaderVersion() noexcept { return MARROW_VERSION; }

bool LoadItemDatabaseLenient(const char* pszPath, SItemLists& lists) noexcept {
    try {
        CMemoryStream bytes;
        std::string strReason;
        if (!ReadWholeFile(pszPath, bytes, strReason)) return false;
        ReadItemDatabase(bytes, lists, /*bResetStream=*/true);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

SLoadResult LoadItemBytes(CMemoryStream& bytes, SItemLists& lists) noexcept {
        try {
        SLoadResult result;
        const std::string_view strBytes(reinterpret_cast<const char*>(bytes.GetData()),
                                        bytes.GetSize());
        SCheckProblem problem;
        if (CheckDatabase(strBytes, nullptr, problem)) {
            result.Status = ELoadStatus::Loaded;
        } else {
            result.Status = problem.outcome == ECheckOutcome::NotItemDatabase
                                ? ELoadStatus::NotItemDatabase
                                : ELoadStatus::Damaged;
            result.Reason = std::move(problem.strText);
            result.Offset = problem.nOffset;
            if (result.Status == ELoadStatus::NotItemDatabase) {
                bytes.Reset();
                return result;
            }
        }
        // Read into fresh lists, which replace the caller's only when complete: a load that
        // runs out of memory leaves them as they were. Missing lists stay empty, which is the
        // emptying that Damaged promises.
        SItemLists loaded;
        ReadItemDatabase(bytes, loaded, /*bResetStream=*/true);
        lists = std::move(loaded);
        return result;
    } catch (const std::bad_alloc&) {
        bytes.Reset();
        return OutOfMemory();
    }
}

}  // namespace marrow
