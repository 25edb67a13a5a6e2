// load_idb: loads an items.idb through the game-side loader and prints its record counts, so
// that the reading time of a whole database can be measured from outside. With --plain it only
// reads the file's bytes into memory, the yardstick for the loader's time.
#include <cstdio>
#include <cstring>
#include <memory>

#include "marrow/Loader.h"
#include "platform/Platform.h"

namespace {
int ReadPlain(const char* pszPath) {
    platform::CFile file;
    if (!file.Open(pszPath, platform::FileMode::Read)) {
        std::fprintf(stderr, "load_idb: cannot open %s\n", pszPath);
        return 1;
    }
    const std::uint64_t nLength = file.Length();
    if (nLength >= 0xFFFFFFFFu) return 1;
    auto pData = std::make_unique_for_overwrite<char[]>(nLength + 1);
    const std::uint32_t nRead = file.Read(pData.get(), static_cast<std::uint32_t>(nLength));
    std::printf("%u bytes\n", nRead);
    return nRead == nLength ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--plain") == 0) return ReadPlain(argv[2]);
    if (argc != 2) {
        std::fputs("Usage: load_idb [--plain] <items.idb>\n", stderr);
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
