// The table conversion's three stages on their own: INI emission, the converter (bytes of INI
// per second) and registry lookups, for ordinary row names and for numbered names whose byte
// sums are equal, the registry hash's worst case.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tableconv/FileRegistry.h"
#include "tableconv/TableConverter.h"
#include "tools/ini2reg/IniConverter.h"

namespace {

constexpr int COLUMNS = 30;

class CBenchConverter : public CTableConverter {
public:
    bool Save(const char*) override { return true; }
};

// A table of nRows rows and COLUMNS columns of mixed numbers, words and lists. Numbered names
// ("Sword 00001") share byte sums; random names do not.
std::string MakeTable(int nRows, bool bNumberedNames) {
    std::mt19937 random(7);
    std::string strTable = "Name\tGeneral";
    for (int i = 1; i < COLUMNS; ++i) strTable += "\t";
    strTable += "\n";
    for (int i = 1; i < COLUMNS; ++i) strTable += "\tColumn " + std::to_string(i);
    strTable += "\n";
    for (int nRow = 0; nRow < nRows; ++nRow) {
        char szName[32];
        if (bNumberedNames) std::snprintf(szName, sizeof szName, "Sword %05d", nRow);
        else std::snprintf(szName, sizeof szName, "item_%08x", static_cast<unsigned>(random()));
        strTable += szName;
        for (int i = 1; i < COLUMNS; ++i) {
            switch (i % 4) {
                case 0: strTable += "\t" + std::to_string(random() % 1000); break;
                case 1: strTable += "\t" + std::to_string(random() % 100) + ".5"; break;
                case 2: strTable += "\tsteel"; break;
                default: strTable += "\tmelee 3, attack 2.5"; break;
            }
        }
        strTable += "\n";
    }
    return strTable;
}

std::string EmitIni(const std::string& strTable) {
    CBenchConverter converter;
    std::string strIni;
    converter.LoadText(strTable, "Bench.txt");
    converter.ParseHeader();
    converter.EmitIni([&strIni](std::string_view strBlock) {
        strIni += strBlock;
        return true;
    });
    return strIni;
}

void BM_IniEmission(benchmark::State& state) {
    const std::string strTable = MakeTable(static_cast<int>(state.range(0)), false);
    size_t nBytes = 0;
    for (auto _ : state) {
        CBenchConverter converter;
        converter.LoadText(strTable, "Bench.txt");
        converter.ParseHeader();
        converter.EmitIni([&nBytes](std::string_view strBlock) {
            nBytes += strBlock.size();
            return true;
        });
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(nBytes));
}
BENCHMARK(BM_IniEmission)->Arg(2000)->Arg(65535)->Unit(benchmark::kMillisecond);

void BM_Converter(benchmark::State& state) {
    const std::string strIni = EmitIni(MakeTable(static_cast<int>(state.range(0)), false));
    std::string strRegistry, strError;
    for (auto _ : state) {
        ConvertIniToMemory(strIni, strRegistry, strError);
        benchmark::DoNotOptimize(strRegistry.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(strIni.size()));
}
BENCHMARK(BM_Converter)->Arg(2000)->Arg(65535)->Unit(benchmark::kMillisecond);

// Every row's every column, as a builder reads them; items are lookups.
void Lookups(benchmark::State& state, bool bNumberedNames) {
    const std::string strIni = EmitIni(MakeTable(static_cast<int>(state.range(0)), bNumberedNames));
    std::string strRegistry, strError;
    ConvertIniToMemory(strIni, strRegistry, strError);
    std::vector<SValueName> columns;
    std::vector<std::string> columnNames;
    for (int i = 1; i < COLUMNS; ++i) columnNames.push_back("General Column " + std::to_string(i));
    for (const std::string& strName : columnNames) columns.emplace_back(strName);
    for (auto _ : state) {
        CFileRegistry registry;
        registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(strRegistry.data()),
                            static_cast<std::uint32_t>(strRegistry.size()));
        std::vector<std::string> sections;
        registry.GetSectionNames(sections);
        std::int64_t nSum = 0;
        for (const std::string& strSection : sections)
            for (const SValueName& column : columns) nSum += registry.GetInt(strSection, column, 0);
        benchmark::DoNotOptimize(nSum);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * (COLUMNS - 1));
}
void BM_RegistryLookupsOrdinaryNames(benchmark::State& state) { Lookups(state, false); }
void BM_RegistryLookupsEqualHashNames(benchmark::State& state) { Lookups(state, true); }
BENCHMARK(BM_RegistryLookupsOrdinaryNames)->Arg(2000)->Arg(65535)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RegistryLookupsEqualHashNames)->Arg(2000)->Arg(65535)->Unit(benchmark::kMillisecond);

}  // namespace
