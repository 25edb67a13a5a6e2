// Arbitrary bytes as the file idbdump is given, through its JSON, raw JSON, table and summary
// views: every view gives the same verdict and the same notes, keeps at most the notes it prints,
// counts the records the loader counts, and agrees with the loader on the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "loader/DatabaseCheck.h"
#include "loader/LoadSteps.h"
#include "output/DataStream.h"
#include "tools/idbdump/IdbDump.h"
#include "tools/idbdump/RegistryDump.h"

namespace {
void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

const std::string PATH = "items.idb";

std::size_t CountOf(std::string_view strText, std::string_view strWhat) {
    std::size_t nCount = 0;
    for (std::size_t i = strText.find(strWhat); i != std::string_view::npos;
         i = strText.find(strWhat, i + strWhat.size()))
        ++nCount;
    return nCount;
}

// The number on the summary's "records" line.
std::size_t SummaryRecords(const std::string& strSummary) {
    const std::size_t nAt = strSummary.find("\nrecords ");
    Check(nAt != std::string::npos);
    return std::strtoul(strSummary.c_str() + nAt + 9, nullptr, 10);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize) {
    if (nSize > 0xFFFFFFF0u) return 0;
    const std::string_view strBytes(reinterpret_cast<const char*>(pData), nSize);
    std::string strJson, strErr;
    const int nStatus =
        DumpBytes(strBytes, PATH, EDumpMode::Json, EValueStyle::Json, strJson, strErr);
    Check(nStatus == EXIT_SAME || nStatus == EXIT_TROUBLE);
    Check(!strErr.empty() || nStatus == EXIT_SAME);
    Check(strErr.empty() || strErr.back() == '\n');
    // The ten notes printed, and one line that counts the rest.
    Check(CountOf(strErr, PATH + ": note: ") <= SDatabaseView::KEPT_NOTES + 1);

    struct {
        EDumpMode mode;
        EValueStyle style;
    } const OTHERS[] = {{EDumpMode::Json, EValueStyle::JsonRaw},
                        {EDumpMode::Text, EValueStyle::Json},
                        {EDumpMode::Summary, EValueStyle::Json}};
    std::string strSummary;
    for (const auto& other : OTHERS) {
        std::string strOut, strOtherErr;
        Check(DumpBytes(strBytes, PATH, other.mode, other.style, strOut, strOtherErr) == nStatus);
        Check(strOtherErr == strErr);
        Check(nStatus == EXIT_SAME || strOut.empty());
        if (other.mode == EDumpMode::Summary) strSummary = strOut;
    }
    if (IsRegistryFile(strBytes)) return 0;

    // The loader's verdict on the same bytes, in the same words.
    CMemoryStream stream;
    stream.Write(pData, static_cast<std::uint32_t>(nSize));
    marrow::SItemLists lists;
    const marrow::SLoadResult result = LoadItemBytes(stream, lists);
    Check((result.Status == marrow::ELoadStatus::Loaded) == (nStatus == EXIT_SAME));
    if (nStatus != EXIT_SAME) {
        const bool bForeign = result.Status == marrow::ELoadStatus::NotItemDatabase;
        Check(strErr == PATH + ": " + (bForeign ? "not an items database: " : "") +
                            result.Reason + "\n");
        return 0;
    }
    const std::size_t nRecords = lists.m_materials.size() + lists.m_weapons.size() +
                                 lists.m_armors.size() + lists.m_quickItems.size() +
                                 lists.m_questItems.size() + lists.m_lootItems.size();
    Check(SummaryRecords(strSummary) == nRecords);
    Check(strJson.starts_with("{\n") && strJson.ends_with("}\n"));
    Check(CountOf(strJson, "\n    {\"Name\": ") == nRecords);
    return 0;
}
