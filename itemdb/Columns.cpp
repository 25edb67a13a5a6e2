#include "itemdb/Columns.h"

#include <iterator>

#include "itemdb/ItemDatabase.h"
#include "loader/RecordLayout.h"
#include "tableconv/FileRegistry.h"
#include "tableconv/ListElements.h"

namespace {
using namespace columns;

#define MARROW_ITEM_COMMON                                                                   \
    &NAME, &PRICE, &WEIGHT, &SIZE, &MANA, &SLOTS, &DURABILITY, &COMPONENTS, &ZONES,          \
        &DECONSTRUCTABLE, &TEXTURE_INDEX, &TEXTURE_INDEX_2, &FIGURE_NAMES, &SHOP_1, &SHOP_2, \
        &SHOP_3, &SHOP_4, &SHOP_5

constexpr const SColumnInfo* MATERIAL_COLUMNS[] = {
    &NAME, &MATERIAL_TYPE, &MATERIAL_CODE_NAME, &MATERIAL_PRICE, &MATERIAL_WEIGHT,
    &MATERIAL_MANA, &MATERIAL_SLOTS, &MATERIAL_DURABILITY, &MATERIAL_SKILL, &MATERIAL_DAMAGE,
    &ABSORPTION_PIERCING, &ABSORPTION_SLASHING, &ABSORPTION_BLUDGEONING, &ABSORPTION_TERMAL,
    &ABSORPTION_CHEMIC, &ABSORPTION_ELECTRIC, &ABSORPTION_GENERAL, &ABSORPTION_CRIPPLED,
    &SHOP_1, &SHOP_2, &SHOP_3, &SHOP_4, &SHOP_5};
constexpr const SColumnInfo* WEAPON_COLUMNS[] = {
    MARROW_ITEM_COMMON, &WEAPON_TYPE, &WEAPON_MATERIAL, &WEAPON_RANGE, &WEAPON_DAMAGE_MIN,
    &WEAPON_DAMAGE_MAX, &WEAPON_ACTIONS, &WEAPON_LISTS, &PROPORTION_PIERCING,
    &PROPORTION_SLASHING, &PROPORTION_BLUDGEONING, &PROPORTION_TERMAL, &PROPORTION_CHEMIC,
    &PROPORTION_ELECTRIC, &PROPORTION_GENERAL};
constexpr const SColumnInfo* ARMOR_COLUMNS[] = {
    MARROW_ITEM_COMMON, &ARMOR_TYPE, &ARMOR_MATERIAL, &WEAR_ORDER, &SKILL_LISTS,
    &MAIN_ABSORPTION, &MAIN_PIERCING, &MAIN_SLASHING, &MAIN_BLUDGEONING, &MAIN_TERMAL,
    &MAIN_CHEMIC, &MAIN_ELECTRIC, &MAIN_GENERAL, &MAIN_CRIPPLED, &ADDITIONAL_ABSORPTION,
    &ADDITIONAL_PIERCING, &ADDITIONAL_SLASHING, &ADDITIONAL_BLUDGEONING, &ADDITIONAL_TERMAL,
    &ADDITIONAL_CHEMIC, &ADDITIONAL_ELECTRIC, &ADDITIONAL_GENERAL, &ADDITIONAL_CRIPPLED,
    &APPLY_WOUNDS};
constexpr const SColumnInfo* QUICK_ITEM_COLUMNS[] = {
    MARROW_ITEM_COMMON, &QUICK_TYPE, &QUICK_MATERIAL, &QUICK_SKILL, &QUICK_DAMAGE,
    &QUICK_DAMAGE_TYPE, &QUICK_SPELL, &SKILL_LISTS};
constexpr const SColumnInfo* QUEST_ITEM_COLUMNS[] = {MARROW_ITEM_COMMON, &QUEST_SCRIPT_ID,
                                                     &QUEST_ZONES};
constexpr const SColumnInfo* LOOT_ITEM_COLUMNS[] = {MARROW_ITEM_COMMON, &LOOT_SCRAP_MATERIAL,
                                                    &LOOT_TYPE, &LOOT_MATERIAL};
#undef MARROW_ITEM_COMMON

constexpr SKindColumns KINDS[] = {
    {"materials", "Materials.txt", &CItemDatabase::BuildMaterials, MATERIAL_COLUMNS},
    {"weapons", "Weapons.txt", &CItemDatabase::BuildWeapons, WEAPON_COLUMNS},
    {"armors", "Armors.txt", &CItemDatabase::BuildArmors, ARMOR_COLUMNS},
    {"quick items", "QuickItems.txt", &CItemDatabase::BuildQuickItems, QUICK_ITEM_COLUMNS},
    {"quest items", "QuestItems.txt", &CItemDatabase::BuildQuestItems, QUEST_ITEM_COLUMNS},
    {"loot items", "LootItems.txt", &CItemDatabase::BuildLootItems, LOOT_ITEM_COLUMNS},
};
static_assert(std::size(KINDS) == ITEM_KIND_COUNT, "one entry per kind of the loader");
}  // namespace

