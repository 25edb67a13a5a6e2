// The load calls: each outcome from a real file, and the lenient reading beside the strict one.
#include "marrow/Loader.h"

#include <gtest/gtest.h>

#include <string>

#include "loader/DatabaseCheck.h"
#include "testsupport/TestUtil.h"

using marrow::ELoadStatus;
using marrow::SItemLists;
using marrow::SLoadResult;

namespace {
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
        {"\x89PNG\r\n", "at byte 0: top-level chunk 137 where top-level chunk 1 (the lists) belongs"},
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
