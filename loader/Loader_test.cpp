// The load calls: each outcome from a real file, and the lenient reading beside the strict one;
// the limits on records and memory, and running out of memory, through this program's own
// operator new.
#include "marrow/Loader.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "loader/DatabaseCheck.h"
#include "loader/ItemKinds.h"
#include "loader/LoadSteps.h"
#include "loader/RecordSerialize.h"
#include "output/DataStream.h"
#include "testsupport/TestUtil.h"

using marrow::ELoadStatus;
using marrow::SItemLists;
using marrow::SLoadResult;

// ---- The allocator of this test program --------------------------------------------------
// Every operator new of the program comes here: it counts the bytes alive and their peak, and
// from an armed point on it fails, as a system out of memory does. Each block carries its size
// in a header of the default alignment.

namespace {
constexpr std::size_t BLOCK_HEADER = __STDCPP_DEFAULT_NEW_ALIGNMENT__;
std::int64_t g_nAllocationsLeft = -1;  // before every allocation fails; -1: never
std::size_t g_nLiveBytes = 0;
std::size_t g_nPeakBytes = 0;

void* Allocate(std::size_t nSize) {
    if (g_nAllocationsLeft == 0) throw std::bad_alloc();
    if (g_nAllocationsLeft > 0) --g_nAllocationsLeft;
    auto* pBlock = static_cast<unsigned char*>(std::malloc(nSize + BLOCK_HEADER));
    if (!pBlock) throw std::bad_alloc();
    *reinterpret_cast<std::size_t*>(pBlock) = nSize;
    g_nLiveBytes += nSize;
    if (g_nLiveBytes > g_nPeakBytes) g_nPeakBytes = g_nLiveBytes;
    return pBlock + BLOCK_HEADER;
}

void Free(void* p) noexcept {
    if (!p) return;
    auto* pBlock = static_cast<unsigned char*>(p) - BLOCK_HEADER;
    g_nLiveBytes -= *reinterpret_cast<std::size_t*>(pBlock);
    std::free(pBlock);
}

// The peak of the bytes allocated during f, beyond those alive when it started.
template <class F>
std::size_t PeakDuring(F&& f) {
    const std::size_t nBefore = g_nLiveBytes;
    g_nPeakBytes = nBefore;
    f();
    return g_nPeakBytes - nBefore;
}

// Runs f with the first nAllowed allocations granted and every later one failing.
template <class F>
void WithAllocationsFailingAfter(std::int64_t nAllowed, F&& f) {
    g_nAllocationsLeft = nAllowed;
    f();
    g_nAllocationsLeft = -1;
}
}  // namespace

void* operator new(std::size_t nSize) { return Allocate(nSize); }
void* operator new[](std::size_t nSize) { return Allocate(nSize); }
void operator delete(void* p) noexcept { Free(p); }
void operator delete[](void* p) noexcept { Free(p); }
void operator delete(void* p, std::size_t) noexcept { Free(p); }
void operator delete[](void* p, std::size_t) noexcept { Free(p); }

