// Hot reload in a game loop: keeps items.idb loaded, looks at it once a second, and when a
// rebuild replaced it prints what changed, by name, against the lists it had before. A failed
// load keeps the last good lists and says why. Uses only what the installed loader gives.
// Usage: hot_reload_example [items.idb] [seconds]   (0 seconds: once, then stop)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "marrow/Codes.h"
#include "marrow/ItemDatabaseFile.h"

namespace {
// What a game derives from the lists and keeps between reloads: here, each weapon's price.
struct SWeaponPrice {
    std::string strName;
    float fPrice = 0.0f;
};

std::vector<SWeaponPrice> WeaponPrices(const marrow::SItemLists& lists) {
    std::vector<SWeaponPrice> prices;
    for (const marrow::SWeapon& weapon : lists.m_weapons)
        prices.push_back({weapon.Name, weapon.Price});
    return prices;
}

// Names are looked up in the new lists' index, so each comparison costs a hash, not a walk.
void PrintChanges(const std::vector<SWeaponPrice>& before, const marrow::CItemDatabaseFile& file) {
    const marrow::CItemIndex& index = file.Index();
    for (const SWeaponPrice& old : before) {
        const marrow::SWeapon* pNow = index.FindWeapon(old.strName);
        if (!pNow)
            std::printf("  weapon \"%s\" removed\n", old.strName.c_str());
        else if (pNow->Price != old.fPrice)
            std::printf("  weapon \"%s\": price %g -> %g\n", old.strName.c_str(),
                        static_cast<double>(old.fPrice), static_cast<double>(pNow->Price));
    }
    for (const marrow::SWeapon& weapon : file.Lists().m_weapons) {
        bool bKnown = false;
        for (const SWeaponPrice& old : before)
            bKnown = bKnown || marrow::SameName(old.strName, weapon.Name);
        if (bKnown) continue;
        const auto nMaterial = index.MaterialIndexOf(weapon);
        const char* pszType = marrow::WeaponType(weapon) == marrow::EWeaponType::Unknown
                                  ? "of no known type"
                                  : weapon.TypeName.c_str();
        std::printf(
            "  weapon \"%s\" added: %s, made of %s\n", weapon.Name.c_str(), pszType,
            nMaterial ? file.Lists().m_materials[*nMaterial].Name.c_str() : "nothing known");
    }
}
}  // namespace

int main(int argc, char** argv) {
    const char* pszPath = argc > 1 ? argv[1] : "items.idb";
    const long nSeconds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 60;
    std::printf("loader %s, headers %s\n", marrow::LoaderVersion(), MARROW_VERSION);
    marrow::CItemDatabaseFile file;
    std::vector<SWeaponPrice> prices;
    marrow::EReload reload = file.Open(pszPath);
    for (long nSecond = 0;; ++nSecond) {
        if (reload == marrow::EReload::Reloaded) {
            std::printf("generation %llu: %zu weapons, %zu armors\n",
                        static_cast<unsigned long long>(file.Generation()),
                        file.Lists().m_weapons.size(), file.Lists().m_armors.size());
            if (file.Generation() > 1) PrintChanges(prices, file);
            prices = WeaponPrices(file.Lists());
        } else if (reload == marrow::EReload::Failed) {
            std::printf("not reloaded, keeping generation %llu: %s\n",
                        static_cast<unsigned long long>(file.Generation()),
                        file.LastResult().Reason.c_str());
        }
        if (nSecond >= nSeconds) break;
        std::this_thread::sleep_for(std::chrono::seconds(1));  // a game: once a frame or so
        reload = file.Reload();
    }
    return file.Generation() > 0 ? 0 : 1;
}
