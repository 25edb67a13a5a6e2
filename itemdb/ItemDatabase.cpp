#include "itemdb/ItemDatabase.h"

#include <cstdio>
#include <type_traits>

#include "errors/ErrorReport.h"
#include "itemdb/Columns.h"
#include "loader/ItemKinds.h"
#include "platform/Memory.h"
#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"

bool CItemDatabase::OpenConverted(CFileRegistry& registry) {
    const std::string strPath = m_strTempBase + ".reg";
    if (!registry.Open(strPath.c_str())) {
        // The mapping reports its failures itself; when that report was the run's last, the run
        // ends with it and nothing more is printed.
        if (!ErrorLimitReached())
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

namespace {
constexpr std::uint32_t LARGE_TABLE_BYTES = 4u << 20;
}  // namespace

template <class TRecord, class FRead>
bool CItemDatabase::BuildList(const char* pszFileName, FRead read) {
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
    list.reserve(sectionNames.size());
    platform::AdviseLargePages(list.data(), sectionNames.size() * sizeof(TRecord));
    list.resize(sectionNames.size());
    size_t nBuilt = 0;
    for (const std::string& strSection : sectionNames) {
        if (strSection.empty()) continue;
        std::putchar('.');
        const CErrorRow row(m_strFileName, strSection);
        // Materials also take their position in the list.
        if constexpr (std::is_invocable_v<FRead, const CFileRegistry&, std::string_view,
                                          std::int32_t, TRecord&>)
            read(registry, strSection, static_cast<std::int32_t>(nBuilt), list[nBuilt]);
        else read(registry, strSection, list[nBuilt]);
        ++nBuilt;
        // The row that met the run's last error is its last: the driver ends the run.
        if (ErrorLimitReached()) break;
    }
    list.resize(nBuilt);
    if (ErrorLimitReached()) {
        // Nothing more is printed: the driver says why the run stops and clears its temporaries.
        registry.Close();
        return false;
    }
    // Closed first: Windows refuses to delete a file that is still mapped.
    registry.Close();
    RemoveTempFiles();
    sectionNames = {};
    // Only a large table leaves enough behind to matter; trimming after a small one would
    // only make the next builder fault the same pages in again.
    if (m_nLength >= LARGE_TABLE_BYTES) platform::ReleaseFreeMemory();
    std::printf("\n");
    return true;
}

bool CItemDatabase::BuildMaterials(const char* pszFileName) {
    return BuildList<SMaterial>(pszFileName, ReadMaterial);
}
bool CItemDatabase::BuildWeapons(const char* pszFileName) {
    return BuildList<SWeapon>(pszFileName, ReadWeapon);
}
bool CItemDatabase::BuildArmors(const char* pszFileName) {
    return BuildList<SArmor>(pszFileName, ReadArmor);
}
bool CItemDatabase::BuildQuickItems(const char* pszFileName) {
    return BuildList<SQuickItem>(pszFileName, ReadQuickItem);
}
bool CItemDatabase::BuildQuestItems(const char* pszFileName) {
    return BuildList<SQuestItem>(pszFileName, ReadQuestItem);
}
bool CItemDatabase::BuildLootItems(const char* pszFileName) {
    return BuildList<SLootItem>(pszFileName, ReadLootItem);
}
