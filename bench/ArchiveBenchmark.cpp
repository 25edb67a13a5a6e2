// Writing a list of weapons through the chunk archive against reading it back. Items per
// second that stay level from 1,000 to 65,535 records show that reading is linear in the list.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "itemdb/ItemCommon.h"
#include "loader/RecordSerialize.h"
#include "output/ChunkArchive.h"
#include "output/DataStream.h"

namespace {

constexpr int WEAPON_LIST_ID = 2;

// Weapons as a table would give them: names, types and numbers that differ from row to row.
std::vector<SWeapon> MakeWeapons(std::int64_t nCount) {
    static const char* const TYPES[] = {"sword", "axe", "bow", "spear", "knife", "club", "gun"};
    static const char* const MATERIALS[] = {"iron", "steel", "bronze", "oak", "bone"};
    std::vector<SWeapon> weapons(static_cast<size_t>(nCount));
    for (size_t i = 0; i < weapons.size(); ++i) {
        SWeapon& weapon = weapons[i];
        const auto f = static_cast<float>(i % 997);
        weapon.Name = std::string(TYPES[i % 7]) + " of the " + std::to_string(i) + "th hall";
        weapon.TypeName = TYPES[i % 7];
        weapon.TypeCode = static_cast<std::int32_t>(i % 7);
        weapon.MaterialName = MATERIALS[i % 5];
        weapon.TextureIndex = static_cast<std::int32_t>(i % 64);
        weapon.Price = 10.0f + f * 1.5f;
        weapon.Weight = 0.5f + f / 100.0f;
        weapon.Durability = 50.0f + f / 10.0f;
        weapon.ShopMask = static_cast<std::uint32_t>(i % 31);
        weapon.Deconstructable = i % 3 != 0;
        weapon.Range = 1.0f + f / 50.0f;
        weapon.DamageMin = 1.0f + f / 20.0f;
        weapon.DamageSpread = f / 40.0f;
        weapon.DamageProportions.values[i % DAMAGE_TYPE_COUNT] = 1.0f;
        weapon.Skills.SkillLevels[i % SKILL_COUNT] = static_cast<std::uint8_t>(i % 10);
        weapon.Attack = f / 7.0f;
        weapon.Defence = f / 9.0f;
    }
    return weapons;
}

void WriteWeapons(std::vector<SWeapon>& weapons, CMemoryStream& stream) {
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    SerializeList(archive, WEAPON_LIST_ID, weapons);
    archive.CloseArchive(stream);
}

void BM_WriteWeapons(benchmark::State& state) {
    std::vector<SWeapon> weapons = MakeWeapons(state.range(0));
    for (auto _ : state) {
        CMemoryStream stream;
        WriteWeapons(weapons, stream);
        benchmark::DoNotOptimize(stream.GetData());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_ReadWeapons(benchmark::State& state) {
    std::vector<SWeapon> weapons = MakeWeapons(state.range(0));
    CMemoryStream stream;
    WriteWeapons(weapons, stream);
    state.counters["file_bytes"] = static_cast<double>(stream.GetSize());
    std::vector<SWeapon> back;
    for (auto _ : state) {
        CChunkArchive archive;
        archive.OpenArchive(stream, /*bReading=*/true, /*nVersion=*/1);
        SerializeList(archive, WEAPON_LIST_ID, back);
        archive.CloseArchive(stream);
        benchmark::DoNotOptimize(back.data());
    }
    if (back.size() != weapons.size()) state.SkipWithError("the list did not read back whole");
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

BENCHMARK(BM_WriteWeapons)->Arg(1000)->Arg(8000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadWeapons)->Arg(1000)->Arg(8000)->Arg(65535)->Unit(benchmark::kMillisecond);

}  // namespace
