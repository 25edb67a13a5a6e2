#include "itemdb/ItemCommon.h"

#include "itemdb/BuildTestFixture.h"

namespace {
const std::vector<Column> MATERIAL_COLUMNS = {
    {"Name", ""},          {"Material", "Type"},     {"Material", "Code Name"},
    {"Material", "Skill"}, {"Material", "Damage"},   {"General", "Price"},
    {"General", "Weight"}, {"General", "Mana"},      {"General", "Slots"},
    {"General", "Durability"}, {"Absorption", "Piercing"}, {"Absorption", "General"},
    {"Absorption", "Crippled"}, {"Available In Shop", "1"}, {"Available In Shop", "2"}};
}  // namespace

using MaterialBuild = BuildTest;

TEST_F(MaterialBuild, RowsBecomeRecordsInTableOrderWithConsecutiveIndexes) {
    const std::string strOutput = BuildMaterials(TableOf(
        MATERIAL_COLUMNS,
        {{"Iron", "Metal", "FE_Iron", "2", "4", "10", "2.5", "0", "2", "120", "30%", "25%", "3,5",
          "1", "3"},
         {"Wood"},
         {"Bronze"}}));
    EXPECT_EQ("Building materials list:...\n", strOutput);
    ASSERT_EQ(3u, m_db.m_materials.size());
    const SMaterial& iron = m_db.m_materials[0];
    EXPECT_EQ("iron", iron.Name);
    EXPECT_EQ("Metal", iron.MaterialType);
    EXPECT_EQ("FE_Iron", iron.CodeName);
    EXPECT_EQ(2, iron.Skill);
    EXPECT_EQ(4.0f, iron.Damage);
    EXPECT_EQ(10.0f, iron.Price);
    EXPECT_EQ(2.5f, iron.Weight);
    EXPECT_EQ(2, iron.Slots);
    EXPECT_EQ(30.0f, iron.Absorption.values[0]);   // the percent sign is dropped
    EXPECT_EQ(-1.0f, iron.Absorption.values[1]);   // absent
    EXPECT_EQ(25.0f, iron.Absorption.values[6]);
    EXPECT_EQ(40u, iron.CrippledMask);             // bits 3 and 5
    EXPECT_EQ(7u, iron.ShopMask);                  // 1 | 3 << 1, shifted as read
    EXPECT_EQ("wood", m_db.m_materials[1].Name);
    for (std::int32_t i = 0; i < 3; ++i) EXPECT_EQ(i, m_db.m_materials[static_cast<size_t>(i)].Index);
}

TEST_F(MaterialBuild, RowWithOnlyANameTakesTheMaterialDefaults) {
    BuildMaterials(TableOf(MATERIAL_COLUMNS, {{"Stone"}}));
    ASSERT_EQ(1u, m_db.m_materials.size());
    const SMaterial& stone = m_db.m_materials[0];
    EXPECT_EQ("none", stone.MaterialType);
    EXPECT_EQ("none", stone.CodeName);
    for (float f : {stone.Price, stone.Weight, stone.Mana, stone.Durability, stone.Damage})
        EXPECT_EQ(-1.0f, f);
    for (float f : stone.Absorption.values) EXPECT_EQ(-1.0f, f);
    EXPECT_EQ(0, stone.Slots);
    EXPECT_EQ(0, stone.Skill);
    EXPECT_EQ(0u, stone.CrippledMask);
    EXPECT_EQ(0u, stone.ShopMask);
}

TEST_F(MaterialBuild, CrippledEntriesSetBitsOfTheirLowFiveBits) {
    const std::vector<Column> columns = {{"Name", ""}, {"Absorption", "Crippled"}};
    BuildMaterials(TableOf(columns, {{"A", "33"}, {"B", "x"}, {"C", "3"}, {"D", "3, 5, -1"}}));
    ASSERT_EQ(4u, m_db.m_materials.size());
    EXPECT_EQ(2u, m_db.m_materials[0].CrippledMask);  // 33 AND 31 is 1
    EXPECT_EQ(1u, m_db.m_materials[1].CrippledMask);  // not a number: 0
    // A single number is stored as a number; the list getter still reads it as text.
    EXPECT_EQ(8u, m_db.m_materials[2].CrippledMask);
    EXPECT_EQ(0x80000028u, m_db.m_materials[3].CrippledMask);
}

TEST_F(MaterialBuild, TableWithoutDataRowsGivesAnEmptyListAndALineFeed) {
    EXPECT_EQ("Building materials list:\n", BuildMaterials(HeaderOf(MATERIAL_COLUMNS)));
    EXPECT_TRUE(m_bBuilt);
    EXPECT_TRUE(m_db.m_materials.empty());
}

TEST_F(MaterialBuild, StoredRecordHoldsChunksZeroToThirteenInOrder) {
    BuildMaterials(TableOf(MATERIAL_COLUMNS, {{"Iron", "Metal", "FE", "", "", "10", "", "", "",
                                               "", "", "", "3", "1"}}));
    const std::string strRecord = testutil::FindChunk(Saved(), {{1}, {1}, {1}});
    EXPECT_EQ(
        "01 DC "                                          // record chunk, 110 bytes
        "00 0A 69 72 6F 6E 00 "                           // 0 Name "iron"
        "01 0C 4D 65 74 61 6C 00 "                        // 1 MaterialType "Metal"
        "02 06 46 45 00 "                                 // 2 CodeName "FE"
        "03 08 00 00 00 00 "                              // 3 Index 0
        "04 08 00 00 20 41 "                              // 4 Price 10.0
        "05 08 00 00 80 BF 06 08 00 00 80 BF "            // 5 Weight, 6 Mana: -1.0
        "07 08 00 00 00 00 08 08 00 00 80 BF "            // 7 Slots 0, 8 Durability -1.0
        "09 08 00 00 00 00 0A 08 00 00 80 BF "            // 9 Skill 0, 10 Damage -1.0
        "0B 38 00 00 80 BF 00 00 80 BF 00 00 80 BF 00 00 80 BF 00 00 80 BF 00 00 80 BF 00 00 80 BF "
        "0C 08 08 00 00 00 "                              // 12 CrippledMask bit 3
        "0D 08 01 00 00 00",                              // 13 ShopMask
        testutil::Hex(strRecord));
}
