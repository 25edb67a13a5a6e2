// The kinds of record and every field and column of each, declared once. Everything that deals
// with a kind follows these lists: the record structs and SItemLists a game sees, how each
// record is written to and read from items.idb, the inspector's views, and, in the builder, the
// table columns with their defaults, how a row fills a record, the table checker, the column
// reference, the table templates and the workbook's notes and dropdowns.
//
// The lists are macros so that the compiler alone reads them: there is nothing to generate
// and nothing to keep in step by hand. Each entry is X(SHAPE, ...), and whoever expands a list
// picks out the shapes it needs:
//
//   READ   (COLUMN, chunk, type, Member, initial, column type, "Group", "Sub", default,
//           "what becomes of the value", rule)
//          a stored field filled from one column as it stands (a number as read, a text as
//          written, a list entry by entry, an integer as a truth value when not 0);
//   BUILT  (the same) a stored field filled from one column by the kind's builder, because
//          the value needs arithmetic or a word list;
//   KEPT   (COLUMN, type, Member, initial, column type, "Group", "Sub", default, "...", rule)
//          a member filled from one column as it stands but never stored;
//   FIELD  (chunk, type, Member, initial) a stored field that the builder fills from other
//          columns or from the row (codes, masks, damage blocks, positions);
//   BLOCK  (type, Member) and PART (chunk, type, Member, Part): a member of several stored
//          fields, each part its own chunk;
//   COLUMN (COLUMN, column type, "Group", "Sub", default, "field it fills", "...", rule)
//          a column that the builder turns into a field of the record;
//   SHARED (COLUMN) a column declared by another list, read by this kind too.
//
// The column type is Int, Float, String or StringList; the default is a number for Int and
// Float columns and a text for String columns; the rule is what the table checker asks of a
// value beyond its type. A column's full name is its group, one space and its sub-column, or
// the group alone when the sub-column is empty. A table lays a kind's columns out group by
// group, in the order of each group's first column here. Stored fields are written in the order
// of their chunks; chunks 0 to 15 belong to the common item part, a kind's own start at 21.
// The stored form of every field: docs/idb-format.md.
#pragma once

// clang-format off

// The kinds in build order, which is also the order of their list chunks:
// X(record, singular, plural, LIST, list member, list chunk, name in idbdump's output,
//   words of the heading "Building ... list:", table, (fields shown by idbdump --text)).
// A kind's fields are MARROW_<LIST>_FIELDS; the five item kinds also have the common part,
// MARROW_ITEM_COMMON_FIELDS, and its columns come first in their tables.
#define MARROW_ITEM_KINDS(X)                                                                   \
    X(SMaterial, Material, Materials, MATERIAL, m_materials, 1, "materials", "materials",     \
      "Materials.txt", ("Name", "MaterialType", "CodeName", "Price", "Weight", "Durability",  \
                        "Skill", "Damage", "ShopMask"))                                        \
    X(SWeapon, Weapon, Weapons, WEAPON, m_weapons, 2, "weapons", "weapons", "Weapons.txt",    \
      ("Name", "TypeName", "TypeCode", "MaterialName", "Price", "Weight", "Range",             \
       "DamageMin", "DamageSpread", "Attack", "Defence"))                                      \
    X(SArmor, Armor, Armors, ARMOR, m_armors, 3, "armors", "armors", "Armors.txt",            \
      ("Name", "TypeName", "TypeCode", "MaterialName", "Price", "Weight", "Durability",       \
       "WearOrder", "ApplyWounds"))                                                            \
    X(SQuickItem, QuickItem, QuickItems, QUICK_ITEM, m_quickItems, 4, "quickItems",           \
      "quick items", "QuickItems.txt", ("Name", "TypeName", "QuickType", "Price", "Weight",   \
                                        "Skill", "Damage", "DamageType", "Spell"))             \
    X(SQuestItem, QuestItem, QuestItems, QUEST_ITEM, m_questItems, 5, "questItems",           \
      "quest items", "QuestItems.txt", ("Name", "TypeName", "Price", "ScriptID", "QuestZones")) \
    X(SLootItem, LootItem, LootItems, LOOT_ITEM, m_lootItems, 6, "lootItems", "loot items",   \
      "LootItems.txt", ("Name", "TypeName", "Price", "Weight", "LootType", "InstructionType",  \
                        "LootMaterial"))

