#include <gtest/gtest.h>

#include "itemdb/BuildTestFixture.h"

namespace {
const std::string MINUS_HUNDREDTH = HexOf(-1.0f * 0.01f);  // 0A D7 23 BC
}  // namespace

using ItemBuild = BuildTest;

// ---- Common fields --------------------------------------------------------------------------

TEST_F(ItemBuild, CommonFieldsTakeTheirDefaultsWhenAbsent) {
    BuildQuestItems(TableOf({{"Name", ""}, {"Quest Items", "ScriptID"}}, {{"Iron Sword"}, {"", "3"}}));
    ASSERT_EQ(1u, m_db.m_questItems.size());  // the row without a name is skipped
    const SQuestItem& item = m_db.m_questItems[0];
    EXPECT_EQ("iron sword", item.Name);
    EXPECT_EQ(1.0f, item.Price);
    EXPECT_EQ(1.0f, item.Weight);
    EXPECT_EQ(1.0f, item.Size);
    EXPECT_EQ(1.0f, item.Durability);
    EXPECT_EQ(0.0f, item.Mana);
    EXPECT_EQ(0, item.Slots);
    EXPECT_EQ(1, item.Components);
    EXPECT_FALSE(item.Deconstructable);
    EXPECT_EQ(-1, item.TextureIndex);
    EXPECT_EQ(-1, item.TextureIndex2);
    EXPECT_EQ(0u, item.ShopMask);
    EXPECT_EQ(INVALID_CODE, item.TypeCode);  // no builder but weapons' and armors' sets it
    EXPECT_EQ(INVALID_CODE, item.MaterialCode);
}

TEST_F(ItemBuild, ShopMaskShiftsEachIntegerAsRead) {
    const std::vector<Column> columns = {{"Name", ""}, {"Available In Shop", "1"},
                                         {"Available In Shop", "2"}, {"Available In Shop", "4"},
                                         {"Available In Shop", "5"}};
    BuildLootItems(TableOf(columns, {{"A", "1", "", "1"}, {"B", "", "3"}, {"C", "", "", "", "-1"},
                                     {"D", "", "", "", "2147483647"}}));
    ASSERT_EQ(4u, m_db.m_lootItems.size());
    EXPECT_EQ(9u, m_db.m_lootItems[0].ShopMask);
    EXPECT_EQ(6u, m_db.m_lootItems[1].ShopMask);
    EXPECT_EQ(0xFFFFFFF0u, m_db.m_lootItems[2].ShopMask);
    EXPECT_EQ(0xFFFFFFF0u, m_db.m_lootItems[3].ShopMask);
}

TEST_F(ItemBuild, NumbersAreConvertedBetweenIntegerAndFloat) {
    const std::vector<Column> columns = {{"Name", ""}, {"General", "Slots"}, {"General", "Price"},
                                         {"General", "Deconstructable"}};
    BuildLootItems(TableOf(columns, {{"A", "2.9", "5", "2"}, {"B", "-2.9", "1e3", "0"}}));
    ASSERT_EQ(2u, m_db.m_lootItems.size());
    EXPECT_EQ(2, m_db.m_lootItems[0].Slots);
    EXPECT_EQ(5.0f, m_db.m_lootItems[0].Price);
    EXPECT_TRUE(m_db.m_lootItems[0].Deconstructable);
    EXPECT_EQ(-2, m_db.m_lootItems[1].Slots);
    EXPECT_EQ(1000.0f, m_db.m_lootItems[1].Price);
    EXPECT_FALSE(m_db.m_lootItems[1].Deconstructable);
}

TEST_F(ItemBuild, ZonesAndFigureNamesStayInMemoryOnly) {
    const std::vector<Column> columns = {{"Name", ""}, {"General", "Zones"},
                                         {"Graphics Data", "Figure Names"}};
    BuildLootItems(TableOf(columns, {{"Ruby", "Castle, Harbor", "ruby.fig, ruby_lod.fig"}}));
    ASSERT_EQ(1u, m_db.m_lootItems.size());
    EXPECT_EQ((std::vector<std::string>{"Castle", "Harbor"}), m_db.m_lootItems[0].Zones.ToVector());
    EXPECT_EQ((std::vector<std::string>{"ruby.fig", "ruby_lod.fig"}),
              m_db.m_lootItems[0].FigureNames.ToVector());
    const std::string strSaved = Saved();
    EXPECT_EQ(std::string::npos, strSaved.find("Castle"));
    EXPECT_EQ(std::string::npos, strSaved.find("ruby.fig"));
}

// ---- Weapons --------------------------------------------------------------------------------

