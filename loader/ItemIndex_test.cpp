// Lookups by name, materials by index, the named codes and the load from
// memory, each against the golden database built from the example tables.
#include "marrow/ItemIndex.h"

#include <gtest/gtest.h>

#include <string>

#include "marrow/Codes.h"
#include "marrow/Loader.h"
#include "testsupport/TestUtil.h"

namespace {
using namespace marrow;
using testutil::ReadFile;

class ItemIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(LoadItemDatabase(MARROW_GOLDEN_IDB, m_lists));
        ASSERT_TRUE(m_index.Build(m_lists));
    }
    SItemLists m_lists;
    CItemIndex m_index;
};

TEST_F(ItemIndexTest, EveryRecordIsFoundByItsNameInAnyAsciiCase) {
    auto upper = [](std::string str) {
        for (char& c : str)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        return str;
    };
    for (const SMaterial& m : m_lists.m_materials)
        EXPECT_EQ(&m, m_index.FindMaterial(upper(m.Name)));
    for (const SWeapon& w : m_lists.m_weapons) EXPECT_EQ(&w, m_index.FindWeapon(upper(w.Name)));
    for (const SArmor& a : m_lists.m_armors) EXPECT_EQ(&a, m_index.FindArmor(upper(a.Name)));
    for (const SQuickItem& q : m_lists.m_quickItems)
        EXPECT_EQ(&q, m_index.FindQuickItem(upper(q.Name)));
    for (const SQuestItem& q : m_lists.m_questItems)
        EXPECT_EQ(&q, m_index.FindQuestItem(upper(q.Name)));
    for (const SLootItem& l : m_lists.m_lootItems)
        EXPECT_EQ(&l, m_index.FindLootItem(upper(l.Name)));
}

TEST_F(ItemIndexTest, NamesMatchWholeAndOnlyAsciiLettersFold) {
    ASSERT_NE(nullptr, m_index.FindWeapon("Long Sword"));
    EXPECT_EQ("long sword", m_index.FindWeapon("Long Sword")->Name);
    EXPECT_EQ(nullptr, m_index.FindWeapon("Long Sword "));
    EXPECT_EQ(nullptr, m_index.FindWeapon("long"));
    EXPECT_EQ(nullptr, m_index.FindWeapon(""));
    EXPECT_EQ(nullptr, m_index.FindArmor("Long Sword"));  // each list is its own
    EXPECT_TRUE(SameName("Iron", "iRON"));
    EXPECT_FALSE(SameName("\xC3\x89p\xC3\xA9\x65",
                          "\xC3\xA9p\xC3\xA9\x65"));  // no fold beyond ASCII
}

TEST_F(ItemIndexTest, ItemMaterialIsThePositionOfTheMaterialNamedInAnyCase) {
    const SWeapon* pSword = m_index.FindWeapon("long sword");
    ASSERT_NE(nullptr, pSword);
    ASSERT_EQ("Steel", pSword->MaterialName);
    const auto nSteel = m_index.MaterialIndexOf(*pSword);
    ASSERT_TRUE(nSteel.has_value());
    EXPECT_EQ("steel", m_lists.m_materials[*nSteel].Name);
    EXPECT_EQ(static_cast<std::int32_t>(*nSteel), m_lists.m_materials[*nSteel].Index);
    SWeapon unknown = *pSword;
    unknown.MaterialName = "none";
    EXPECT_FALSE(m_index.MaterialIndexOf(unknown).has_value());
}

TEST_F(ItemIndexTest, ListChangedAfterBuildNeverYieldsAnotherRecord) {
    const std::string strName = m_lists.m_weapons.back().Name;
    m_lists.m_weapons.pop_back();  // the index still holds its position
    EXPECT_EQ(nullptr, m_index.FindWeapon(strName));
    m_lists.m_weapons.front().Name = "renamed";
    EXPECT_EQ(nullptr,
              m_index.FindWeapon("renamed"));  // found again after the next Build
    ASSERT_TRUE(m_index.Build(m_lists));
    EXPECT_EQ(&m_lists.m_weapons.front(), m_index.FindWeapon("RENAMED"));
}

TEST(ItemIndex, FirstOfTwoRecordsWithOneNameIsFound) {
    SItemLists lists;
    lists.m_armors.resize(3);
    lists.m_armors[0].Name = "cap";
    lists.m_armors[1].Name = "hood";
    lists.m_armors[2].Name = "hood";
    CItemIndex index(lists);
    EXPECT_EQ(&lists.m_armors[1], index.FindArmor("Hood"));
    EXPECT_EQ(nullptr, CItemIndex().FindArmor("hood"));  // never built
}

