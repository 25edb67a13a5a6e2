// Test fixture for the builders: a temporary directory with the converter installed, tables
// written from (group, sub-column) pairs, and the saved database at hand.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "itemdb/Columns.h"
#include "itemdb/ItemDatabase.h"
#include "loader/ItemKinds.h"
#include "testsupport/TestUtil.h"

// A column as a designer writes it: group cell and sub-column cell ("Weapon", "Damage Min").
using Column = std::pair<std::string, std::string>;
using Row = std::vector<std::string>;

// The two header lines for the columns; neighbours with the same group form one group. A group
// with a single named sub-column gets a spare second column, so that its full name keeps the
// sub-column ("Loot Type" rather than "Loot").
inline std::string HeaderOf(const std::vector<Column>& columns) {
    std::vector<std::string> groupCells, subCells;
    for (size_t i = 0; i < columns.size(); ++i) {
        const bool bStarts = i == 0 || columns[i - 1].first != columns[i].first;
        groupCells.push_back(bStarts ? columns[i].first : "");
        subCells.push_back(columns[i].second);
        const bool bEnds = i + 1 == columns.size() || columns[i + 1].first != columns[i].first;
        if (bStarts && bEnds && !columns[i].second.empty()) {
            groupCells.push_back("");
            subCells.push_back("Spare");
        }
    }
    return testutil::Table({groupCells, subCells});
}

// The row's cells placed under the columns of HeaderOf (spare columns stay empty).
inline std::string RowOf(const std::vector<Column>& columns, const Row& cells) {
    std::vector<std::string> placed;
    for (size_t i = 0; i < columns.size(); ++i) {
        placed.push_back(i < cells.size() ? cells[i] : "");
        const bool bStarts = i == 0 || columns[i - 1].first != columns[i].first;
        const bool bEnds = i + 1 == columns.size() || columns[i + 1].first != columns[i].first;
        if (bStarts && bEnds && !columns[i].second.empty()) placed.push_back("");
    }
    return testutil::Table({placed});
}

inline std::string TableOf(const std::vector<Column>& columns, const std::vector<Row>& rows) {
    std::string strTable = HeaderOf(columns);
    for (const Row& row : rows) strTable += RowOf(columns, row);
    return strTable;
}

// The little-endian bytes of a value, in the hex of testutil::Hex.
template <class T>
std::string HexOf(const T& value) {
    std::string strBytes(sizeof value, '\0');
    std::memcpy(strBytes.data(), &value, sizeof value);
    return testutil::Hex(strBytes);
}

class BuildTest : public testing::Test {
protected:
    BuildTest() : m_current(m_dir.Path()) { testutil::InstallConverter(m_dir.Path()); }

    // Writes the table of TRecord's kind and runs its builder on it; returns what was printed.
    template <class TRecord>
    std::string Build(const std::string& strText) {
        const SKindColumns& kind = AllKinds()[KIND_INDEX<TRecord>];
        testutil::WriteFile(m_dir.Path() / kind.pszTable, strText);
        testing::internal::CaptureStdout();
        m_bBuilt = (m_db.*kind.pBuild)(kind.pszTable);
        return testing::internal::GetCapturedStdout();
    }
    std::string BuildMaterials(const std::string& strText) { return Build<SMaterial>(strText); }
    std::string BuildWeapons(const std::string& strText) { return Build<SWeapon>(strText); }
    std::string BuildArmors(const std::string& strText) { return Build<SArmor>(strText); }
    std::string BuildQuickItems(const std::string& strText) { return Build<SQuickItem>(strText); }
    std::string BuildQuestItems(const std::string& strText) { return Build<SQuestItem>(strText); }
    std::string BuildLootItems(const std::string& strText) { return Build<SLootItem>(strText); }

    // Saves the database into the test directory and returns the bytes of items.idb.
    std::string Saved() {
        testing::internal::CaptureStdout();
        const std::string strDirectory = m_dir.Path().string() + platform::PATH_SEPARATOR;
        EXPECT_TRUE(m_db.Save(strDirectory.c_str()));
        testing::internal::GetCapturedStdout();
        return testutil::ReadFile(m_dir.Path() / "items.idb");
    }
    // The hex of chunk nId (header included) of record nRecord (from 1) of list nList.
    std::string ChunkHex(int nList, int nRecord, int nId) {
        return testutil::Hex(testutil::FindChunk(Saved(), {{1}, {nList}, {1, nRecord}, {nId}}));
    }

    testutil::CTempDir m_dir;
    testutil::CCurrentDirectory m_current;
    testutil::CReportCatcher m_reports;
    CItemDatabase m_db;
    bool m_bBuilt = false;
};
