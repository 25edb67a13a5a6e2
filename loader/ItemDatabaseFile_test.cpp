// The reload helper: a changed file is loaded whole or not at all, the last
// good lists stay on a failure, and a writer that keeps replacing the file
// never shows a reader half of one.
#include "marrow/ItemDatabaseFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>

#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"
#include "testsupport/TestUtil.h"

namespace {
using marrow::CItemDatabaseFile;
using marrow::EReload;
using namespace testutil;

// The lists as the bytes they save to: two loads are the same database exactly
// when these are.
std::string SavedBytes(const marrow::SItemLists& lists) {
    marrow::SItemLists copy = lists;
    CMemoryStream stream;
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeItemLists(archive, copy);
    EXPECT_TRUE(archive.CloseArchive(stream));
    return std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize());
}

class ItemDatabaseFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_strGolden = ReadFile(MARROW_GOLDEN_IDB);
        // A second database of another size: the golden one without its last
        // weapon, every price doubled, so that a mix of the two would show in any
        // list.
        marrow::SItemLists other;
        ASSERT_TRUE(marrow::LoadItemDatabase(MARROW_GOLDEN_IDB, other));
        other.m_weapons.pop_back();
        for (auto& weapon : other.m_weapons) weapon.Price *= 2;
        for (auto& armor : other.m_armors) armor.Price *= 2;
        m_strOther = SavedBytes(other);
        ASSERT_NE(m_strGolden.size(), m_strOther.size());
    }
    // As the builder does: a complete file under another name, renamed over the
    // target. Windows refuses the rename while a reader has the file open; the
    // builder's next run would try again, the test at once.
    void Replace(const std::string& strBytes) {
        const fs::path temp = m_dir.Path() / "items.idb.tmp";
        WriteFile(temp, strBytes);
        std::error_code error;
        for (int nTry = 0; nTry < 1000; ++nTry) {
            fs::rename(temp, m_strPath, error);
            if (!error) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ADD_FAILURE() << "the rename failed: " << error.message();
    }

    CTempDir m_dir;
    std::string m_strPath = m_dir / "items.idb";
    std::string m_strGolden, m_strOther;
    CItemDatabaseFile m_file;
};

TEST_F(ItemDatabaseFileTest, LoadsOnceAndThenOnlyWhenTheFileChanges) {
    Replace(m_strGolden);
    EXPECT_EQ(EReload::Reloaded, m_file.Open(m_strPath.c_str()));
    EXPECT_EQ(1u, m_file.Generation());
    EXPECT_EQ(EReload::Unchanged, m_file.Reload());
    Replace(m_strOther);
    EXPECT_EQ(EReload::Reloaded, m_file.Reload());
    EXPECT_EQ(2u, m_file.Generation());
    EXPECT_EQ(m_strOther, SavedBytes(m_file.Lists()));
    EXPECT_NE(nullptr, m_file.Index().FindWeapon("Long Sword"));
}

TEST_F(ItemDatabaseFileTest, DamagedFileKeepsTheLastGoodListsUntilTheNextChange) {
    Replace(m_strGolden);
    ASSERT_EQ(EReload::Reloaded, m_file.Open(m_strPath.c_str()));
    Replace(m_strGolden.substr(0, m_strGolden.size() - 3));
    EXPECT_EQ(EReload::Failed, m_file.Reload());
    EXPECT_EQ(marrow::ELoadStatus::Damaged, m_file.LastResult().Status);
    EXPECT_FALSE(m_file.LastResult().Reason.empty());
    EXPECT_EQ(1u, m_file.Generation());
    EXPECT_EQ(m_strGolden, SavedBytes(m_file.Lists()));
    EXPECT_NE(nullptr, m_file.Index().FindWeapon("long sword"));
    EXPECT_EQ(EReload::Unchanged,
              m_file.Reload());  // the broken file is not read again
    Replace(m_strOther);
    EXPECT_EQ(EReload::Reloaded, m_file.Reload());
    EXPECT_EQ(2u, m_file.Generation());
}

TEST_F(ItemDatabaseFileTest, MissingFileFailsOnceThenLoadsWhenItAppears) {
    EXPECT_EQ(EReload::Failed, m_file.Open(m_strPath.c_str()));
    EXPECT_EQ(marrow::ELoadStatus::CannotOpen, m_file.LastResult().Status);
    EXPECT_EQ(EReload::Unchanged, m_file.Reload());
    EXPECT_EQ(0u, m_file.Generation());
    EXPECT_TRUE(m_file.Lists().m_weapons.empty());
    Replace(m_strGolden);
    EXPECT_EQ(EReload::Reloaded, m_file.Reload());
    EXPECT_EQ(1u, m_file.Generation());
}

// A writer replaces the file REBUILDS times, alternating the two databases,
// while the reader polls as a game's frame loop would. Every load must be one
// of the two, whole.
TEST_F(ItemDatabaseFileTest, WriterInALoopNeverShowsAPartialOrMixedDatabase) {
    constexpr int REBUILDS = 200;
    Replace(m_strGolden);
    ASSERT_EQ(EReload::Reloaded, m_file.Open(m_strPath.c_str()));
    std::atomic<bool> bDone{false};
    std::thread writer([&] {
        for (int i = 1; i <= REBUILDS; ++i) Replace(i % 2 ? m_strOther : m_strGolden);
        bDone = true;
    });
    int nPartial = 0, nMixed = 0;
    auto look = [&] {
        const EReload reload = m_file.Reload();
        // CannotOpen is no partial file: Windows refuses an open while the rename replaces the
        // file, and the next look tries again. Any other failure saw a broken file.
        if (reload == EReload::Failed &&
            m_file.LastResult().Status != marrow::ELoadStatus::CannotOpen)
            ++nPartial;
        if (reload != EReload::Reloaded) return;
        const std::string strLoaded = SavedBytes(m_file.Lists());
        if (strLoaded != m_strGolden && strLoaded != m_strOther) ++nMixed;
    };
    while (!bDone) look();
    writer.join();
    // The writer's last file, whatever the reader saw before; an open that the last rename
    // refused is tried again.
    for (int nTry = 0; nTry < 1000 && m_file.Reload() == EReload::Failed; ++nTry)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(0, nPartial) << m_file.LastResult().Reason;
    EXPECT_EQ(0, nMixed);
    EXPECT_EQ(REBUILDS % 2 ? m_strOther : m_strGolden, SavedBytes(m_file.Lists()));
    EXPECT_GE(m_file.Generation(), 2u);
}
}  // namespace