TEST_F(ItemIndexTest, NamedCodesReadTheGoldenRecords) {
    const SWeapon* pBow = m_index.FindWeapon("long bow");
    ASSERT_NE(nullptr, pBow);
    EXPECT_EQ(EWeaponType::Bow, WeaponType(*pBow));
    EXPECT_EQ(EWeaponType::Crossbow, WeaponType(*m_index.FindWeapon("heavy crossbow")));
    EXPECT_EQ(EArmorType::Helm, ArmorType(*m_index.FindArmor("iron helm")));
    SWeapon odd = *pBow;
    odd.TypeCode = 7;
    EXPECT_EQ(EWeaponType::Unknown, WeaponType(odd));
    odd.TypeCode = -1;
    EXPECT_EQ(EWeaponType::Unknown, WeaponType(odd));
    EXPECT_EQ(INVALID_CODE, static_cast<std::int32_t>(EQuickItemType::Unknown));
    EXPECT_EQ(INVALID_CODE, static_cast<std::int32_t>(ELootType::Unknown));
    EXPECT_EQ(INVALID_CODE, static_cast<std::int32_t>(EInstructionType::Unknown));
}

TEST_F(ItemIndexTest, EveryStoredCodeHasItsName) {
    // Each code a golden record holds reads back as the same number through its
    // name.
    for (const SQuickItem& item : m_lists.m_quickItems) {
        EXPECT_EQ(item.QuickType, static_cast<std::int32_t>(QuickItemType(item))) << item.Name;
        EXPECT_EQ(item.DamageType, static_cast<std::int32_t>(DamageType(item))) << item.Name;
    }
    for (const SLootItem& item : m_lists.m_lootItems) {
        EXPECT_EQ(item.LootType, static_cast<std::int32_t>(LootType(item))) << item.Name;
        EXPECT_EQ(item.InstructionType, static_cast<std::int32_t>(InstructionType(item)))
            << item.Name;
    }
    for (const SArmor& armor : m_lists.m_armors)
        EXPECT_EQ(armor.TypeCode, static_cast<std::int32_t>(ArmorType(armor))) << armor.Name;
}

TEST(Codes, ShopBitsAndSkillPositionsFollowTheFormat) {
    EXPECT_EQ(9u, ShopBit(1) | ShopBit(4));  // shops 1 and 4 give the mask 9
    EXPECT_EQ(0u, ShopBit(0));
    EXPECT_EQ(0u, ShopBit(6));
    EXPECT_TRUE(InShop(6, 2));
    EXPECT_FALSE(InShop(6, 1));
    SSkillBlock skills;
    skills.SkillLevels[7] = 5;
    skills.ExtraSkillLevels[2] = 3;
    EXPECT_EQ(5, SkillLevel(skills, ESkill::Awareness));
    EXPECT_EQ(3, SkillLevel(skills, EExtraSkill::Tame));
    DamageBlock block;
    block.values[6] = 2.5f;
    EXPECT_EQ(2.5f, DamageValue(block, EDamageType::General));
}

TEST(LoadFromMemory, GivesTheListsOfTheSameFile) {
    const std::string strBytes = ReadFile(MARROW_GOLDEN_IDB);
    SItemLists fromPath, fromMemory;
    ASSERT_TRUE(LoadItemDatabase(MARROW_GOLDEN_IDB, fromPath));
    ASSERT_TRUE(LoadItemDatabase(strBytes.data(), strBytes.size(), fromMemory));
    ASSERT_EQ(fromPath.m_weapons.size(), fromMemory.m_weapons.size());
    for (std::size_t i = 0; i < fromPath.m_weapons.size(); ++i)
        EXPECT_EQ(fromPath.m_weapons[i].Name, fromMemory.m_weapons[i].Name);
    EXPECT_EQ(fromPath.m_lootItems.size(), fromMemory.m_lootItems.size());
}

TEST(LoadFromMemory, CutBytesAreDamagedAndNothingIsEmptyFile) {
    const std::string strBytes = ReadFile(MARROW_GOLDEN_IDB);
    SItemLists lists;
    // A buffer of exactly the first half: any read past it would be caught by the
    // sanitizers.
    const std::string strHalf = strBytes.substr(0, strBytes.size() / 2);
    const SLoadResult cut = LoadItemDatabase(strHalf.data(), strHalf.size(), lists);
    EXPECT_EQ(ELoadStatus::Damaged, cut.Status);
    EXPECT_LE(cut.Offset, strHalf.size());
    EXPECT_EQ(ELoadStatus::NotItemDatabase, LoadItemDatabase(nullptr, 0, lists).Status);
    const SLoadResult null = LoadItemDatabase(nullptr, 10, lists);
    EXPECT_EQ(ELoadStatus::CannotOpen, null.Status);
    EXPECT_EQ("no bytes at a null pointer", null.Reason);
}

TEST(Version, HeaderAndLibraryAgree) {
    EXPECT_STREQ(MARROW_VERSION, LoaderVersion());
    EXPECT_EQ(std::to_string(MARROW_VERSION_MAJOR) + "." + std::to_string(MARROW_VERSION_MINOR) +
                  "." + std::to_string(MARROW_VERSION_PATCH),
              MARROW_VERSION);
}
}  // namespace
