// The file stream over a real file, and the archive written through it as the save writes it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"
#include "testsupport/TestUtil.h"

namespace {

// A record as small as the list layout allows.
struct STinyRecord {
    std::int32_t Value = 0;
    std::string Name;
    friend void Serialize(CChunkArchive& archive, STinyRecord& record) {
        archive.DataChunk(0, &record.Value, sizeof record.Value);
        archive.StringChunk(1, record.Name);
    }
    friend bool operator==(const STinyRecord&, const STinyRecord&) = default;
};

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
