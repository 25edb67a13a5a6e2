// The file stream over a real file, and the archive written through it as the save writes it.
#include "itemdb/FileStream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "platform/Platform.h"
#include "output/ArchiveTestUtil.h"
#include "testsupport/TestUtil.h"

namespace {

// A memory stream holding the bytes, positioned at 0.
void Fill(CMemoryStream& stream, const std::string& strBytes) {
    stream.Write(strBytes.data(), static_cast<std::uint32_t>(strBytes.size()));
    stream.Seek(0);
}

// Writes fail after a budget while the object lives; the fault is off again afterwards, also
// when a check fails half-way.
class CWriteFault {
public:
    explicit CWriteFault(std::int64_t nBytes) { platform::FailWritesAfter(nBytes); }
    ~CWriteFault() { platform::FailWritesAfter(-1); }
};

class FileStreamTest : public ::testing::Test {
protected:
    testutil::CTempDir m_dir;
    std::string m_strPath = m_dir / "stream.bin";
};

TEST_F(FileStreamTest, ResetRewindsSetsOkAndKeepsTheLength) {
    CFileStream stream;
    ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
    stream.Write("0123456789", 10);
    stream.m_bOk = false;
    stream.Reset();
    EXPECT_TRUE(stream.m_bOk);
    EXPECT_EQ(0u, stream.GetPosition());
    EXPECT_EQ(10u, stream.GetSize());
    stream.Write("ab", 2);
    EXPECT_TRUE(stream.CloseFile());
    EXPECT_EQ("ab23456789", testutil::ReadFile(m_strPath));
}

TEST_F(FileStreamTest, ShortReadDeliversWhatIsThereAndClearsOk) {
    testutil::WriteFile(m_strPath, "abcde");
    CFileStream stream;
    ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_READ));
    char buffer[8] = {};
    EXPECT_EQ(3u, stream.Read(buffer, 3));
    EXPECT_TRUE(stream.m_bOk);
    EXPECT_EQ(2u, stream.Read(buffer, 8));
    EXPECT_EQ("de", std::string(buffer, 2));
    EXPECT_FALSE(stream.m_bOk);
    EXPECT_EQ(5u, stream.GetSize());
}

TEST_F(FileStreamTest, OpeningAMissingFileClearsOk) {
    CFileStream stream;
    EXPECT_FALSE(stream.OpenFile((m_dir / "missing.bin").c_str(), FILE_MODE_READ));
    EXPECT_FALSE(stream.m_bOk);
    EXPECT_FALSE(stream.OpenFile((m_dir.Path() / "no-dir" / "new.bin").string().c_str(),
                                 FILE_MODE_CREATE | FILE_MODE_WRITE));
    EXPECT_FALSE(stream.m_bOk);
}

TEST_F(FileStreamTest, CreateTruncatesAnExistingFile) {
    testutil::WriteFile(m_strPath, "old content");
    CFileStream stream;
    ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
    EXPECT_EQ(0u, stream.GetSize());
    stream.Write("new", 3);
    EXPECT_TRUE(stream.CloseFile());
    EXPECT_EQ("new", testutil::ReadFile(m_strPath));
}

TEST_F(FileStreamTest, FailedWriteIsRecordedWithoutTouchingOk) {
    CWriteFault fault(/*nBytes=*/4);
    CFileStream stream;
    ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
    stream.Write("abc", 3);
    EXPECT_FALSE(stream.HasWriteFailed());
    stream.Write("defg", 4);
    EXPECT_TRUE(stream.HasWriteFailed());
    EXPECT_TRUE(stream.m_bOk);
    EXPECT_FALSE(stream.CloseFile());
    EXPECT_EQ("abcd", testutil::ReadFile(m_strPath));
}

TEST_F(FileStreamTest, ReopeningClearsARecordedWriteFailure) {
    CFileStream stream;
    {
        CWriteFault fault(/*nBytes=*/0);
        ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
        stream.Write("x", 1);
        EXPECT_FALSE(stream.CloseFile());
    }
    ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
    stream.Write("y", 1);
    EXPECT_FALSE(stream.HasWriteFailed());
    EXPECT_TRUE(stream.CloseFile());
    EXPECT_EQ("y", testutil::ReadFile(m_strPath));
}

TEST_F(FileStreamTest, CopyFromAppendsTheSourceInBlocksAtThePosition) {
    std::string strSource;
    for (int i = 0; i < 2500; ++i) strSource += static_cast<char>('a' + i % 26);
    CMemoryStream source;
    Fill(source, strSource);
    CFileStream stream;
    ASSERT_TRUE(stream.OpenFile(m_strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
    stream.Write("head", 4);
    stream.CopyFrom(source);
    EXPECT_EQ(2504u, stream.GetPosition());
    EXPECT_TRUE(stream.CloseFile());
    EXPECT_EQ("head" + strSource, testutil::ReadFile(m_strPath));
}

using archive_test::STinyRecord;

TEST(FileStreamArchive, ArchiveWrittenToAFileReadsBackFromIt) {
    testutil::CTempDir dir;
    CChunkArchive archive;
    const std::string strPath = dir / "items.idb";
    std::vector<STinyRecord> written = {{1, "axe"}, {2, std::string(300, 'b')}}, empty;
    CFileStream file;
    ASSERT_TRUE(file.OpenFile(strPath.c_str(), FILE_MODE_CREATE | FILE_MODE_WRITE));
    archive.OpenArchive(file, /*bReading=*/false, /*nVersion=*/1);
    SerializeList(archive, 1, written);
    SerializeList(archive, 2, empty);
    EXPECT_TRUE(archive.CloseArchive(file));
    EXPECT_TRUE(file.CloseFile());
    ASSERT_TRUE(file.OpenFile(strPath.c_str(), FILE_MODE_READ));
    std::vector<STinyRecord> records;
    archive.OpenArchive(file, /*bReading=*/true, /*nVersion=*/1);
    SerializeList(archive, 1, records);
    EXPECT_EQ(written, records);
    EXPECT_EQ(1, archive.m_nVersion);
    archive.CloseArchive(file);
}

}  // namespace