namespace {
// An items.idb whose list nList (1 to 6) holds nRecords records of the given payload, each
// record chunk written as Marrow writes it; the other lists are empty.
std::string Chunk(int nId, const std::string& strPayload) {
    std::string strChunk(1, static_cast<char>(nId));
    const auto nLength = static_cast<std::uint32_t>(strPayload.size());
    if (nLength < 128) {
        strChunk += static_cast<char>(nLength * 2);
    } else {
        for (int i = 0; i < 4; ++i)
            strChunk += static_cast<char>(((nLength * 2 + 1) >> (8 * i)) & 0xFF);
    }
    return strChunk + strPayload;
}

std::string DatabaseOf(int nList, std::size_t nRecords, const std::string& strRecord = "") {
    std::string strRecords;
    const std::string strChunk = Chunk(1, strRecord);
    strRecords.reserve(nRecords * strChunk.size());
    for (std::size_t i = 0; i < nRecords; ++i) strRecords += strChunk;
    std::string strLists;
    for (const SKindLayout& kind : ItemKinds())
        strLists += Chunk(kind.nListId, kind.nListId == nList ? strRecords : "");
    return Chunk(1, strLists) + testutil::Unhex("00 00 02 0C 02 08 01 00 00 00");
}

// The records of the list with the chunk id.
std::size_t RecordsInList(const SItemLists& lists, int nList) {
    std::size_t nRecords = 0;
    ForEachKind([&](const auto& kind) {
        if (kind.nListId == nList) nRecords = (lists.*kind.pList).size();
    });
    return nRecords;
}

// Lists that a failed load must leave as they are.
SItemLists MarkedLists() {
    SItemLists lists;
    lists.m_materials.resize(2);
    lists.m_materials[1].Name = "kept through every failure";
    return lists;
}

bool IsMarked(const SItemLists& lists) {
    return lists.m_materials.size() == 2 &&
           lists.m_materials[1].Name == "kept through every failure" && lists.m_weapons.empty();
}
class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override { m_strGolden = testutil::ReadFile(MARROW_GOLDEN_IDB); }
    // Writes the bytes as the file to load and loads it strictly.
    SLoadResult Load(const std::string& strBytes) {
        testutil::WriteFile(Path(), strBytes);
        return marrow::LoadItemDatabase(Path().c_str(), m_lists);
    }
    std::string Path() const { return (m_dir.Path() / "items.idb").string(); }

    testutil::CTempDir m_dir;
    std::string m_strGolden;
    SItemLists m_lists;
};
}  // namespace

TEST_F(LoaderTest, WellFormedFileIsLoadedWhole) {
    const SLoadResult result = Load(m_strGolden);
    ASSERT_EQ(ELoadStatus::Loaded, result.Status) << result.Reason;
    EXPECT_TRUE(result);
    EXPECT_EQ("", result.Reason);
    SItemLists lenient;
    ASSERT_TRUE(marrow::LoadItemDatabaseLenient(Path().c_str(), lenient));
    ASSERT_EQ(lenient.m_weapons.size(), m_lists.m_weapons.size());
    ASSERT_FALSE(m_lists.m_weapons.empty());
    EXPECT_EQ(lenient.m_weapons.back().Name, m_lists.m_weapons.back().Name);
    EXPECT_EQ(lenient.m_questItems.size(), m_lists.m_questItems.size());
}

TEST_F(LoaderTest, FileOfManyReadBlocksIsLoadedWhole) {
    SItemLists written;
    for (int i = 0; i < 3000; ++i) written.m_weapons.emplace_back().Name = "w" + std::to_string(i);
    CMemoryStream stream;
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeItemLists(archive, written);
    ASSERT_TRUE(archive.CloseArchive(stream));
    ASSERT_GT(stream.GetSize(), 3u << 16) << "more than three blocks of the file reader";
    const SLoadResult result =
        Load(std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize()));
    ASSERT_EQ(ELoadStatus::Loaded, result.Status) << result.Reason;
    ASSERT_EQ(3000u, m_lists.m_weapons.size());
    EXPECT_EQ("w2999", m_lists.m_weapons.back().Name);
}

TEST_F(LoaderTest, MissingFileCannotBeOpenedAndTheListsStay) {
    m_lists.m_materials.resize(2);
    const SLoadResult result =
        marrow::LoadItemDatabase((m_dir.Path() / "absent.idb").string().c_str(), m_lists);
    EXPECT_EQ(ELoadStatus::CannotOpen, result.Status);
    EXPECT_FALSE(result);
    EXPECT_FALSE(result.Reason.empty());
    EXPECT_EQ(2u, m_lists.m_materials.size());
    EXPECT_EQ(ELoadStatus::CannotOpen, marrow::LoadItemDatabase(m_dir.Path().string().c_str(),
                                                                m_lists).Status)
        << "a folder is no file";
    EXPECT_FALSE(marrow::LoadItemDatabaseLenient("", m_lists));
}

