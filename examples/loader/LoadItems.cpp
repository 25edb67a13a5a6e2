// Loads an items.idb and prints the number of records per list and the names of the weapons.
#include <cstdio>

#include "itemdb/ItemLists.h"

int main(int argc, char** argv) {
    const char* pszPath = argc > 1 ? argv[1] : "items.idb";
    SItemLists lists;  // owns every record; nothing refers to the file after the call
    if (!LoadItemDatabase(pszPath, lists)) {
        std::fprintf(stderr, "Cannot open \"%s\".\n", pszPath);
        return 1;
    }
    const struct {
        const char* pszName;
        size_t nCount;
    } COUNTS[] = {
        {"materials", lists.m_materials.size()},    {"weapons", lists.m_weapons.size()},
        {"armors", lists.m_armors.size()},          {"quick items", lists.m_quickItems.size()},
        {"quest items", lists.m_questItems.size()}, {"loot items", lists.m_lootItems.size()},
    };
    for (const auto& count : COUNTS)
        std::printf("%-12s %lu\n", count.pszName, static_cast<unsigned long>(count.nCount));
    std::printf("weapons:\n");
    for (const SWeapon& weapon : lists.m_weapons) std::printf("  %s\n", weapon.Name.c_str());
    return 0;
}