// Chunks 0 to 15 of the five item kinds, and the columns they share.
#define MARROW_ITEM_COMMON_FIELDS(X) \
    X(BUILT, NAME, 0, std::string, Name, {}, String, "Name", "", "none", "lowercased", Any) \
    X(FIELD, 1, std::string, TypeName, {}) \
    X(FIELD, 2, std::int32_t, TypeCode, INVALID_CODE) /* weapons and armors; "no code" otherwise */ \
    X(FIELD, 3, std::string, MaterialName, {}) \
    X(FIELD, 4, std::int32_t, MaterialCode, INVALID_CODE) \
    X(READ, PRICE, 7, float, Price, 0.0f, Float, "General", "Price", 1.0f, "as read", Any) \
    X(READ, WEIGHT, 8, float, Weight, 0.0f, Float, "General", "Weight", 1.0f, "as read", Any) \
    X(READ, SIZE, 9, float, Size, 0.0f, Float, "General", "Size", 1.0f, "as read", Any) \
    X(READ, MANA, 10, float, Mana, 0.0f, Float, "General", "Mana", 0.0f, "as read", Any) \
    X(READ, SLOTS, 11, std::int32_t, Slots, 0, Int, "General", "Slots", 0.0f, "as read", Any) \
    X(READ, DURABILITY, 12, float, Durability, 0.0f, Float, "General", "Durability", 1.0f, "as read", Any) \
    X(READ, COMPONENTS, 13, std::int32_t, Components, 0, Int, "General", "Components", 1.0f, "as read", Any) \
    X(KEPT, ZONES, CPackedStrings, Zones, {}, StringList, "General", "Zones", 0.0f, "kept in memory, not stored", Any) \
    X(READ, DECONSTRUCTABLE, 15, bool, Deconstructable, true, Int, "General", "Deconstructable", 0.0f, "true when not 0", Any) \
    X(READ, TEXTURE_INDEX, 5, std::int32_t, TextureIndex, 0, Int, "Graphics Data", "Texture Type Index", -1.0f, "as read", Any) \
    X(READ, TEXTURE_INDEX_2, 6, std::int32_t, TextureIndex2, 0, Int, "Graphics Data", "Texture Type Index 2", -1.0f, "as read", Any) \
    X(KEPT, FIGURE_NAMES, CPackedStrings, FigureNames, {}, StringList, "Graphics Data", "Figure Names", 0.0f, "kept in memory, not stored", Any) \
    X(COLUMN, SHOP_1, Int, "Available In Shop", "1", 0.0f, "ShopMask", "OR-ed into bit 0, shifted as read", Flag) \
    X(COLUMN, SHOP_2, Int, "Available In Shop", "2", 0.0f, "ShopMask", "OR-ed in shifted left by 1", Flag) \
    X(COLUMN, SHOP_3, Int, "Available In Shop", "3", 0.0f, "ShopMask", "OR-ed in shifted left by 2", Flag) \
    X(COLUMN, SHOP_4, Int, "Available In Shop", "4", 0.0f, "ShopMask", "OR-ed in shifted left by 3", Flag) \
    X(COLUMN, SHOP_5, Int, "Available In Shop", "5", 0.0f, "ShopMask", "OR-ed in shifted left by 4", Flag) \
    X(FIELD, 14, std::uint32_t, ShopMask, 0)

