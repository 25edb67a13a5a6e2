// Loads an items.idb and prints the number of records per list and the names of the weapons.
// It uses only what a game gets from the installed loader: marrow/Loader.h and Marrow::loader.
#include <cstdio>

#include "marrow/Loader.h"

int main(int argc, char** argv) {
    const char* pszPath = argc > 1 ? argv[1] : "items.idb";
    marrow::SItemLists lists;  // owns every record; nothing refers to the file after the call
    const marrow::SLoadResult result = marrow::LoadItemDatabase(pszPath, lists);
    switch (result.Status) {
        case marrow::ELoadStatus::Loaded: break;
        case marrow::ELoadStatus::CannotOpen:
            std::fprintf(stderr, "Cannot open \"%s\": %s.\n", pszPath, result.Reason.c_str());
            return 1;
        case marrow::ELoadStatus::NotItemDatabase:
            std::fprintf(stderr, "\"%s\" is not an items database (%s).\n", pszPath,
                         result.Reason.c_str());
            return 1;
        case marrow::ELoadStatus::Damaged:
            std::fprintf(stderr, "\"%s\" is damaged, %s.\n", pszPath, result.Reason.c_str());
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
    for (const marrow::SWeapon& weapon : lists.m_weapons) std::printf("  %s\n", weapon.Name.c_str());
    return 0;
}
