// gen_tables: writes the six item tables with every column every builder reads filled, as a
// studio's designers would fill them, for benchmarks. Seeded, so runs can be compared.
// Usage: gen_tables <directory> <rows per table, 1 to 65535> [seed]
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "itemdb/Columns.h"

namespace {
const char* const WEAPONS[] = {"Sword", "Axe", "Dagger", "Spear", "Hammer", "Bow", "Crossbow"};
const char* const ARMORS[] = {"Helm", "Plate", "Leggings", "Shirt", "Pants", "Boots", "Gloves"};
const char* const QUICK_TYPES[] = {"DangerSensor", "Persuader", "Trap", "Picklock", "Crowbar",
                                   "Wand", "Key", "Plug", "Scroll"};
const char* const LOOT_TYPES[] = {"Treasure", "Material", "Instruction"};
const char* const DAMAGE_TYPES[] = {"Piercing", "Slashing", "Bludgeoning", "Termal", "Chemic",
                                    "Electric"};
const char* const SKILLS[] = {"melee", "archery", "backstab", "elemental", "sense", "astral",
                              "stealth", "awareness", "science", "stealing", "tame"};
const char* const MATERIALS[] = {"Iron", "Steel", "Bronze", "Mithril", "Oak", "Yew", "Leather",
                                 "Silk", "Bone", "Crystal"};
const char* const ZONES[] = {"Castle", "Harbor", "Old Mine", "Crypt", "Temple", "Forest"};
// Designers number their rows: names of equal byte sums, hard on the registry's hash.
const char* const NAME_STEMS[] = {"Ore", "Sword", "Iron Helm", "Potion", "Seal", "Coin"};

class CGenerator {
public:
    CGenerator(unsigned nSeed, int nRows) : m_random(nSeed), m_nRows(nRows) {}

    std::string Cell(const SColumnInfo& column, int nRow, const char* pszStem) {
        using E = EValueRule;
        switch (column.rule) {
            case E::WeaponName: return Mixed(Pick(WEAPONS));
            case E::ArmorName: return Mixed(Pick(ARMORS));
            case E::QuickType: return Mixed(Pick(QUICK_TYPES));
            case E::LootType: return Mixed(Pick(LOOT_TYPES));
            case E::DamageType: return Pick(DAMAGE_TYPES);
            case E::Flag: return Number(0, 1);
            case E::SkillList: return SkillList(false);
            case E::WeaponList: return SkillList(true);
            case E::CrippledList: return Number(0, 31) + "," + Number(0, 31);
            // A row of the materials table, which is written first with the first stem.
            case E::Material:
                return RowName(NAME_STEMS[0],
                               std::uniform_int_distribution<int>(1, m_nRows)(m_random));
            case E::Any: break;
        }
        if (&column == &columns::NAME) return RowName(pszStem, nRow);
        switch (column.type) {
            case EColumnType::Int: return Number(-1, 40);
            case EColumnType::Float: {
                const std::string strValue = Number(0, 200) + "." + Number(0, 9);
                return Chance(4) ? Number(0, 100) + "%" : strValue;
            }
            case EColumnType::String: return Pick(MATERIALS);
            case EColumnType::StringList:
                return std::string(Pick(ZONES)) + ", " + Pick(ZONES) + ", " + Pick(ZONES);
        }
        return "";
    }

private:
    static std::string RowName(const char* pszStem, int nRow) {
        char szName[64];
        std::snprintf(szName, sizeof szName, "%s %05d", pszStem, nRow);
        return szName;
    }
    template <size_t N>
    const char* Pick(const char* const (&words)[N]) {
        return words[std::uniform_int_distribution<size_t>(0, N - 1)(m_random)];
    }
    std::string Number(int nLow, int nHigh) {
        return std::to_string(std::uniform_int_distribution<int>(nLow, nHigh)(m_random));
    }
    bool Chance(int nOneIn) { return std::uniform_int_distribution<int>(1, nOneIn)(m_random) == 1; }
    std::string Mixed(std::string strWord) {
        if (Chance(3))
            for (char& c : strWord) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return strWord;
    }
    std::string SkillList(bool bWeapon) {
        std::string strList = std::string(Pick(SKILLS)) + " " + Number(0, 12) + ", " + Pick(SKILLS) +
                              " " + Number(0, 12);
        if (bWeapon) strList += ", attack " + Number(0, 9) + ".5, defence " + Number(0, 5);
        return strList;
    }

    std::mt19937 m_random;
    int m_nRows;
};
}  // namespace

int main(int argc, char** argv) {
    const int nRows = argc >= 3 ? std::atoi(argv[2]) : 0;
    if (argc < 3 || argc > 4 || nRows < 1 || nRows > 65535) {
        std::fputs("Usage: gen_tables <directory> <rows per table, 1 to 65535> [seed]\n", stderr);
        return 2;
    }
    CGenerator generator(argc == 4 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 1,
                         nRows);
    size_t nKind = 0;
    for (const SKindColumns& kind : AllKinds()) {
        const std::string strPath = std::string(argv[1]) + "/" + kind.pszTable;
        std::FILE* pFile = std::fopen(strPath.c_str(), "wb");
        if (!pFile) {
            std::fprintf(stderr, "gen_tables: cannot create %s\n", strPath.c_str());
            return 1;
        }
        std::string strText = HeaderLinesOf(kind);
        const auto ordered = ColumnsInTableOrder(kind);
        const char* pszStem = NAME_STEMS[nKind++ % std::size(NAME_STEMS)];
        for (int nRow = 1; nRow <= nRows; ++nRow) {
            for (size_t i = 0; i < ordered.size(); ++i) {
                if (i) strText += '\t';
                if (ordered[i]) strText += generator.Cell(*ordered[i], nRow, pszStem);
            }
            strText += '\n';
        }
        const bool bWritten = std::fwrite(strText.data(), 1, strText.size(), pFile) == strText.size();
        if (std::fclose(pFile) != 0 || !bWritten) {
            std::fprintf(stderr, "gen_tables: cannot write %s\n", strPath.c_str());
            return 1;
        }
    }
    return 0;
}