TEST_F(ItemBuild, DamageMinOfTenInRowSwordIsStoredAsChunk24) {
    BuildWeapons(TableOf({{"Name", ""}, {"Weapon", "Type"}, {"Weapon", "Damage Min"}},
                         {{"Sword", "sword", "10"}}));
    EXPECT_EQ("18 08 00 00 80 3F", ChunkHex(2, 1, 24));
    EXPECT_EQ("02 08 00 00 00 00", ChunkHex(2, 1, 2));  // the type code sword
    EXPECT_EQ("16 10 00 00 00 00 00 00 00 00", ChunkHex(2, 1, 22));  // Reserved
}

TEST_F(ItemBuild, WeaponDamageIsScaledAndSpreadFromTheMinimum) {
    const std::vector<Column> columns = {{"Name", ""}, {"Weapon", "Type"}, {"Weapon", "Damage Min"},
                                         {"Weapon", "Damage Max"}, {"Damage proportions", "Piercing"},
                                         {"Damage proportions", "Slashing"}};
    BuildWeapons(TableOf(columns, {{"A", "axe", "10", "25", "50%"}, {"B", "axe"}}));
    ASSERT_EQ(2u, m_db.m_weapons.size());
    EXPECT_EQ(1.0f, m_db.m_weapons[0].DamageMin);
    EXPECT_EQ(1.5f, m_db.m_weapons[0].DamageSpread);
    EXPECT_EQ(50.0f * 0.01f, m_db.m_weapons[0].DamageProportions.values[0]);
    EXPECT_EQ(HexOf(-1.0f * 0.1f), HexOf(m_db.m_weapons[1].DamageMin));  // CD CC CC BD
    EXPECT_EQ(HexOf(0.0f), HexOf(m_db.m_weapons[1].DamageSpread));
    for (float f : m_db.m_weapons[1].DamageProportions.values) EXPECT_EQ(MINUS_HUNDREDTH, HexOf(f));
    EXPECT_EQ(-1.0f, m_db.m_weapons[1].Range);
}

TEST_F(ItemBuild, WeaponListsSetSkillsAttackAndDefence) {
    const std::vector<Column> columns = {{"Name", ""}, {"Weapon", "Type"}, {"Lists", ""}};
    BuildWeapons(TableOf(columns, {{"A", "bow", "defence 1, tame 4, attack 2.5, melee 3"},
                                   {"B", "bow", "attack"},
                                   {"C", "bow", "Attack x, DEFENCE 2, attack 1e1"}}));
    ASSERT_EQ(3u, m_db.m_weapons.size());
    const SWeapon& a = m_db.m_weapons[0];
    EXPECT_EQ(3, a.Skills.SkillLevels[0]);
    EXPECT_EQ(4, a.Skills.ExtraSkillLevels[2]);
    EXPECT_EQ(2.5f, a.Attack);
    EXPECT_EQ(1.0f, a.Defence);
    EXPECT_EQ(0.0f, m_db.m_weapons[1].Attack);  // no space, no value
    EXPECT_EQ(10.0f, m_db.m_weapons[2].Attack);  // the later entry wins
    EXPECT_EQ(2.0f, m_db.m_weapons[2].Defence);
}

// A spreadsheet wraps a cell with commas in quotes; the list must survive it.
TEST_F(ItemBuild, QuotedListCellReadsAsTheSameList) {
    const std::vector<Column> columns = {{"Name", ""}, {"Weapon", "Type"}, {"Lists", ""}};
    BuildWeapons(TableOf(columns, {{"A", "bow", "defence 1, melee 3, attack 2.5"},
                                   {"B", "bow", "\"defence 1, melee 3, attack 2.5\""},
                                   {"C", "bow", "\"attack 4\""}}));
    ASSERT_EQ(3u, m_db.m_weapons.size());
    for (const SWeapon* pWeapon : {&m_db.m_weapons[0], &m_db.m_weapons[1]}) {
        EXPECT_EQ(3, pWeapon->Skills.SkillLevels[0]) << pWeapon->Name;
        EXPECT_EQ(2.5f, pWeapon->Attack) << pWeapon->Name;
        EXPECT_EQ(1.0f, pWeapon->Defence) << pWeapon->Name;
    }
    EXPECT_EQ(4.0f, m_db.m_weapons[2].Attack);  // one element, quoted or not
}

TEST_F(ItemBuild, WeaponTypeIsLowercasedAndUnknownTypesAreReportedOncePerRecord) {
    const std::vector<Column> columns = {{"Name", ""}, {"Weapon", "Type"}, {"Weapon", "Material Type"}};
    BuildWeapons(TableOf(columns, {{"A", "Bow", "Yew"}, {"B", "Longbow"}, {"C"}}));
    ASSERT_EQ(3u, m_db.m_weapons.size());
    EXPECT_EQ("bow", m_db.m_weapons[0].TypeName);
    EXPECT_EQ(5, m_db.m_weapons[0].TypeCode);
    EXPECT_EQ("Yew", m_db.m_weapons[0].MaterialName);  // as written
    EXPECT_EQ(7, m_db.m_weapons[1].TypeCode);
    EXPECT_EQ("none", m_db.m_weapons[2].MaterialName);
    EXPECT_EQ((std::vector<std::string>{"Unknown weapon name: \"longbow\".\nin \"Weapons.txt\", row \"B\".\n",
                                        "Unknown weapon name: empty.\nin \"Weapons.txt\", row \"C\".\n"}),
              m_reports.Reports());
}