TEST_F(LoaderTest, EmptyOrForeignFileIsNoItemsDatabaseAndTheListsStay) {
    m_lists.m_weapons.resize(1);
    const struct {
        std::string strBytes;
        const char* pszReason;
    } CASES[] = {
        {"", "at byte 0: the file is empty"},
        {"\x89PNG\r\n",
         "at byte 0: top-level chunk 137 where top-level chunk 1 (the lists) belongs"},
        // The first problem in the check's order is named, wherever the file stops looking right.
        {std::string("\x01\x04\x07\x00\x00\x00", 6),
         "at byte 6: the file ends where top-level chunk 2 (the version) belongs"},
    };
    for (const auto& c : CASES) {
        const SLoadResult result = Load(c.strBytes);
        EXPECT_EQ(ELoadStatus::NotItemDatabase, result.Status) << c.pszReason;
        EXPECT_EQ(c.pszReason, result.Reason);
        EXPECT_EQ(1u, m_lists.m_weapons.size()) << c.pszReason;
    }
}

TEST_F(LoaderTest, DamagedFileNamesTheByteAndKeepsWhatWasStillRead) {
    SItemLists full;
    ASSERT_TRUE(Load(m_strGolden));
    full = m_lists;
    // The last byte of the file is the version's highest byte: the lists all lie before it.
    std::string strBytes = m_strGolden;
    strBytes.back() = '\x01';
    m_lists.m_weapons.clear();
    const SLoadResult result = Load(strBytes);
    EXPECT_EQ(ELoadStatus::Damaged, result.Status);
    EXPECT_EQ(strBytes.size() - 4, result.Offset);
    EXPECT_EQ("at byte " + std::to_string(strBytes.size() - 4) +
                  ": top-level chunk 2: version 16777217, expected 1",
              result.Reason);
    EXPECT_EQ(full.m_weapons.size(), m_lists.m_weapons.size());
    // Cut inside the lists: the lenient reading finds no lists chunk, so nothing was read.
    m_lists.m_armors.resize(3);
    const SLoadResult cut = Load(m_strGolden.substr(0, m_strGolden.size() / 2));
    EXPECT_EQ(ELoadStatus::Damaged, cut.Status);
    EXPECT_EQ(0u, cut.Offset);
    EXPECT_TRUE(m_lists.m_armors.empty()) << "the lists are emptied before the lenient reading";
}

TEST_F(LoaderTest, LoaderAndCheckGiveOneVerdictOnEveryCutOfTheGoldenFile) {
    for (std::size_t nLength = 0; nLength <= m_strGolden.size(); nLength += 61) {
        const std::string strBytes = m_strGolden.substr(0, nLength);
        SCheckProblem problem;
        const bool bValid = CheckDatabase(strBytes, nullptr, problem);
        const SLoadResult result = Load(strBytes);
        EXPECT_EQ(bValid, result.Status == ELoadStatus::Loaded) << nLength;
        EXPECT_EQ(problem.strText, result.Reason) << nLength;
        EXPECT_EQ(problem.nOffset, result.Offset) << nLength;
    }
}

