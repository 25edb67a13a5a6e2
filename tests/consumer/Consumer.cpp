// Loads an items.idb through the installed loader, at C++17, and checks what a game relies on:
// the outcome, the records per list, a name and the fields that follow from the list order, the
// lookups, the named codes, the load from memory and the version.
// Usage: consumer <items.idb> <materials> <weapons> <armors> <quick> <quest> <loot> <weapon 1>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <marrow/Codes.h>
#include <marrow/ItemIndex.h>
#include <marrow/Loader.h>

namespace {
int g_nFailures = 0;

void Expect(bool bHolds, const std::string& strWhat) {
    if (bHolds) return;
    std::fprintf(stderr, "consumer: %s\n", strWhat.c_str());
    ++g_nFailures;
}

void ExpectCount(const char* pszList, std::size_t nActual, const char* pszExpected) {
    const auto nExpected = std::strtoul(pszExpected, nullptr, 10);
    Expect(nActual == nExpected, std::string(pszList) + ": " + std::to_string(nActual) +
                                     " records, expected " + pszExpected);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 9) {
        std::fputs("Usage: consumer <items.idb> <six record counts> <first weapon's name>\n",
                   stderr);
        return 2;
    }
    marrow::SItemLists lists;
    const marrow::SLoadResult result = marrow::LoadItemDatabase(argv[1], lists);
    if (result.Status != marrow::ELoadStatus::Loaded) {
        std::fprintf(stderr, "consumer: %s: not loaded: %s\n", argv[1], result.Reason.c_str());
        return 1;
    }
    ExpectCount("materials", lists.m_materials.size(), argv[2]);
    ExpectCount("weapons", lists.m_weapons.size(), argv[3]);
    ExpectCount("armors", lists.m_armors.size(), argv[4]);
    ExpectCount("quick items", lists.m_quickItems.size(), argv[5]);
    ExpectCount("quest items", lists.m_questItems.size(), argv[6]);
    ExpectCount("loot items", lists.m_lootItems.size(), argv[7]);
    Expect(!lists.m_weapons.empty() && lists.m_weapons[0].Name == argv[8],
           std::string("the first weapon is not \"") + argv[8] + "\"");
    for (std::size_t i = 0; i < lists.m_materials.size(); ++i)
        Expect(lists.m_materials[i].Index == static_cast<std::int32_t>(i),
               "material " + std::to_string(i) + " has the index " +
                   std::to_string(lists.m_materials[i].Index));
    for (const marrow::SWeapon& weapon : lists.m_weapons)
        Expect(weapon.GetTypeID() == marrow::TYPE_ID_WEAPON && weapon.TypeCode >= 0 &&
                   weapon.TypeCode <= 7,
               "weapon \"" + weapon.Name + "\" has the type code " +
                   std::to_string(weapon.TypeCode));
    marrow::SItemLists lenient;
    Expect(marrow::LoadItemDatabaseLenient(argv[1], lenient) &&
               lenient.m_lootItems.size() == lists.m_lootItems.size(),
           "the lenient reading gives other loot items");
    const marrow::CItemIndex index(lists);
    for (const marrow::SWeapon& weapon : lists.m_weapons) {
        std::string strUpper = weapon.Name;
        for (char& c : strUpper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        Expect(index.FindWeapon(strUpper) == &weapon, "\"" + strUpper + "\" is not found");
        Expect(marrow::WeaponType(weapon) != marrow::EWeaponType::Unknown || weapon.TypeCode == 7,
               "weapon \"" + weapon.Name + "\" has no named type");
    }
    std::ifstream file(argv[1], std::ios::binary);
    const std::string strBytes((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
    marrow::SItemLists fromMemory;
    Expect(marrow::LoadItemDatabase(strBytes.data(), strBytes.size(), fromMemory) &&
               fromMemory.m_weapons.size() == lists.m_weapons.size(),
           "the load from memory gives other weapons");
    Expect(std::strcmp(marrow::LoaderVersion(), MARROW_VERSION) == 0,
           std::string("the library is ") + marrow::LoaderVersion() + ", the headers " +
               MARROW_VERSION);
    if (g_nFailures) return 1;
    std::printf("consumer: %s loaded at C++%ld, as expected\n", argv[1], __cplusplus / 100 % 100);
    return 0;
}