// ---- Armors ---------------------------------------------------------------------------------

TEST_F(ItemBuild, ArmorWithOnlyMainAbsorptionStoresBothProtectionBlocks) {
    BuildArmors(TableOf({{"Name", ""}, {"Main", "Absorption"}}, {{"Vest", "50"}}));
    std::string strMinusHundredths;
    for (int i = 0; i < 7; ++i) strMinusHundredths += " 0A D7 23 BC";
    EXPECT_EQ("15 48 00 00 A0 40" + strMinusHundredths + " 00 00 00 00", ChunkHex(3, 1, 21));
    EXPECT_EQ("16 48 CD CC CC BD" + strMinusHundredths + " 00 00 00 00", ChunkHex(3, 1, 22));
    EXPECT_EQ((std::vector<std::string>{"Unknown armor name: empty.\nin \"Armors.txt\", row \"Vest\".\n"}),
              m_reports.Reports());
}

TEST_F(ItemBuild, ArmorValuesCrippledMasksAndWounds) {
    const std::vector<Column> columns = {
        {"Name", ""},           {"Armor", "Type"},          {"Armor", "Material Type"},
        {"Main", "Piercing"},   {"Main", "Crippled"},       {"Additional", "Piercing"},
        {"Additional", "Crippled"}, {"Graphics Data", "Apply Wounds"}, {"Graphics Data", "Wear Order"}};
    BuildArmors(TableOf(columns, {{"A", "Helm", "Leather", "", "0, 3, 3", "25", "2", "", "4"},
                                  {"B", "GLOVES", "", "", "33", "", "", "0"},
                                  {"C", "helm", "", "", "1", "", "2", "-1"}}));
    ASSERT_EQ(3u, m_db.m_armors.size());
    const SArmor& a = m_db.m_armors[0];
    EXPECT_EQ("helm", a.TypeName);
    EXPECT_EQ(0, a.TypeCode);
    EXPECT_EQ("Leather", a.MaterialName);
    EXPECT_EQ(9u, a.MainProtection.CrippledMask);
    EXPECT_EQ(25.0f * 0.01f, a.AdditionalProtection.Damage.values[0]);
    EXPECT_EQ(4u, a.AdditionalProtection.CrippledMask);
    EXPECT_TRUE(a.ApplyWounds);  // absent
    EXPECT_EQ(4, a.WearOrder);
    EXPECT_EQ(6, m_db.m_armors[1].TypeCode);
    EXPECT_EQ(2u, m_db.m_armors[1].MainProtection.CrippledMask);
    EXPECT_FALSE(m_db.m_armors[1].ApplyWounds);
    EXPECT_EQ(2u, m_db.m_armors[2].MainProtection.CrippledMask);
    EXPECT_TRUE(m_db.m_armors[2].ApplyWounds);
    EXPECT_TRUE(m_reports.Reports().empty());
}

TEST_F(ItemBuild, ArmorListsSetSkillsButNotWeaponKeywords) {
    BuildArmors(TableOf({{"Name", ""}, {"Armor", "Type"}, {"Lists", ""}},
                        {{"A", "boots", "melee 5, Stealing 3, archery, flying 7, attack 5"},
                         {"B", "boots", "melee 300"}}));
    ASSERT_EQ(2u, m_db.m_armors.size());
    EXPECT_EQ("1A 10 05 00 00 00 00 00 00 00", ChunkHex(3, 1, 26));
    EXPECT_EQ("19 06 00 03 00", ChunkHex(3, 1, 25));
    EXPECT_EQ(44, m_db.m_armors[1].Skills.SkillLevels[0]);
}

// ---- Quick items ----------------------------------------------------------------------------

TEST_F(ItemBuild, QuickItemWithOnlyANameTakesItsDefaultsSilently) {
    BuildQuickItems(TableOf({{"Name", ""}, {"Quick Items", "Type"}}, {{"Thing"}}));
    ASSERT_EQ(1u, m_db.m_quickItems.size());
    const SQuickItem& item = m_db.m_quickItems[0];
    EXPECT_EQ("none", item.TypeName);
    EXPECT_EQ(INVALID_CODE, item.QuickType);
    EXPECT_EQ("none", item.MaterialName);
    EXPECT_EQ(0, item.Skill);
    EXPECT_EQ(0.0f, item.Damage);
    EXPECT_EQ(0, item.DamageType);  // piercing
    EXPECT_EQ("", item.Spell);
    EXPECT_EQ("19 02 00", ChunkHex(4, 1, 25));
    EXPECT_TRUE(m_reports.Reports().empty());
}