// Marrow writes at most 65,535 records a list (a registry file holds no more sections): a list
// of more is damage at the record past the limit, and no reading takes more than the limit.
TEST_F(LoaderTest, ListOfMoreRecordsThanMarrowWritesIsDamagedAndReadOnlyToTheLimit) {
    ASSERT_EQ(65535u, MAX_LIST_RECORDS);
    const SLoadResult full = Load(DatabaseOf(1, 65535));
    ASSERT_EQ(ELoadStatus::Loaded, full.Status) << full.Reason;
    EXPECT_EQ(65535u, m_lists.m_materials.size());
    // The first list and the last: the surplus record lies behind the file's header (5 bytes),
    // the empty lists before it (2 bytes each), its own header (5) and the records (2 each).
    for (const std::size_t nKind : {std::size_t{0}, ItemKinds().size() - 1}) {
        const SKindLayout& kind = ItemKinds()[nKind];
        const std::uint64_t nOffset = 5 + 2 * nKind + 5 + 2 * 65535;
        const SLoadResult over = Load(DatabaseOf(kind.nListId, 65536));
        EXPECT_EQ(ELoadStatus::Damaged, over.Status) << kind.pszName;
        EXPECT_EQ(nOffset, over.Offset);
        EXPECT_EQ("at byte " + std::to_string(nOffset) + ": " + kind.pszName +
                      ": record 65536 is one more than the 65,535 a list holds",
                  over.Reason);
        EXPECT_EQ(65535u, RecordsInList(m_lists, kind.nListId))
            << "the lenient reading after the verdict stops at the limit";
        SItemLists lenient;
        ASSERT_TRUE(marrow::LoadItemDatabaseLenient(Path().c_str(), lenient));
        EXPECT_EQ(65535u, RecordsInList(lenient, kind.nListId));
    }
}

// A folder, a device or a pipe is never opened: /dev/zero would be read for 4 GiB, a pipe
// waited on for ever. The words are idbdump's too.
TEST_F(LoaderTest, OnlyRegularFilesAreRead) {
    std::vector<std::string> paths = {m_dir.Path().string()};
#ifndef _WIN32
    paths.push_back("/dev/zero");
    const std::string strPipe = (m_dir.Path() / "pipe.idb").string();
    ASSERT_EQ(0, ::mkfifo(strPipe.c_str(), 0644));
    paths.push_back(strPipe);
#endif
    for (const std::string& strPath : paths) {
        SItemLists lists = MarkedLists();
        const SLoadResult result = marrow::LoadItemDatabase(strPath.c_str(), lists);
        EXPECT_EQ(ELoadStatus::CannotOpen, result.Status) << strPath;
        EXPECT_EQ("not a regular file", result.Reason) << strPath;
        EXPECT_EQ(std::string(NOT_A_REGULAR_FILE), result.Reason);
        EXPECT_TRUE(IsMarked(lists)) << strPath;
        EXPECT_FALSE(marrow::LoadItemDatabaseLenient(strPath.c_str(), lists)) << strPath;
        EXPECT_TRUE(IsMarked(lists)) << strPath;
    }
}

#ifndef _WIN32
// Its size is what counts: the file is sparse, and none of it is read.
TEST_F(LoaderTest, FileLargerThan4GiBIsRefusedBeforeAnyOfItIsRead) {
    testutil::WriteFile(Path(), "");
    std::filesystem::resize_file(Path(), std::uintmax_t{1} << 32);
    SLoadResult result;
    const std::string strPath = Path();
    const std::size_t nPeak =
        PeakDuring([&] { result = marrow::LoadItemDatabase(strPath.c_str(), m_lists); });
    EXPECT_EQ(ELoadStatus::CannotOpen, result.Status);
    EXPECT_EQ("the file is larger than 4 GiB", result.Reason);
    EXPECT_LT(nPeak, std::size_t{1} << 20);
}
#endif

