#include "driver/Driver.h"

#include <cstdio>
#include <cstring>

#include "itemdb/ItemDatabase.h"
#include "platform/Platform.h"

#ifndef MARROW_VERSION
#define MARROW_VERSION "0"
#endif

namespace {
void PrintUsage() {
    std::printf("Items database builder.\n");
    std::printf("Builds items.idb from the six item tables of the current directory.\n");
    std::printf("Version %s. Needs Ini2Reg.bat beside the tables.\n", MARROW_VERSION);
    std::printf("\tUsage:\n");
    std::printf("\t  Marrow.exe <output path>\n");
}

bool IsHelpRequest(const char* pszArgument) {
    return std::strcmp(pszArgument, "-h") == 0 || std::strcmp(pszArgument, "--help") == 0 ||
           std::strcmp(pszArgument, "/?") == 0;
}
}  // namespace

std::string OutputDirectoryOf(const char* pszArgument) {
    std::string strDirectory = pszArgument;
    if (strDirectory.empty() || strDirectory.back() != platform::PATH_SEPARATOR)
        strDirectory += platform::PATH_SEPARATOR;
    return strDirectory;
}

int RunMarrow(int argc, const char* const* argv) {
    CItemDatabase database;
    // An empty argument would put items.idb into the root of the file system.
    if (argc != 2 || argv[1][0] == '\0') {
        PrintUsage();
        return -1;
    }
    if (IsHelpRequest(argv[1])) {
        PrintUsage();
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("Marrow %s\n", MARROW_VERSION);
        return 0;
    }
    const std::string strOutputDirectory = OutputDirectoryOf(argv[1]);
    database.BuildMaterials("Materials.txt");
    database.BuildWeapons("Weapons.txt");
    database.BuildArmors("Armors.txt");
    database.BuildQuickItems("QuickItems.txt");
    database.BuildQuestItems("QuestItems.txt");
    database.BuildLootItems("LootItems.txt");
    const bool bSaved = database.Save(strOutputDirectory.c_str());
    std::fflush(stdout);
    return bSaved ? 0 : -1;
}
