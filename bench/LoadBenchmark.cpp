// load_idb: loads an items.idb through the game-side loader and prints its record counts, so
// that the reading time of a whole database can be measured from outside.
#include <cstdio>

#include "marrow/Loader.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("Usage: load_idb <items.idb>\n", stderr);
        return 2;
    }
    marrow::SItemLists lists;
    const marrow::SLoadResult result = marrow::LoadItemDatabase(argv[1], lists);
    if (!result) {
        std::fprintf(stderr, "load_idb: %s: %s\n", argv[1], result.Reason.c_str());
        return 1;
    }
    std::printf("%zu materials, %zu weapons, %zu armors, %zu quick items, %zu quest items, "
                "%zu loot items\n",
                lists.m_materials.size(), lists.m_weapons.size(), lists.m_armors.size(),
                lists.m_quickItems.size(), lists.m_questItems.size(), lists.m_lootItems.size());
    return 0;
}
