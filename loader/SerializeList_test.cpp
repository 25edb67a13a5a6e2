// SerializeList: a list of records as chunks with id 1 in a list chunk, written and read back
// through the chunk archive, whose own encoding output/ChunkArchive_test checks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"
#include "output/ArchiveTestUtil.h"
#include "testsupport/TestUtil.h"

namespace {
using archive_test::Content;
using archive_test::STinyRecord;
using archive_test::TRAILER;

using testutil::Hex;
using testutil::Unhex;



// The whole chunks of a file, one after another from its first byte; a header or payload that
// does not fit in what remains ends the count.
size_t TopLevelChunks(const std::string& strFile) {
    size_t nChunks = 0, nCursor = 0;
    for (;;) {
        const std::string_view strRest = std::string_view(strFile).substr(nCursor);
        if (strRest.empty()) return nChunks;
        // The first chunk of what remains, found by its own id.
        const std::string strChunk =
            testutil::FindChunk(strRest, {{static_cast<std::uint8_t>(strRest[0])}});
        if (strChunk.empty() || strRest.compare(0, strChunk.size(), strChunk) != 0) return nChunks;
        ++nChunks;
        nCursor += strChunk.size();
    }
}


// Counts the writes that reach the stream.
class CCountingStream : public CMemoryStream {
public:
    void Write(const void* pBuffer, std::uint32_t nCount) override {
        ++m_nWrites;
        CMemoryStream::Write(pBuffer, nCount);
    }
    int m_nWrites = 0;
};

class SerializeListTest : public ::testing::Test {
protected:
    ~SerializeListTest() override { m_archive.CloseArchive(m_stream); }

    // The bytes of an archive whose root content the body writes.
    template <class F>
    static std::string WriteArchive(F&& body) {
        CChunkArchive archive;
        CMemoryStream stream;
        archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
        body(archive);
        EXPECT_TRUE(archive.CloseArchive(stream));
        return Content(stream);
    }

    // The root content that the body writes, in hex; the rest of the file is checked to be
    // exactly the trailer.
    template <class F>
    static std::string WriteRoot(F&& body) {
        const std::string strFile = WriteArchive(body);
        const std::string strRoot = testutil::FindChunk(strFile, {{1}});
        if (strRoot.empty()) return "no chunk";
        EXPECT_EQ(Hex(strRoot + Unhex(TRAILER)), Hex(strFile));
        return Hex(testutil::PayloadOf(strRoot));
    }

    // Opens m_archive for reading on the bytes.
    void Open(const std::string& strFile) {
        m_stream.Reset();
        m_stream.Write(strFile.data(), static_cast<std::uint32_t>(strFile.size()));
        m_archive.OpenArchive(m_stream, /*bReading=*/true, /*nVersion=*/1);
    }

    CMemoryStream m_stream;
    CChunkArchive m_archive;
};

TEST_F(SerializeListTest, SixEmptyListsMakeTheTwentyFourByteArchive) {
    std::vector<STinyRecord> lists[6];
    const std::string strFile = WriteArchive([&](CChunkArchive& archive) {
        for (int i = 0; i < 6; ++i) SerializeList(archive, i + 1, lists[i]);
    });
    EXPECT_EQ("01 18 01 00 02 00 03 00 04 00 05 00 06 00 00 00 02 0C 02 08 01 00 00 00",
              Hex(strFile));
}

TEST_F(SerializeListTest, ListHoldsOneChunkWithIdOnePerRecordInOrder) {
    std::vector<STinyRecord> records = {{5, "a"}, {6, ""}};
    EXPECT_EQ("02 2E 01 14 00 08 05 00 00 00 01 04 61 00 01 12 00 08 06 00 00 00 01 02 00",
              WriteRoot([&](CChunkArchive& archive) { SerializeList(archive, 2, records); }));
}

TEST_F(SerializeListTest, NothingReachesTheStreamBeforeCloseAndCloseWritesAtMostNineTimes) {
    std::vector<STinyRecord> records = {{1, "axe"}, {2, "bow"}};
    CChunkArchive archive;
    CCountingStream stream;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeList(archive, 1, records);
    EXPECT_EQ(0, stream.m_nWrites);
    EXPECT_TRUE(archive.CloseArchive(stream));
    EXPECT_LE(stream.m_nWrites, 9);
    EXPECT_EQ(3u, TopLevelChunks(Content(stream)));
}

TEST_F(SerializeListTest, MissingTopLevelChunkOneLeavesTheListAsItWas) {
    Open(Unhex(TRAILER));
    std::vector<STinyRecord> records = {{3, "kept"}};
    SerializeList(m_archive, 1, records);
    EXPECT_EQ((std::vector<STinyRecord>{{3, "kept"}}), records);
}

TEST_F(SerializeListTest, SerializeListReplacesTheListWithTheRecordsRead) {
    std::vector<STinyRecord> written = {{5, "a"}, {6, ""}, {-1, "bow"}};
    const std::string strFile =
        WriteArchive([&](CChunkArchive& archive) { SerializeList(archive, 4, written); });
    Open(strFile);
    std::vector<STinyRecord> records(5, STinyRecord{9, "old"});
    SerializeList(m_archive, 4, records);
    EXPECT_EQ(written, records);
}

}  // namespace