// Materials are not items: their own general columns, with defaults of -1.
#define MARROW_MATERIAL_FIELDS(X) \
    X(FIELD, 0, std::string, Name, {}) X(SHARED, NAME) \
    X(READ, MATERIAL_TYPE, 1, std::string, MaterialType, {}, String, "Material", "Type", "none", "as written", Any) \
    X(READ, MATERIAL_CODE_NAME, 2, std::string, CodeName, {}, String, "Material", "Code Name", "none", "as written", Any) \
    X(FIELD, 3, std::int32_t, Index, 0) /* position in the materials list */ \
    X(READ, MATERIAL_PRICE, 4, float, Price, 0.0f, Float, "General", "Price", -1.0f, "as read", Any) \
    X(READ, MATERIAL_WEIGHT, 5, float, Weight, 0.0f, Float, "General", "Weight", -1.0f, "as read", Any) \
    X(READ, MATERIAL_MANA, 6, float, Mana, 0.0f, Float, "General", "Mana", -1.0f, "as read", Any) \
    X(READ, MATERIAL_SLOTS, 7, std::int32_t, Slots, 0, Int, "General", "Slots", 0.0f, "as read", Any) \
    X(READ, MATERIAL_DURABILITY, 8, float, Durability, 0.0f, Float, "General", "Durability", -1.0f, "as read", Any) \
    X(READ, MATERIAL_SKILL, 9, std::int32_t, Skill, 0, Int, "Material", "Skill", 0.0f, "as read", Any) \
    X(READ, MATERIAL_DAMAGE, 10, float, Damage, 0.0f, Float, "Material", "Damage", -1.0f, "as read", Any) \
    X(FIELD, 11, DamageBlock, Absorption, {}) \
    X(COLUMN, ABSORPTION_PIERCING, Float, "Absorption", "Piercing", -1.0f, "Absorption[0]", "as read", Any) \
    X(COLUMN, ABSORPTION_SLASHING, Float, "Absorption", "Slashing", -1.0f, "Absorption[1]", "as read", Any) \
    X(COLUMN, ABSORPTION_BLUDGEONING, Float, "Absorption", "Bludgeoning", -1.0f, "Absorption[2]", "as read", Any) \
    X(COLUMN, ABSORPTION_TERMAL, Float, "Absorption", "Termal", -1.0f, "Absorption[3]", "as read", Any) \
    X(COLUMN, ABSORPTION_CHEMIC, Float, "Absorption", "Chemic", -1.0f, "Absorption[4]", "as read", Any) \
    X(COLUMN, ABSORPTION_ELECTRIC, Float, "Absorption", "Electric", -1.0f, "Absorption[5]", "as read", Any) \
    X(COLUMN, ABSORPTION_GENERAL, Float, "Absorption", "General", -1.0f, "Absorption[6]", "as read", Any) \
    X(COLUMN, ABSORPTION_CRIPPLED, StringList, "Absorption", "Crippled", 0.0f, "CrippledMask", "bit (n AND 31) per number", CrippledList) \
    X(FIELD, 12, std::uint32_t, CrippledMask, 0) \
    X(SHARED, SHOP_1) X(SHARED, SHOP_2) X(SHARED, SHOP_3) X(SHARED, SHOP_4) X(SHARED, SHOP_5) \
    X(FIELD, 13, std::uint32_t, ShopMask, 0)

#define MARROW_WEAPON_FIELDS(X) \
    X(COLUMN, WEAPON_TYPE, String, "Weapon", "Type", "none", "TypeName, TypeCode", "lowercased, weapon code", WeaponName) \
    X(COLUMN, WEAPON_MATERIAL, String, "Weapon", "Material Type", "none", "MaterialName", "as written", Material) \
    X(READ, WEAPON_RANGE, 23, float, Range, 0.0f, Float, "Weapon", "Range", -1.0f, "as read", Any) \
    X(BUILT, WEAPON_DAMAGE_MIN, 24, float, DamageMin, 0.0f, Float, "Weapon", "Damage Min", -1.0f, "x 0.1", Any) \
    X(BUILT, WEAPON_DAMAGE_MAX, 25, float, DamageSpread, 0.0f, Float, "Weapon", "Damage Max", -1.0f, "x 0.1, minus DamageMin", Any) \
    X(READ, WEAPON_ACTIONS, 21, std::int32_t, Actions, 0, Int, "Weapon", "Actions", 0.0f, "as read", Any) \
    X(FIELD, 22, ReservedBytes, Reserved, {}) \
    X(COLUMN, WEAPON_LISTS, StringList, "Lists", "", 0.0f, "SkillLevels, Attack, Defence", "\"skill n\", \"attack x\", \"defence x\"", WeaponList) \
    X(BLOCK, SSkillBlock, Skills) \
    X(PART, 27, SSkillBlock, Skills, ExtraSkillLevels) \
    X(PART, 28, SSkillBlock, Skills, SkillLevels) \
    X(FIELD, 29, float, Attack, 0.0f) \
    X(FIELD, 30, float, Defence, 0.0f) \
    X(FIELD, 26, DamageBlock, DamageProportions, {}) \
    X(COLUMN, PROPORTION_PIERCING, Float, "Damage proportions", "Piercing", -1.0f, "DamageProportions[0]", "x 0.01", Any) \
    X(COLUMN, PROPORTION_SLASHING, Float, "Damage proportions", "Slashing", -1.0f, "DamageProportions[1]", "x 0.01", Any) \
    X(COLUMN, PROPORTION_BLUDGEONING, Float, "Damage proportions", "Bludgeoning", -1.0f, "DamageProportions[2]", "x 0.01", Any) \
    X(COLUMN, PROPORTION_TERMAL, Float, "Damage proportions", "Termal", -1.0f, "DamageProportions[3]", "x 0.01", Any) \
    X(COLUMN, PROPORTION_CHEMIC, Float, "Damage proportions", "Chemic", -1.0f, "DamageProportions[4]", "x 0.01", Any) \
    X(COLUMN, PROPORTION_ELECTRIC, Float, "Damage proportions", "Electric", -1.0f, "DamageProportions[5]", "x 0.01", Any) \
    X(COLUMN, PROPORTION_GENERAL, Float, "Damage proportions", "General", -1.0f, "DamageProportions[6]", "x 0.01", Any)