std::span<const SKindColumns> AllKinds() { return KINDS; }

std::vector<const SColumnInfo*> ColumnsInTableOrder(const SKindColumns& kind) {
    std::vector<const SColumnInfo*> ordered;
    std::vector<bool> taken(kind.columns.size(), false);
    for (size_t i = 0; i < kind.columns.size(); ++i) {
        if (taken[i]) continue;
        const std::string_view strGroup = kind.columns[i]->pszGroup;
        size_t nInGroup = 0;
        for (size_t j = i; j < kind.columns.size(); ++j) {
            if (taken[j] || strGroup != kind.columns[j]->pszGroup) continue;
            taken[j] = true;
            ordered.push_back(kind.columns[j]);
            ++nInGroup;
        }
        if (nInGroup == 1 && *kind.columns[i]->pszSub) ordered.push_back(nullptr);
    }
    return ordered;
}

std::string HeaderLinesOf(const SKindColumns& kind) {
    const std::vector<const SColumnInfo*> ordered = ColumnsInTableOrder(kind);
    std::string strGroups, strSubs;
    for (size_t i = 0; i < ordered.size(); ++i) {
        if (i) {
            strGroups += '\t';
            strSubs += '\t';
        }
        if (!ordered[i]) continue;  // the spare column stays empty
        if (i == 0 || !ordered[i - 1] || std::string_view(ordered[i - 1]->pszGroup) != ordered[i]->pszGroup)
            strGroups += ordered[i]->pszGroup;
        strSubs += ordered[i]->pszSub;
    }
    return strGroups + "\n" + strSubs + "\n";
}

std::int32_t ReadInt(const CFileRegistry& registry, std::string_view strSection,
                     const SColumnInfo& column) {
    return registry.GetInt(strSection, SValueName(column.pszName, column.nByteSum), static_cast<std::int32_t>(column.fDefault));
}

float ReadFloat(const CFileRegistry& registry, std::string_view strSection,
                const SColumnInfo& column) {
    return registry.GetFloat(strSection, SValueName(column.pszName, column.nByteSum), column.fDefault);
}

std::string ReadString(const CFileRegistry& registry, std::string_view strSection,
                       const SColumnInfo& column) {
    return registry.GetString(strSection, SValueName(column.pszName, column.nByteSum), column.pszDefault);
}

bool HasValue(const CFileRegistry& registry, std::string_view strSection, const SColumnInfo& column) {
    SRegistryValue value;
    return registry.FindValue(strSection, SValueName(column.pszName, column.nByteSum), value);
}

void ReadList(const CFileRegistry& registry, std::string_view strSection,
              const SColumnInfo& column, std::vector<std::string>& list) {
    registry.GetStringList(strSection, SValueName(column.pszName, column.nByteSum), list);
    // A spreadsheet may wrap a list cell in quotes (it holds commas), which makes it one string.
    if (list.size() == 1 && list.front().find(',') != std::string::npos) {
        const std::string strWhole = std::move(list.front());
        std::vector<std::string_view> elements;
        SplitListElements(strWhole, elements);
        list.assign(elements.begin(), elements.end());
    }
}
