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

// The kind's reader by its record: ReadKind(..., SWeapon&) is ReadWeapon.
#define MARROW_READ_KIND(record, singular, ...)                                              \
    void ReadKind(const CFileRegistry& registry, std::string_view strSection, std::int32_t nRow, \
                  marrow::record& value) {                                                   \
        Read##singular(registry, strSection, nRow, value);                                   \
    }
MARROW_ITEM_KINDS(MARROW_READ_KIND)
#undef MARROW_READ_KIND

// One row: the common item columns, the columns read as they stand, then the kind's own code.
template <class TRecord>
void ReadRow(const CFileRegistry& registry, std::string_view strSection, std::int32_t nRow,
             TRecord& record) {
    if constexpr (std::is_base_of_v<SItemCommon, TRecord>)
        ReadCommonFields(registry, strSection, record);
    ReadDeclaredColumns(registry, strSection, record);
    ReadKind(registry, strSection, nRow, record);
}
}  // namespace

template <class TRecord>
bool CItemDatabase::BuildList(const char* pszFileName) {
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
        ReadRow(registry, strSection, static_cast<std::int32_t>(nBuilt), list[nBuilt]);
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

#define MARROW_DEFINE_BUILD(record, singular, plural, ...)               \
    bool CItemDatabase::Build##plural(const char* pszFileName) {         \
        return BuildList<marrow::record>(pszFileName);                   \
    }
MARROW_ITEM_KINDS(MARROW_DEFINE_BUILD)
#undef MARROW_DEFINE_BUILD