// Two protection blocks of eight values and a crippled list each.
#define MARROW_ARMOR_FIELDS(X) \
    X(COLUMN, ARMOR_TYPE, String, "Armor", "Type", "none", "TypeName, TypeCode", "lowercased, armor code", ArmorName) \
    X(COLUMN, ARMOR_MATERIAL, String, "Armor", "Material Type", "none", "MaterialName", "as written", Material) \
    X(READ, WEAR_ORDER, 24, std::int32_t, WearOrder, 0, Int, "Graphics Data", "Wear Order", 0.0f, "as read", Any) \
    X(COLUMN, SKILL_LISTS, StringList, "Lists", "", 0.0f, "SkillLevels", "\"skill n\" entries", SkillList) \
    X(BLOCK, SSkillBlock, Skills) \
    X(PART, 25, SSkillBlock, Skills, ExtraSkillLevels) \
    X(PART, 26, SSkillBlock, Skills, SkillLevels) \
    X(FIELD, 21, SArmorProtection, MainProtection, {}) \
    X(COLUMN, MAIN_ABSORPTION, Float, "Main", "Absorption", -1.0f, "MainProtection.Absorption", "x 0.1", Any) \
    X(COLUMN, MAIN_PIERCING, Float, "Main", "Piercing", -1.0f, "MainProtection.Piercing", "x 0.01", Any) \
    X(COLUMN, MAIN_SLASHING, Float, "Main", "Slashing", -1.0f, "MainProtection.Slashing", "x 0.01", Any) \
    X(COLUMN, MAIN_BLUDGEONING, Float, "Main", "Bludgeoning", -1.0f, "MainProtection.Bludgeoning", "x 0.01", Any) \
    X(COLUMN, MAIN_TERMAL, Float, "Main", "Termal", -1.0f, "MainProtection.Termal", "x 0.01", Any) \
    X(COLUMN, MAIN_CHEMIC, Float, "Main", "Chemic", -1.0f, "MainProtection.Chemic", "x 0.01", Any) \
    X(COLUMN, MAIN_ELECTRIC, Float, "Main", "Electric", -1.0f, "MainProtection.Electric", "x 0.01", Any) \
    X(COLUMN, MAIN_GENERAL, Float, "Main", "General", -1.0f, "MainProtection.General", "x 0.01", Any) \
    X(COLUMN, MAIN_CRIPPLED, StringList, "Main", "Crippled", 0.0f, "MainProtection.CrippledMask", "bit (n AND 31) per number", CrippledList) \
    X(FIELD, 22, SArmorProtection, AdditionalProtection, {}) \
    X(COLUMN, ADDITIONAL_ABSORPTION, Float, "Additional", "Absorption", -1.0f, "AdditionalProtection.Absorption", "x 0.1", Any) \
    X(COLUMN, ADDITIONAL_PIERCING, Float, "Additional", "Piercing", -1.0f, "AdditionalProtection.Piercing", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_SLASHING, Float, "Additional", "Slashing", -1.0f, "AdditionalProtection.Slashing", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_BLUDGEONING, Float, "Additional", "Bludgeoning", -1.0f, "AdditionalProtection.Bludgeoning", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_TERMAL, Float, "Additional", "Termal", -1.0f, "AdditionalProtection.Termal", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_CHEMIC, Float, "Additional", "Chemic", -1.0f, "AdditionalProtection.Chemic", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_ELECTRIC, Float, "Additional", "Electric", -1.0f, "AdditionalProtection.Electric", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_GENERAL, Float, "Additional", "General", -1.0f, "AdditionalProtection.General", "x 0.01", Any) \
    X(COLUMN, ADDITIONAL_CRIPPLED, StringList, "Additional", "Crippled", 0.0f, "AdditionalProtection.CrippledMask", "bit (n AND 31) per number", CrippledList) \
    X(READ, APPLY_WOUNDS, 23, bool, ApplyWounds, false, Int, "Graphics Data", "Apply Wounds", 1.0f, "true when not 0", Any)

