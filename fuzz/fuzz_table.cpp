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

bool IsWhiteByte(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The row names the table holds, worked out apart from the reader, one byte at a time: a
// leading byte order mark skipped and the text ended at the first zero byte, CRs read as LFs in a
// text without any LF; rows end at a LF
// outside quotes; a cell that begins (after spaces) with a quote is quoted, "" standing for a
// quote and each line break (CRLF, LF or CR) for a space, unless its quote never closes, when
// the cell is read again as plain text up to its tab or line end. A row is named by its first
// cell trimmed of white space; the header rows are skipped, and so are empty and repeated names.
std::vector<std::string> ExpectedRows(std::string_view strText, size_t nHeaderRows) {
    if (strText.substr(0, 3) == "\xEF\xBB\xBF") strText.remove_prefix(3);
    std::string strLines(strText.substr(0, strText.find('\0')));
    // Without a single LF, each CR ends a line (old Mac exports).
    if (strLines.find('\n') == std::string::npos)
        for (char& c : strLines)
            if (c == '\r') c = '\n';
    strText = strLines;
    const size_t n = strText.size();
    std::vector<std::string> rows;
    std::unordered_set<std::string, SNoCaseHash, SNoCaseEqual> seen;
    size_t i = 0;
    for (size_t nRow = 0; i < n; ++nRow) {
        std::string strName;
        bool bFirstCell = true;
        for (;;) {  // one cell a turn
            const size_t nCellStart = i;
            std::string strCell;
            size_t j = i;
            while (j < n && strText[j] == ' ') ++j;
            bool bQuoted = false;
            if (j < n && strText[j] == '"') {
                std::string strInside;
                size_t k = j + 1;
                for (; k < n; ++k) {
                    const char c = strText[k];
                    if (c == '"' && k + 1 < n && strText[k + 1] == '"') {
                        strInside += '"';
                        ++k;
                    } else if (c == '"') {
                        bQuoted = true;
                        break;
                    } else if (c == '\r' && k + 1 < n && strText[k + 1] == '\n') {
                        strInside += ' ';
                        ++k;
                    } else {
                        strInside += c == '\n' || c == '\r' ? ' ' : c;
                    }
                }
                if (bQuoted) {
                    strCell = strInside;
                    i = k + 1;
                }
            }
            if (!bQuoted) i = nCellStart;
            while (i < n && strText[i] != '\t' && strText[i] != '\n') strCell += strText[i++];
            if (bFirstCell) strName = strCell;
            bFirstCell = false;
            if (i < n && strText[i] == '\t') {
                ++i;
                continue;
            }
            if (i < n) ++i;  // the row's line feed
            break;
        }
        if (nRow < nHeaderRows) continue;
        size_t b = 0, e = strName.size();
        while (b < e && IsWhiteByte(strName[b])) ++b;
        while (e > b && IsWhiteByte(strName[e - 1])) --e;
        strName = strName.substr(b, e - b);
        if (!strName.empty() && seen.insert(strName).second) rows.push_back(strName);
    }
    return rows;
}

// A table that begins with a UTF-16 byte order mark as UTF-8, worked out apart from the reader:
// pairs of surrogates joined, any other surrogate and an odd last byte U+FFFD. Other text as is.
std::string OracleUtf8(std::string_view strText) {
    const auto byte = [&](size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(strText[i])); };
    const bool bBig = strText.size() >= 2 && byte(0) == 0xFE && byte(1) == 0xFF;
    if (!bBig && !(strText.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE))
        return std::string(strText);
    const auto unit = [&](size_t i) { return bBig ? byte(i) << 8 | byte(i + 1) : byte(i + 1) << 8 | byte(i); };
    std::vector<unsigned> codes;
    size_t i = 2;
    for (; i + 1 < strText.size(); i += 2) {
        const unsigned nUnit = unit(i);
        if (nUnit >= 0xD800 && nUnit < 0xDC00 && i + 3 < strText.size() && unit(i + 2) >= 0xDC00 &&
            unit(i + 2) < 0xE000) {
            codes.push_back(0x10000 + ((nUnit - 0xD800) << 10) + (unit(i + 2) - 0xDC00));
            i += 2;
        } else {
            codes.push_back(nUnit >= 0xD800 && nUnit < 0xE000 ? 0xFFFD : nUnit);
        }
    }
    if (i < strText.size()) codes.push_back(0xFFFD);
    std::string strOut;
    for (const unsigned c : codes) {
        const int nTail = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
        static const unsigned LEAD[] = {0x00, 0xC0, 0xE0, 0xF0};
        strOut += static_cast<char>(LEAD[nTail] | (c >> (6 * nTail)));
        for (int k = nTail - 1; k >= 0; --k) strOut += static_cast<char>(0x80 | ((c >> (6 * k)) & 0x3F));
    }
    return strOut;
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

    const std::string strUtf8 = OracleUtf8(strText);
    const std::vector<std::string> rows = ExpectedRows(strUtf8, bHeader ? 2 : 1);
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
