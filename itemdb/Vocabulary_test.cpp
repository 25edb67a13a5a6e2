#include "itemdb/Vocabulary.h"

#include <gtest/gtest.h>

#include <cmath>

#include "marrow/Codes.h"
#include "testsupport/TestUtil.h"

TEST(Vocabulary, WeaponNamesAreLowercasedInPlaceAndLookedUpWhole) {
    testutil::CReportCatcher catcher;
    std::string strName = "Sword";
    EXPECT_EQ(0, WeaponNameToCode(strName));
    EXPECT_EQ("sword", strName);
    strName = "CROSSBOW";
    EXPECT_EQ(6, WeaponNameToCode(strName));
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST(Vocabulary, UnknownWeaponAndArmorNamesAreReportedAndGiveSeven) {
    testutil::CReportCatcher catcher;
    std::string strTrailingBlank = "sword ", strEmpty, strArmor = "Cape";
    EXPECT_EQ(7, WeaponNameToCode(strTrailingBlank));
    EXPECT_EQ(7, WeaponNameToCode(strEmpty));
    EXPECT_EQ(7, ArmorNameToCode(strArmor));
    EXPECT_EQ((std::vector<std::string>{"Unknown weapon name: \"sword \".\n",
                                        "Unknown weapon name: \"\".\n",
                                        "Unknown armor name: \"cape\".\n"}),
              catcher.Reports());
}

TEST(Vocabulary, EachTableGivesItsCodesAndFallback) {
    struct SCase {
        std::int32_t (*pfnLookup)(std::string&);
        const char* pszText;
        std::int32_t nCode;
    };
    const SCase CASES[] = {
        {ArmorNameToCode, "Helm", 0},           {ArmorNameToCode, "GLOVES", 6},
        {QuickItemTypeToCode, "Wand", 5},       {QuickItemTypeToCode, "SCROLL", 8},
        {QuickItemTypeToCode, "bomb", INVALID_CODE},
        {LootTypeToCode, "Treasure", 0},        {LootTypeToCode, "INSTRUCTION", 2},
        {LootTypeToCode, "junk", INVALID_CODE}, {DamageTypeToCode, "Electric", 5},
        {DamageTypeToCode, "termal", 3},        {DamageTypeToCode, "fire", 6},
    };
    testutil::CReportCatcher catcher;
    for (const SCase& c : CASES) {
        std::string strText = c.pszText;
        EXPECT_EQ(c.nCode, c.pfnLookup(strText)) << c.pszText;
    }
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST(Vocabulary, InstructionTypesIgnoreCaseAndLeaveTheTextAlone) {
    for (const char* pszName : {"Instruction armor", "instruction armor", "INSTRUCTION ARMOR"}) {
        const std::string strName = pszName;
        EXPECT_EQ(1, InstructionTypeToCode(strName));
        EXPECT_EQ(pszName, strName);
    }
    EXPECT_EQ(4, InstructionTypeToCode("rune"));
    EXPECT_EQ(INVALID_CODE, InstructionTypeToCode("instruction"));
    std::string strInstruction = "instruction";
    EXPECT_EQ(2, LootTypeToCode(strInstruction));
    EXPECT_EQ(INVALID_CODE, InstructionTypeToCode("rune of fire"));
}

TEST(Vocabulary, SkillsAndExtraSkillsMapToTheirArrayPositions) {
    EXPECT_EQ(0, SkillNameToCode("melee"));
    EXPECT_EQ(7, SkillNameToCode("awareness"));
    EXPECT_EQ(INVALID_CODE, SkillNameToCode("Melee"));  // callers lowercase first
    EXPECT_EQ(0, ExtraSkillNameToCode("science"));
    EXPECT_EQ(1, ExtraSkillNameToCode("stealing"));
    EXPECT_EQ(2, ExtraSkillNameToCode("tame"));
    EXPECT_EQ(INVALID_CODE, ExtraSkillNameToCode("attack"));
}

TEST(Vocabulary, ListEntriesSplitAtTheFirstSpace) {
    std::string strName, strValue;
    EXPECT_TRUE(SplitListEntry("stealth   12  ", strName, strValue));
    EXPECT_EQ("stealth", strName);
    EXPECT_EQ("12", strValue);
    EXPECT_TRUE(SplitListEntry(" melee 3", strName, strValue));
    EXPECT_EQ("", strName);  // the leading space comes first
    EXPECT_EQ("melee 3", strValue);
    EXPECT_FALSE(SplitListEntry("melee", strName, strValue));
    EXPECT_FALSE(SplitListEntry("melee\t3", strName, strValue));  // only a space counts
}

TEST(Vocabulary, SkillListKeepsLowEightBitsAndTheLaterEntry) {
    SSkillBlock skills;
    ApplySkillList({"Melee 3", "stealth   12  ", "melee", " archery 9", "sense x", "tame 2",
                    "science 5", "astral 300", "elemental -1", "awareness 1", "awareness 4",
                    "flying 7"},
                   skills);
    const std::uint8_t EXPECTED_SKILLS[SKILL_COUNT] = {3, 0, 0, 255, 0, 44, 12, 4};
    const std::uint8_t EXPECTED_EXTRA[EXTRA_SKILL_COUNT] = {5, 0, 2};
    for (int i = 0; i < SKILL_COUNT; ++i) EXPECT_EQ(EXPECTED_SKILLS[i], skills.SkillLevels[i]) << i;
    for (int i = 0; i < EXTRA_SKILL_COUNT; ++i)
        EXPECT_EQ(EXPECTED_EXTRA[i], skills.ExtraSkillLevels[i]) << i;
}

TEST(Vocabulary, AtoiFormsSaturateAtThirtyTwoBits) {
    static const struct {
        const char* pszText;
        std::int32_t nValue;
    } CASES[] = {
        {"42", 42},        {"  -7x", -7},   {"+12", 12},   {"x12", 0},   {"", 0},
        {"3.9", 3},        {"0x10", 0},     {"\t\n 5", 5}, {"- 5", 0},   {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},        {"2147483647", INT32_MAX},   {"-2147483648", INT32_MIN},
    };
    for (const auto& c : CASES) EXPECT_EQ(c.nValue, ParseAtoi(c.pszText)) << c.pszText;
}

TEST(Vocabulary, AtofFormsAreDecimalOnly) {
    static const struct {
        const char* pszText;
        float fValue;
    } CASES[] = {
        {"2.5", 2.5f},   {" -1.25e1x", -12.5f}, {"1e", 1.0f},  {".5", 0.5f},     {"5.", 5.0f},
        {"x", 0.0f},     {"0x10", 0.0f},        {"inf", 0.0f}, {"nan", 0.0f},    {"1e-400", 0.0f},
        {"+3", 3.0f},    {"0.1", 0.1f},
    };
    for (const auto& c : CASES) EXPECT_EQ(c.fValue, ParseAtof(c.pszText)) << c.pszText;
    EXPECT_TRUE(std::isinf(ParseAtof("1e400")));
    EXPECT_TRUE(std::isinf(ParseAtof("1e39")));  // beyond single precision
}

// What a named-code accessor of marrow/Codes.h reads from a record whose member holds nCode.
template <class TRecord, class TMember, class TCode>
TCode NamedCode(TMember pMember, TCode (*pfnAccessor)(const TRecord&), std::int32_t nCode) {
    TRecord record;
    record.*pMember = nCode;
    return pfnAccessor(record);
}

// The game's named codes (marrow/Codes.h) and the builder's word lists give each code twice:
// each word list's last word must be the last named code, and the code after it Unknown.
TEST(Vocabulary, EveryWordListEndsWhereItsNamedCodesEnd) {
    using marrow::SArmor, marrow::SLootItem, marrow::SQuickItem, marrow::SWeapon;
    const auto count = [](EVocabulary vocabulary) {
        return static_cast<std::int32_t>(VocabularyWords(vocabulary).size());
    };
    const auto weapon = [](std::int32_t n) {
        return NamedCode(&SWeapon::TypeCode, marrow::WeaponType, n);
    };
    const auto armor = [](std::int32_t n) {
        return NamedCode(&SArmor::TypeCode, marrow::ArmorType, n);
    };
    const auto quick = [](std::int32_t n) {
        return NamedCode(&SQuickItem::QuickType, marrow::QuickItemType, n);
    };
    const auto damage = [](std::int32_t n) {
        return NamedCode(&SQuickItem::DamageType, marrow::DamageType, n);
    };
    const auto loot = [](std::int32_t n) {
        return NamedCode(&SLootItem::LootType, marrow::LootType, n);
    };
    const auto instruction = [](std::int32_t n) {
        return NamedCode(&SLootItem::InstructionType, marrow::InstructionType, n);
    };
    using marrow::EArmorType, marrow::EDamageType, marrow::EInstructionType;
    using marrow::ELootType, marrow::EQuickItemType, marrow::EWeaponType;

    const std::int32_t nWeapons = count(EVocabulary::WeaponNames);
    EXPECT_EQ(static_cast<std::int32_t>(EWeaponType::Unknown), nWeapons);
    EXPECT_EQ(EWeaponType(nWeapons - 1), weapon(nWeapons - 1));
    EXPECT_EQ(EWeaponType::Unknown, weapon(nWeapons));

    const std::int32_t nArmors = count(EVocabulary::ArmorNames);
    EXPECT_EQ(static_cast<std::int32_t>(EArmorType::Unknown), nArmors);
    EXPECT_EQ(EArmorType(nArmors - 1), armor(nArmors - 1));
    EXPECT_EQ(EArmorType::Unknown, armor(nArmors));

    const std::int32_t nQuick = count(EVocabulary::QuickItemTypes);
    EXPECT_EQ(EQuickItemType(nQuick - 1), quick(nQuick - 1));
    EXPECT_EQ(EQuickItemType::Unknown, quick(nQuick));

    // The builder writes a damage type it does not know as General, the code after the words.
    const std::int32_t nDamage = count(EVocabulary::DamageTypes);
    EXPECT_EQ(static_cast<std::int32_t>(EDamageType::General), nDamage);
    EXPECT_EQ(EDamageType(nDamage - 1), damage(nDamage - 1));
    EXPECT_EQ(EDamageType::General, damage(nDamage));

    const std::int32_t nLoot = count(EVocabulary::LootTypes);
    EXPECT_EQ(ELootType(nLoot - 1), loot(nLoot - 1));
    EXPECT_EQ(ELootType::Unknown, loot(nLoot));

    const std::int32_t nInstructions = count(EVocabulary::InstructionTypes);
    EXPECT_EQ(EInstructionType(nInstructions - 1), instruction(nInstructions - 1));
    EXPECT_EQ(EInstructionType::Unknown, instruction(nInstructions));

    EXPECT_EQ(marrow::SKILL_COUNT, count(EVocabulary::Skills));
    EXPECT_EQ(marrow::EXTRA_SKILL_COUNT, count(EVocabulary::ExtraSkills));
}
