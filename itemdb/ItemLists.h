// The six record lists of an items database, and loading them from items.idb: everything a
// game needs to read the file. Layout: docs/idb-format.md.
#pragma once

#include <vector>

#include "itemdb/Armor.h"
#include "itemdb/LootItem.h"
#include "itemdb/Material.h"
#include "itemdb/QuestItem.h"
#include "itemdb/QuickItem.h"
#include "itemdb/Weapon.h"

struct SItemLists {
    std::vector<SMaterial> m_materials;    // list chunk 1
    std::vector<SWeapon> m_weapons;        // list chunk 2
    std::vector<SArmor> m_armors;          // list chunk 3
    std::vector<SQuickItem> m_quickItems;  // list chunk 4
    std::vector<SQuestItem> m_questItems;  // list chunk 5
    std::vector<SLootItem> m_lootItems;    // list chunk 6
};

// Writes or reads the six lists as list chunks 1 to 6 of the archive's root.
void SerializeItemLists(CChunkArchive& archive, SItemLists& lists);

class IDataStream;

// Reads a whole items.idb from a stream into the lists, as LoadItemDatabase does.
void ReadItemDatabase(IDataStream& stream, SItemLists& lists);

// Loads items.idb into the lists, replacing what they held; a list whose chunk is absent stays
// as it was, and a damaged record reads as far as it goes (missing fields are zero or empty).
// False, with the lists untouched, when the file cannot be opened.
bool LoadItemDatabase(const char* pszPath, SItemLists& lists);
