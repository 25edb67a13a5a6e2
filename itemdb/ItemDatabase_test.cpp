#include "itemdb/ItemDatabase.h"

#include <cstring>
#include <iterator>

#include "errors/ErrorReport.h"
#include "itemdb/BuildTestFixture.h"
#include "itemdb/Columns.h"
#include "loader/ItemKinds.h"

namespace fs = std::filesystem;

namespace {
const std::vector<Column> WEAPON_COLUMNS = {{"Name", ""}, {"Weapon", "Type"}, {"Weapon", "Range"}};

using testutil::ConversionScript;
const std::string COPY_PREPARED = ConversionScript("cp prepared.reg tempreg.reg; exit 0",
                                         "copy /y prepared.reg tempreg.reg >nul");

template <class T>
bool SameBytes(const T& a, const T& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameCommon(const SItemCommon& a, const SItemCommon& b) {
    EXPECT_EQ(a.Name, b.Name);
    EXPECT_EQ(a.TypeName, b.TypeName);
    EXPECT_EQ(a.TypeCode, b.TypeCode) << a.Name;
    EXPECT_EQ(a.MaterialName, b.MaterialName);
    EXPECT_EQ(a.MaterialCode, b.MaterialCode);
    EXPECT_EQ(a.TextureIndex, b.TextureIndex);
    EXPECT_EQ(a.TextureIndex2, b.TextureIndex2);
    EXPECT_TRUE(SameBytes(a.Price, b.Price) && SameBytes(a.Weight, b.Weight) &&
                SameBytes(a.Size, b.Size) && SameBytes(a.Mana, b.Mana) &&
                SameBytes(a.Durability, b.Durability))
        << a.Name;
    EXPECT_EQ(a.Slots, b.Slots);
    EXPECT_EQ(a.Components, b.Components);
    EXPECT_EQ(a.ShopMask, b.ShopMask);
    EXPECT_EQ(a.Deconstructable, b.Deconstructable);
}
}  // namespace

using DatabaseBuild = BuildTest;

TEST_F(DatabaseBuild, ProgressShowsOneDotPerRecordAndTemporaryFilesAreRemoved) {
    EXPECT_EQ("Building weapons list:..\n",
              BuildWeapons(TableOf(WEAPON_COLUMNS, {{"Sword", "sword"}, {"Axe", "axe"}})));
    EXPECT_TRUE(m_bBuilt);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.ini"));
    EXPECT_FALSE(fs::exists(m_dir.Path() / "tempreg.reg"));
}

TEST_F(DatabaseBuild, EmptyLinesAreSkippedAndRepeatedRowNamesKeepTheFirstRow) {
    const std::string strTable = HeaderOf(WEAPON_COLUMNS) + RowOf(WEAPON_COLUMNS, {"Sword", "sword", "1"}) +
                                 "\n\r\n" + RowOf(WEAPON_COLUMNS, {"SWORD", "axe", "2"}) +
                                 RowOf(WEAPON_COLUMNS, {"Axe", "axe", "3"});
    EXPECT_EQ("Building weapons list:\"Weapons.txt\": row \"SWORD\" repeats an earlier row name and "
              "is skipped.\n..\n",
              BuildWeapons(strTable));
    ASSERT_EQ(2u, m_db.m_weapons.size());
    EXPECT_EQ(1.0f, m_db.m_weapons[0].Range);
    EXPECT_EQ("axe", m_db.m_weapons[1].Name);
    EXPECT_EQ(3.0f, m_db.m_weapons[1].Range);
}

TEST_F(DatabaseBuild, MissingScriptStopsTheBuilderWithItsCause) {
    fs::remove(m_dir.Path() / "Ini2Reg.bat");
    const std::string strOutput = BuildWeapons(TableOf(WEAPON_COLUMNS, {{"Sword", "sword"}}));
    EXPECT_EQ("Building weapons list:Can't start Ini2Reg.bat for \"Weapons.txt\": not found beside "
              "Marrow, in the current folder or on PATH.\n",
              strOutput);
    EXPECT_FALSE(m_bBuilt);
    EXPECT_TRUE(m_db.m_weapons.empty());
    EXPECT_EQ(std::vector<std::string>{"Weapons.txt"}, m_db.GetUnconvertedTables());
}

TEST_F(DatabaseBuild, ScriptThatFailsWithoutOutputIsReportedWithItsExitStatus) {
    testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat", ConversionScript("exit 3", "exit /b 3"));
    EXPECT_EQ("Building weapons list:Ini2Reg.bat left no tempreg.reg for \"Weapons.txt\" (exit status 3).\n",
              BuildWeapons(TableOf(WEAPON_COLUMNS, {{"Sword", "sword"}})));
    EXPECT_FALSE(m_bBuilt);
    EXPECT_TRUE(fs::exists(m_dir.Path() / "tempreg.ini"));  // left for a person to look at
}

TEST_F(DatabaseBuild, UnusableRegistryFilesAreReportedAndBuildNothing) {
    testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat", COPY_PREPARED);
    const std::string strTable = TableOf(WEAPON_COLUMNS, {{"Sword", "sword"}});
    testutil::WriteFile(m_dir.Path() / "prepared.reg", "not a registry file");
    EXPECT_EQ("Building weapons list:Ini2Reg.bat left a tempreg.reg for \"Weapons.txt\" that is no "
              "registry file.\n",
              BuildWeapons(strTable));
    testutil::WriteFile(m_dir.Path() / "prepared.reg", "");
    BuildWeapons(strTable);
    EXPECT_EQ(std::vector<std::string>{"CMappedFile::Open().\nUnable to create file mapping.\n"},
              m_reports.Reports());
    // A valid file cut short: the header and slots are there, the section record is not.
    testutil::WriteFile(m_dir.Path() / "prepared.reg",
                        testutil::Unhex("FB 3E AB 45 01 00 FF FF 0C 00 00 00 01 00 05 00 53 77"));
    const std::string strOutput = BuildWeapons(strTable);
    EXPECT_EQ(0u, strOutput.rfind("Building weapons list:Ini2Reg.bat left a damaged tempreg.reg for "
                                  "\"Weapons.txt\" (at byte ", 0));
    EXPECT_FALSE(m_bBuilt);
    EXPECT_TRUE(m_db.m_weapons.empty());
}

TEST_F(DatabaseBuild, SectionsWithEmptyNamesAreSkippedWithoutADot) {
    testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat", COPY_PREPARED);
    const std::string strIni =
        "[]\nName=ghost\nSortOrderID=0\n[Iron]\nName=Iron\nSortOrderID=1\n[Wood]\nSortOrderID=2\n";
    testutil::WriteFile(m_dir.Path() / "prepared.ini", strIni);
    int nExitCode = -1;
    ASSERT_TRUE(platform::RunProgram({testutil::Ini2RegPath(), "prepared.ini"}, m_dir.Path().string().c_str(),
                                     (m_dir / "out.txt").c_str(), nullptr, nExitCode));
    EXPECT_EQ("Building materials list:..\n", BuildMaterials(TableOf({{"Name", ""}}, {{"x"}})));
    ASSERT_EQ(2u, m_db.m_materials.size());
    EXPECT_EQ("iron", m_db.m_materials[0].Name);
    EXPECT_EQ(1, m_db.m_materials[1].Index);
}

TEST_F(DatabaseBuild, NineUnknownWeaponNamesAreReportedAndTheDatabaseIsSaved) {
    std::vector<Row> rows;
    for (int i = 0; i < 9; ++i) rows.push_back({"W" + std::to_string(i), "club"});
    BuildWeapons(TableOf(WEAPON_COLUMNS, rows));
    EXPECT_EQ(9u, m_reports.Reports().size());
    EXPECT_EQ(9u, m_db.m_weapons.size());
    EXPECT_FALSE(Saved().empty());
}

// The run ends in the row of the tenth error (the driver stops it, before the save): the builder
// stops after that row's dot and prints nothing more, not even the line's end.
TEST_F(DatabaseBuild, TenthUnknownWeaponNameStopsTheBuilderAfterItsRow) {
    std::vector<Row> rows;
    for (int i = 0; i < 12; ++i) rows.push_back({"W" + std::to_string(i), "club"});
    EXPECT_EQ("Building weapons list:" + std::string(10, '.'),
              BuildWeapons(TableOf(WEAPON_COLUMNS, rows)));
    EXPECT_FALSE(m_bBuilt);
    EXPECT_TRUE(ErrorLimitReached());
    EXPECT_EQ(10u, m_reports.Reports().size());
    EXPECT_EQ(10u, m_db.m_weapons.size());
    EXPECT_FALSE(fs::exists(m_dir.Path() / "items.idb"));
}

// The mapping of tempreg.reg reports its own failure; when that is the tenth error the run ends
// with it, and the builder adds no line of its own.
TEST_F(DatabaseBuild, TenthErrorFromMappingTheRegistryEndsTheBuilderWithoutALine) {
    testutil::WriteFile(m_dir.Path() / "Ini2Reg.bat", COPY_PREPARED);
    testutil::WriteFile(m_dir.Path() / "prepared.reg", "");
    for (int i = 0; i < MAX_ERRORS - 1; ++i) ReportError("error %d\n", i);
    EXPECT_EQ("Building weapons list:", BuildWeapons(TableOf(WEAPON_COLUMNS, {{"Sword", "sword"}})));
    EXPECT_FALSE(m_bBuilt);
    EXPECT_TRUE(ErrorLimitReached());
    ASSERT_EQ(10u, m_reports.Reports().size());
    EXPECT_EQ("CMappedFile::Open().\nUnable to create file mapping.\n", m_reports.Reports().back());
}

// The build table and the loader's kinds are two halves of one table, matched by position: each
// builder fills the list that the loader's entry at its position names, and only that list, and
// prints the heading of its kind.
TEST_F(DatabaseBuild, EachKindsBuilderFillsTheListOfTheLoadersKindAtItsPosition) {
    // The headings as the kinds' declarations word them, in build order.
#define MARROW_HEADING_OF(record, singular, plural, LIST_NAME, member, id, name, words, ...) \
    "Building " words " list:",
    const char* const HEADINGS[] = {MARROW_ITEM_KINDS(MARROW_HEADING_OF)};
#undef MARROW_HEADING_OF
    ASSERT_EQ(std::size(HEADINGS), AllKinds().size());
    for (std::size_t k = 0; k < AllKinds().size(); ++k) {
        const SKindColumns& kind = AllKinds()[k];
        fs::copy_file(testutil::ExamplesDir() / kind.pszTable, m_dir.Path() / kind.pszTable);
        CItemDatabase database;
        testing::internal::CaptureStdout();
        EXPECT_TRUE((database.*kind.pBuild)(kind.pszTable)) << kind.pszTable;
        EXPECT_EQ(0u, testing::internal::GetCapturedStdout().rfind(HEADINGS[k], 0)) << k;
        std::size_t nList = 0;
        ForEachKind([&](const auto& entry) {
            EXPECT_EQ(nList == k, !(database.*entry.pList).empty()) << kind.pszTable;
            EXPECT_EQ(nList + 1, entry.nListId);
            ++nList;
        });
    }
}

TEST_F(DatabaseBuild, ExampleDatabaseLoadsBackFieldForField) {
    for (const SKindColumns& kind : AllKinds())
        fs::copy_file(testutil::ExamplesDir() / kind.pszTable, m_dir.Path() / kind.pszTable);
    testing::internal::CaptureStdout();
    for (const SKindColumns& kind : AllKinds()) (m_db.*kind.pBuild)(kind.pszTable);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(m_reports.Reports().empty());
    const std::string strSaved = Saved();

    CItemDatabase loaded;
    ASSERT_TRUE(loaded.Load((m_dir / "items.idb").c_str()));
    ASSERT_EQ(m_db.m_materials.size(), loaded.m_materials.size());
    for (size_t i = 0; i < loaded.m_materials.size(); ++i) {
        const SMaterial &a = m_db.m_materials[i], &b = loaded.m_materials[i];
        EXPECT_EQ(a.Name, b.Name);
        EXPECT_EQ(a.MaterialType, b.MaterialType);
        EXPECT_EQ(a.CodeName, b.CodeName);
        EXPECT_EQ(a.Index, b.Index);
        EXPECT_TRUE(SameBytes(a.Price, b.Price) && SameBytes(a.Weight, b.Weight) &&
                    SameBytes(a.Mana, b.Mana) && SameBytes(a.Durability, b.Durability) &&
                    SameBytes(a.Damage, b.Damage) && SameBytes(a.Absorption, b.Absorption));
        EXPECT_EQ(a.Slots, b.Slots);
        EXPECT_EQ(a.Skill, b.Skill);
        EXPECT_EQ(a.CrippledMask, b.CrippledMask);
        EXPECT_EQ(a.ShopMask, b.ShopMask);
    }
    ASSERT_EQ(m_db.m_weapons.size(), loaded.m_weapons.size());
    for (size_t i = 0; i < loaded.m_weapons.size(); ++i) {
        const SWeapon &a = m_db.m_weapons[i], &b = loaded.m_weapons[i];
        ExpectSameCommon(a, b);
        EXPECT_EQ(a.Actions, b.Actions);
        EXPECT_TRUE(SameBytes(a.Reserved, b.Reserved) && SameBytes(a.Skills, b.Skills) &&
                    SameBytes(a.Attack, b.Attack) && SameBytes(a.Defence, b.Defence) &&
                    SameBytes(a.Range, b.Range) && SameBytes(a.DamageMin, b.DamageMin) &&
                    SameBytes(a.DamageSpread, b.DamageSpread) &&
                    SameBytes(a.DamageProportions, b.DamageProportions));
    }
    ASSERT_EQ(m_db.m_armors.size(), loaded.m_armors.size());
    for (size_t i = 0; i < loaded.m_armors.size(); ++i) {
        const SArmor &a = m_db.m_armors[i], &b = loaded.m_armors[i];
        ExpectSameCommon(a, b);
        EXPECT_TRUE(SameBytes(a.MainProtection, b.MainProtection) &&
                    SameBytes(a.AdditionalProtection, b.AdditionalProtection) &&
                    SameBytes(a.Skills, b.Skills));
        EXPECT_EQ(a.ApplyWounds, b.ApplyWounds);
        EXPECT_EQ(a.WearOrder, b.WearOrder);
    }
    ASSERT_EQ(m_db.m_quickItems.size(), loaded.m_quickItems.size());
    for (size_t i = 0; i < loaded.m_quickItems.size(); ++i) {
        const SQuickItem &a = m_db.m_quickItems[i], &b = loaded.m_quickItems[i];
        ExpectSameCommon(a, b);
        EXPECT_EQ(a.QuickType, b.QuickType);
        EXPECT_EQ(a.Skill, b.Skill);
        EXPECT_TRUE(SameBytes(a.Damage, b.Damage) && SameBytes(a.Skills, b.Skills));
        EXPECT_EQ(a.DamageType, b.DamageType);
        EXPECT_EQ(a.Spell, b.Spell);
    }
    ASSERT_EQ(m_db.m_questItems.size(), loaded.m_questItems.size());
    for (size_t i = 0; i < loaded.m_questItems.size(); ++i) {
        ExpectSameCommon(m_db.m_questItems[i], loaded.m_questItems[i]);
        EXPECT_EQ(m_db.m_questItems[i].ScriptID, loaded.m_questItems[i].ScriptID);
        EXPECT_EQ(m_db.m_questItems[i].QuestZones, loaded.m_questItems[i].QuestZones);
    }
    ASSERT_EQ(m_db.m_lootItems.size(), loaded.m_lootItems.size());
    for (size_t i = 0; i < loaded.m_lootItems.size(); ++i) {
        const SLootItem &a = m_db.m_lootItems[i], &b = loaded.m_lootItems[i];
        ExpectSameCommon(a, b);
        EXPECT_EQ(a.LootType, b.LootType);
        EXPECT_EQ(a.InstructionType, b.InstructionType);
        EXPECT_EQ(a.LootMaterial, b.LootMaterial);
    }
    // Saving what was loaded gives the same file again.
    const std::string strDirectory = m_dir.Path().string() + platform::PATH_SEPARATOR + "again";
    fs::create_directory(strDirectory);
    testing::internal::CaptureStdout();
    ASSERT_TRUE(loaded.Save((strDirectory + platform::PATH_SEPARATOR).c_str()));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(strSaved, testutil::ReadFile(fs::path(strDirectory) / "items.idb"));
}
