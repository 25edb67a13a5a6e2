// reload_idb: what CItemDatabaseFile::Reload costs a game when nothing changed (one look at the
// file's time and size), and what a lookup by name costs. Prints the median of ROUNDS rounds.
// Usage: reload_idb <items.idb> [calls per round]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "marrow/ItemDatabaseFile.h"

namespace {
constexpr int ROUNDS = 9;

template <class F>
double MedianNanoseconds(long nCalls, F&& call) {
    std::vector<double> rounds;
    for (int nRound = 0; nRound < ROUNDS; ++nRound) {
        const auto start = std::chrono::steady_clock::now();
        for (long i = 0; i < nCalls; ++i) call();
        const std::chrono::duration<double, std::nano> spent =
            std::chrono::steady_clock::now() - start;
        rounds.push_back(spent.count() / static_cast<double>(nCalls));
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[ROUNDS / 2];
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("Usage: reload_idb <items.idb> [calls per round]\n", stderr);
        return 2;
    }
    const long nCalls = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 20000;
    if (nCalls <= 0) return 2;
    marrow::CItemDatabaseFile file;
    if (file.Open(argv[1]) != marrow::EReload::Reloaded) {
        std::fprintf(stderr, "reload_idb: %s: %s\n", argv[1], file.LastResult().Reason.c_str());
        return 1;
    }
    int nChanged = 0;
    const double dReload = MedianNanoseconds(nCalls, [&] {
        if (file.Reload() != marrow::EReload::Unchanged) ++nChanged;
    });
    const auto& weapons = file.Lists().m_weapons;
    std::size_t nNext = 0, nFound = 0;
    const double dFind = MedianNanoseconds(nCalls, [&] {
        if (weapons.empty()) return;
        if (file.Index().FindWeapon(weapons[nNext].Name)) ++nFound;
        nNext = (nNext + 1) % weapons.size();
    });
    std::printf("Reload, unchanged: %.0f ns a call (%d reloads seen)\n", dReload, nChanged);
    std::printf("FindWeapon, %zu weapons: %.0f ns a call\n", weapons.size(), dFind);
    return 0;
}
