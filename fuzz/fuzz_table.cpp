// Arbitrary bytes as an item table: reading, the header and INI emission. When the INI comes
// out and converts, every data row must be a section of the registry, in table order.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "tableconv/FileRegistry.h"
#include "tableconv/TableConverter.h"
#include "tools/ini2reg/IniConverter.h"

namespace {
class CProbeConverter : public CTableConverter {
public:
    bool Save(const char*) override { return true; }
    const std::vector<std::string>& ColumnNames() const { return m_columnNames; }
};

void Check(bool bHolds) {
    if (!bHolds) __builtin_trap();
}

// The row names the table holds, worked out apart from the reader: lines cut at LF after a
// leading byte order mark and before the first zero byte, the header lines skipped, a row named
// by its first tab-separated cell trimmed of white space, empty and repeated names skipped.
std::vector<std::string_view> ExpectedRows(std::string_view strText, size_t nHeaderLines) {
    if (strText.substr(0, 3) == "\xEF\xBB\xBF") strText.remove_prefix(3);
    strText = strText.substr(0, strText.find('\0'));
    std::vector<std::string_view> rows;
    std::unordered_set<std::string_view, SNoCaseHash, SNoCaseEqual> seen;
    for (size_t nLine = 0; !strText.empty(); ++nLine) {
        const size_t nFeed = strText.find('\n');
        const std::string_view strLine = strText.substr(0, nFeed);
        strText.remove_prefix(nFeed == std::string_view::npos ? strText.size() : nFeed + 1);
        if (nLine < nHeaderLines) continue;
        const std::string_view strName = TrimWhite(strLine.substr(0, strLine.find('\t')));
        if (!strName.empty() && seen.insert(strName).second) rows.push_back(strName);
    }
    return rows;
}

// True when a column's key (its name up to the first '=') is the name, case aside.
bool HasKey(const std::vector<std::string>& columns, std::string_view strName) {
    for (std::string_view strColumn : columns)
        if (EqualNoCase(strColumn.substr(0, strColumn.find('=')), strName)) return true;
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The reader reports odd tables on standard output; the fuzzer's own output is on stderr.
    if (!std::freopen("/dev/null", "w", stdout)) return 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, size_t nSize) {
    const std::string_view strText(reinterpret_cast<const char*>(pData), nSize);
    CProbeConverter converter;
    if (!converter.LoadText(strText, "fuzz.txt")) return 0;
    const bool bHeader = converter.ParseHeader();
    std::string strIni;
    const bool bEmitted = converter.EmitIni([&strIni](std::string_view strBlock) {
        strIni.append(strBlock);
        return true;
    });
    Check(bEmitted);

    std::string strRegistry, strError;
    if (!ConvertIniToMemory(strIni, strRegistry, strError)) {
        Check(!strError.empty());
        return 0;
    }
    CFileRegistry registry;
    Check(registry.OpenMemory(reinterpret_cast<const std::uint8_t*>(strRegistry.data()),
                              static_cast<std::uint32_t>(strRegistry.size())));
    std::string strProblem;
    Check(registry.Verify(strProblem));

    const std::vector<std::string_view> rows = ExpectedRows(strText, bHeader ? 2 : 1);
    std::vector<std::string> sections;
    Check(registry.GetSectionNames(sections) && sections.size() == rows.size());
    // A column of that name would give its own cell as the row's order.
    const bool bOrdered = !HasKey(converter.ColumnNames(), "SortOrderID");
    for (size_t i = 0; i < rows.size(); ++i) {
        SRegistryValue value;
        Check(registry.FindValue(rows[i], "SortOrderID", value));
        if (bOrdered) Check(registry.GetInt(rows[i], "SortOrderID", -1) == static_cast<int>(i));
    }
    if (bOrdered) {
        converter.GetSortedSectionNames(registry, sections);
        for (size_t i = 0; i < rows.size(); ++i) Check(sections[i] == rows[i]);
    }
    return 0;
}