#define MARROW_QUICK_ITEM_FIELDS(X) \
    X(COLUMN, QUICK_TYPE, String, "Quick Items", "Type", "none", "TypeName, QuickType", "lowercased, quick item code", QuickType) \
    X(FIELD, 21, std::int32_t, QuickType, 0) /* 0 to 8, or INVALID_CODE */ \
    X(COLUMN, QUICK_MATERIAL, String, "Quick Items", "Material Type", "none", "MaterialName", "as written", Material) \
    X(READ, QUICK_SKILL, 22, std::int32_t, Skill, 0, Int, "Quick Items", "Skill", 0.0f, "as read", Any) \
    X(READ, QUICK_DAMAGE, 23, float, Damage, 0.0f, Float, "Quick Items", "Damage", 0.0f, "as read", Any) \
    X(BUILT, QUICK_DAMAGE_TYPE, 24, std::int32_t, DamageType, 0, String, "Quick Items", "Damage Type", "piercing", "damage type code", DamageType) \
    X(READ, QUICK_SPELL, 25, std::string, Spell, {}, String, "Quick Items", "Spell", "", "as written", Any) \
    X(SHARED, SKILL_LISTS) \
    X(BLOCK, SSkillBlock, Skills) \
    X(PART, 26, SSkillBlock, Skills, ExtraSkillLevels) \
    X(PART, 27, SSkillBlock, Skills, SkillLevels)

#define MARROW_QUEST_ITEM_FIELDS(X) \
    X(READ, QUEST_SCRIPT_ID, 21, std::int32_t, ScriptID, 0, Int, "Quest Items", "ScriptID", 0.0f, "as read", Any) \
    X(READ, QUEST_ZONES, 22, std::vector<std::string>, QuestZones, {}, StringList, "Quest Items", "Zones", 0.0f, "stored entry by entry", Any)

#define MARROW_LOOT_ITEM_FIELDS(X) \
    X(COLUMN, LOOT_SCRAP_MATERIAL, String, "Loot", "Scrap Material", "", "MaterialName", "as written", Material) \
    X(COLUMN, LOOT_TYPE, String, "Loot", "Type", "none", "TypeName, LootType", "lowercased, loot code", LootType) \
    X(FIELD, 21, std::int32_t, LootType, 0) /* 0 to 2, or INVALID_CODE */ \
    X(FIELD, 22, std::int32_t, InstructionType, 0) /* from the name: 0 to 4, or INVALID_CODE */ \
    X(BUILT, LOOT_MATERIAL, 23, std::int32_t, LootMaterial, 0, Int, "Loot", "Material", 0.0f, "minus 3", Any)

// clang-format on

// Whoever expands a field list dispatches each entry on its shape, as the record structs do:
//   #define MARROW_MEMBER(shape, ...) MARROW_MEMBER_##shape(__VA_ARGS__)
// with a MARROW_MEMBER_READ, MARROW_MEMBER_FIELD, ... for every shape, empty where it has
// nothing to say.
// (a, b, c) -> a, b, c: the idbdump text fields of a kind line.
#define MARROW_UNPAREN(...) __VA_ARGS__
