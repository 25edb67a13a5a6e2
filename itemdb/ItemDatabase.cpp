#include "itemdb/ItemDatabase.h"

#include <cstdio>

#include "driver/ErrorReport.h"
#include "itemdb/Columns.h"
#include "loader/ItemKinds.h"
#include "tableconv/FileRegistry.h"

bool CItemDatabase::OpenConverted(CFileRegistry& registry) {
    const std::string strPath = m_strTempBase + ".reg";
    if (!registry.Open(strPath.c_str())) {
        std::printf("Ini2Reg.bat left a tempreg.reg for \"%s\" that is no registry file.\n",
                    m_strFileName.c_str());
        return NoteConversionFailure();
    }
    std::string strProblem;
    if (!registry.Verify(strProblem)) {
        std::printf("Ini2Reg.bat left a damaged tempreg.reg for \"%s\" (%s).\n",
                    m_strFileName.c_str(), strProblem.c_str());
        registry.Close();
        return NoteConversionFailure();
    }
    return true;
}

template <class TRecord, class FFill>
bool CItemDatabase::BuildList(const char* pszFileName, FFill fill) {
    constexpr std::size_t nKind = KIND_INDEX<TRecord>;
    std::vector<TRecord>& list = this->*KindOf<TRecord>().pList;
    CFileRegistry registry;
    std::printf("Building %s list:", AllKinds()[nKind].pszKind);
    if (!LoadFile(pszFileName) || !ParseHeader() || !ConvertToRegistry() ||
        !OpenConverted(registry))
        return false;

    std::vector<std::string> sectionNames;
    GetSortedSectionNames(registry, sectionNames);
    // Sized once and filled in place, so no record is copied while the list grows.
    list.clear();
    list.resize(sectionNames.size());
    size_t nBuilt = 0;
    for (const std::string& strSection : sectionNames) {
        if (strSection.empty()) continue;
        std::putchar('.');
        const CErrorRow row(m_strFileName, strSection);
        fill(registry, strSection, list[nBuilt], static_cast<std::int32_t>(nBuilt));
        ++nBuilt;
    }
    list.resize(nBuilt);
    // Closed first: Windows refuses to delete a file that is still mapped.
    registry.Close();
    RemoveTempFiles();
    std::printf("\n");
    return true;
}

bool CItemDatabase::BuildMaterials(const char* pszFileName) {
    return BuildList<SMaterial>(pszFileName, [](const CFileRegistry& registry,
                                                std::string_view strSection, SMaterial& material,
                                                std::int32_t nIndex) {
        ReadMaterial(registry, strSection, nIndex, material);
    });
}

bool CItemDatabase::BuildWeapons(const char* pszFileName) {
    return BuildList<SWeapon>(pszFileName, [](const CFileRegistry& registry,
                                              std::string_view strSection, SWeapon& weapon,
                                              std::int32_t) {
        ReadWeapon(registry, strSection, weapon);
    });
}

bool CItemDatabase::BuildArmors(const char* pszFileName) {
    return BuildList<SArmor>(pszFileName, [](const CFileRegistry& registry,
                                             std::string_view strSection, SArmor& armor,
                                             std::int32_t) {
        ReadArmor(registry, strSection, armor);
    });
}

bool CItemDatabase::BuildQuickItems(const char* pszFileName) {
    return BuildList<SQuickItem>(pszFileName, [](const CFileRegistry& registry,
                                                 std::string_view strSection, SQuickItem& item,
                                                 std::int32_t) {
        ReadQuickItem(registry, strSection, item);
    });
}

bool CItemDatabase::BuildQuestItems(const char* pszFileName) {
    return BuildList<SQuestItem>(pszFileName, [](const CFileRegistry& registry,
                                                 std::string_view strSection, SQuestItem& item,
                                                 std::int32_t) {
        ReadQuestItem(registry, strSection, item);
    });
}

bool CItemDatabase::BuildLootItems(const char* pszFileName) {
    return BuildList<SLootItem>(pszFileName, [](const CFileRegistry& registry,
                                                std::string_view strSection, SLootItem& item,
                                                std::int32_t) {
        ReadLootItem(registry, strSection, item);
    });
}