// docs/loader.md: a load holds at most 200 times the file's size plus 64 KiB, the lists it
// returns included, and the lists alone stay within LISTS_BYTES_PER_FILE_BYTE times the size.
// The files are the worst a byte can be: the largest records in 2 bytes each, zones in 2 bytes
// each, and a list past the limit, which the reader indexes whole.
TEST_F(LoaderTest, MemoryOfALoadStaysWithinTheStatedMultipleOfTheFile) {
    std::string strZones;
    for (int i = 0; i < 30000; ++i) strZones += Chunk(1, "");
    const struct {
        const char* pszWhat;
        std::string strBytes;
        ELoadStatus status;
        std::size_t nRecords;  // in the list the file fills
    } CASES[] = {
        {"the empty database", DatabaseOf(1, 0), ELoadStatus::Loaded, 0},
        {"the examples", m_strGolden, ELoadStatus::Loaded, 16},
        {"empty armors, as many as a list holds", DatabaseOf(3, 65535), ELoadStatus::Loaded,
         65535},
        {"a quest item of 30,000 empty zones", DatabaseOf(5, 1, Chunk(22, strZones)),
         ELoadStatus::Loaded, 1},
        {"200,000 empty armors", DatabaseOf(3, 200000), ELoadStatus::Damaged, 65535},
    };
    for (const auto& c : CASES) {
        testutil::WriteFile(Path(), c.strBytes);
        SItemLists lists;
        SLoadResult result;
        const std::string strPath = Path();
        const std::size_t nPeak =
            PeakDuring([&] { result = marrow::LoadItemDatabase(strPath.c_str(), lists); });
        EXPECT_EQ(c.status, result.Status) << c.pszWhat << ": " << result.Reason;
        if (c.nRecords == 65535) {
            EXPECT_EQ(65535u, lists.m_armors.size()) << c.pszWhat;
        }
        const std::size_t nSize = c.strBytes.size();
        EXPECT_LE(nPeak, 200 * nSize + (64u << 10)) << c.pszWhat;
        EXPECT_LE(ListsFootprint(lists), LISTS_BYTES_PER_FILE_BYTE * nSize) << c.pszWhat;
        EXPECT_GE(ListsFootprint(lists), c.nRecords * sizeof(marrow::SMaterial)) << c.pszWhat;
    }
}

// Wherever an allocation fails, the call says so and the lists stay as they were; with memory
// enough, the same file loads. Every later allocation fails too, so the report itself needs none.
TEST_F(LoaderTest, RunningOutOfMemoryAnywhereIsReportedAndTheListsStay) {
    std::string strDamaged = m_strGolden;
    strDamaged.back() = '\x01';  // another version: damaged, then read leniently
    for (const auto& [pszWhat, strBytes, outcome] :
         {std::tuple{"well formed", m_strGolden, ELoadStatus::Loaded},
          std::tuple{"damaged", strDamaged, ELoadStatus::Damaged}}) {
        testutil::WriteFile(Path(), strBytes);
        const std::string strPath = Path();  // made before any allocation is to fail
        std::int64_t nAllowed = 0;
        for (;; ++nAllowed) {
            SItemLists lists = MarkedLists();
            SLoadResult result;
            WithAllocationsFailingAfter(
                nAllowed, [&] { result = marrow::LoadItemDatabase(strPath.c_str(), lists); });
            if (result.Status != ELoadStatus::CannotOpen) {
                EXPECT_EQ(outcome, result.Status) << pszWhat;
                EXPECT_FALSE(lists.m_weapons.empty()) << pszWhat;
                break;
            }
            ASSERT_EQ("out of memory", result.Reason) << pszWhat << ", " << nAllowed;
            ASSERT_TRUE(IsMarked(lists)) << pszWhat << ", " << nAllowed;
        }
        EXPECT_GT(nAllowed, 20) << pszWhat << ": the load allocates at many points";
        for (nAllowed = 0;; ++nAllowed) {
            SItemLists lists = MarkedLists();
            bool bRead = false;
            WithAllocationsFailingAfter(nAllowed, [&] {
                bRead = marrow::LoadItemDatabaseLenient(strPath.c_str(), lists);
            });
            if (bRead) {
                EXPECT_FALSE(lists.m_weapons.empty()) << pszWhat;
                break;
            }
            ASSERT_TRUE(IsMarked(lists)) << pszWhat << ", lenient, " << nAllowed;
        }
        EXPECT_GT(nAllowed, 20) << pszWhat << ": the lenient reading allocates at many points";
    }
}