TEST_F(ItemBuild, QuickItemTypesDamageAndSkills) {
    const std::vector<Column> columns = {
        {"Name", ""},         {"Quick Items", "Type"},        {"Quick Items", "Damage"},
        {"Quick Items", "Damage Type"}, {"Quick Items", "Spell"}, {"Lists", ""}};
    BuildQuickItems(TableOf(columns, {{"A", "Wand", "12.5", "Electric", "Spark", "tame 2, awareness 4, defence 3"},
                                      {"B", "SCROLL", "", "fire"}}));
    ASSERT_EQ(2u, m_db.m_quickItems.size());
    const SQuickItem& a = m_db.m_quickItems[0];
    EXPECT_EQ("wand", a.TypeName);
    EXPECT_EQ(5, a.QuickType);
    EXPECT_EQ(12.5f, a.Damage);  // not scaled
    EXPECT_EQ(5, a.DamageType);
    EXPECT_EQ("Spark", a.Spell);
    EXPECT_EQ("1A 06 00 00 02", ChunkHex(4, 1, 26));
    EXPECT_EQ("1B 10 00 00 00 00 00 00 00 04", ChunkHex(4, 1, 27));
    EXPECT_EQ(8, m_db.m_quickItems[1].QuickType);
    EXPECT_EQ(6, m_db.m_quickItems[1].DamageType);
}

// ---- Quest items ----------------------------------------------------------------------------

TEST_F(ItemBuild, QuestZonesAreStoredAsNestedStringChunks) {
    const std::vector<Column> columns = {{"Name", ""}, {"Quest Items", "ScriptID"}, {"Quest Items", "Zones"}};
    BuildQuestItems(TableOf(columns, {{"Seal", "1001", "a, b"}, {"Key", "", "Castle, castle, Castle"}, {"Doll"}}));
    ASSERT_EQ(3u, m_db.m_questItems.size());
    EXPECT_EQ("16 10 01 04 61 00 01 04 62 00", ChunkHex(5, 1, 22));
    EXPECT_EQ("15 08 E9 03 00 00", ChunkHex(5, 1, 21));
    EXPECT_EQ((std::vector<std::string>{"Castle", "castle", "Castle"}), m_db.m_questItems[1].QuestZones);
    EXPECT_EQ("16 00", ChunkHex(5, 3, 22));
    EXPECT_EQ("", m_db.m_questItems[2].TypeName);
    EXPECT_EQ("", m_db.m_questItems[2].MaterialName);
}

// ---- Loot items -----------------------------------------------------------------------------

TEST_F(ItemBuild, LootTypesInstructionTypesAndMaterials) {
    const std::vector<Column> columns = {{"Name", ""}, {"Loot", "Type"}, {"Loot", "Material"},
                                         {"Loot", "Scrap Material"}};
    BuildLootItems(TableOf(columns, {{"Trinket"},
                                     {"Rune", "Treasure", "5", "Crystal"},
                                     {"Instruction Quick Item", "INSTRUCTION", "2"},
                                     {"Rune of Fire", "junk", "-2147483648"}}));
    ASSERT_EQ(4u, m_db.m_lootItems.size());
    const SLootItem& trinket = m_db.m_lootItems[0];
    EXPECT_EQ("none", trinket.TypeName);
    EXPECT_EQ(INVALID_CODE, trinket.LootType);
    EXPECT_EQ(INVALID_CODE, trinket.InstructionType);
    EXPECT_EQ(-3, trinket.LootMaterial);
    EXPECT_EQ("", trinket.MaterialName);  // not "none"
    EXPECT_EQ("treasure", m_db.m_lootItems[1].TypeName);
    EXPECT_EQ(0, m_db.m_lootItems[1].LootType);
    EXPECT_EQ(4, m_db.m_lootItems[1].InstructionType);
    EXPECT_EQ(2, m_db.m_lootItems[1].LootMaterial);
    EXPECT_EQ("Crystal", m_db.m_lootItems[1].MaterialName);
    EXPECT_EQ(2, m_db.m_lootItems[2].LootType);
    EXPECT_EQ(2, m_db.m_lootItems[2].InstructionType);
    EXPECT_EQ(-1, m_db.m_lootItems[2].LootMaterial);
    EXPECT_EQ(INVALID_CODE, m_db.m_lootItems[3].LootType);
    EXPECT_EQ(INVALID_CODE, m_db.m_lootItems[3].InstructionType);
    EXPECT_EQ(2147483645, m_db.m_lootItems[3].LootMaterial);  // wraps in 32 bits
    EXPECT_EQ("17 08 FD FF FF FF", ChunkHex(6, 1, 23));
}
