// The converter's second job: the table's data rows become sections of tempreg.ini, which the
// external Ini2Reg.bat turns into the registry file tempreg.reg that the builders read.
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>

#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"
#include "tableconv/TableConverter.h"

namespace {
constexpr char SCRIPT_NAME[] = "Ini2Reg.bat";

// The INI text goes out in blocks of this size, not as one string of the whole table. Small
// enough to stay in the cache and cost few page faults, large enough for few writes.
constexpr size_t INI_BLOCK = 256 << 10;

constexpr std::string_view SORT_KEY = "SortOrderID=";

constexpr std::string_view MINUS_SIGN = "\xE2\x88\x92";  // U+2212, as spreadsheets write a minus

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A quoted cell whose text holds a comma or begins with a quote is written back in quotes, so
// that the converter keeps it as one text rather than a list or a shorter text.
bool NeedsIniQuotes(std::string_view strValue, bool bQuoted) {
    return bQuoted && !strValue.empty() &&
           (strValue.front() == '"' || strValue.find(',') != std::string_view::npos);
}

// At least the bytes WriteIniValue writes for the value (WithoutPercent already applied).
size_t IniValueBound(std::string_view strValue, bool bQuoted) {
    return NeedsIniQuotes(strValue, bQuoted) ? 2 * strValue.size() + 2 : strValue.size();
}

char* WriteIniValue(char* p, std::string_view strValue, bool bQuoted) {
    if (strValue.starts_with(MINUS_SIGN) && strValue.size() > MINUS_SIGN.size() &&
        (IsDigit(strValue[MINUS_SIGN.size()]) || strValue[MINUS_SIGN.size()] == '.')) {
        *p++ = '-';
        strValue.remove_prefix(MINUS_SIGN.size());
    }
    if (!NeedsIniQuotes(strValue, bQuoted)) {
        std::memcpy(p, strValue.data(), strValue.size());
        return p + strValue.size();
    }
    *p++ = '"';
    for (const char c : strValue) {
        *p++ = c;
        if (c == '"') *p++ = '"';
    }
    *p++ = '"';
    return p;
}

// At least the bytes that WriteIniSection will write for the row.
size_t IniSectionSize(const STableRow& row, const std::vector<std::string>& columnNames,
                      std::string_view strNumber) {
    const size_t nColumns = std::min(row.cells.size(), columnNames.size());
    size_t nSize = 4 + row.cells[0].size() + SORT_KEY.size() + strNumber.size() + 1;
    for (size_t i = 0; i < nColumns; ++i)
        nSize += columnNames[i].size() + IniValueBound(row.cells[i], row.IsQuoted(i)) + 2;
    return nSize;
}

// Writes the row's section at p, at most IniSectionSize bytes; returns the end.
char* WriteIniSection(char* p, const STableRow& row, const std::vector<std::string>& columnNames,
                      std::string_view strNumber) {
    auto put = [&p](std::string_view str) {
        std::memcpy(p, str.data(), str.size());
        p += str.size();
    };
    put("\n[");
    put(row.cells[0]);
    put("]\n");
    const size_t nColumns = std::min(row.cells.size(), columnNames.size());
    for (size_t i = 0; i < nColumns; ++i) {
        const std::string_view strValue = WithoutPercent(row.cells[i]);
        if (strValue.empty()) continue;
        put(columnNames[i]);
        *p++ = '=';
        p = WriteIniValue(p, strValue, row.IsQuoted(i));
        *p++ = '\n';
    }
    put(SORT_KEY);
    put(strNumber);
    *p++ = '\n';
    return p;
}

std::string_view SortNumberText(char (&szNumber)[16], int nSortId) {
    return std::string_view(
        szNumber,
        static_cast<size_t>(std::to_chars(szNumber, szNumber + sizeof szNumber, nSortId).ptr - szNumber));
}
}  // namespace

std::string_view WithoutPercent(std::string_view strCell) {
    const size_t nSize = strCell.size();
    while (!strCell.empty() && strCell.back() == '%') strCell.remove_suffix(1);
    if (strCell.size() == nSize) return strCell;
    // "30 %", "30,00\u00A0%" (German), "10\u202F%" (French): the space belongs to the '%'.
    for (const std::string_view strSpace : {" ", "\xC2\xA0", "\xE2\x80\xAF", "\xA0"}) {
        if (strCell.size() > strSpace.size() && strCell.ends_with(strSpace) &&
            IsDigit(strCell[strCell.size() - strSpace.size() - 1])) {
            strCell.remove_suffix(strSpace.size());
            break;
        }
    }
    return strCell;
}

std::string IniValueOf(std::string_view strCell, bool bQuoted) {
    const std::string_view strValue = WithoutPercent(strCell);
    std::string strOut(IniValueBound(strValue, bQuoted), '\0');
    strOut.resize(static_cast<size_t>(WriteIniValue(strOut.data(), strValue, bQuoted) - strOut.data()));
    return strOut;
}

void AppendIniSection(std::string& strIni, const STableRow& row,
                      const std::vector<std::string>& columnNames, int nSortId) {
    char szNumber[16];
    const std::string_view strNumber = SortNumberText(szNumber, nSortId);
    const size_t nStart = strIni.size();
    strIni.resize(nStart + IniSectionSize(row, columnNames, strNumber));
    char* const pEnd = WriteIniSection(strIni.data() + nStart, row, columnNames, strNumber);
    strIni.resize(static_cast<size_t>(pEnd - strIni.data()));
}

bool CTableConverter::EmitIni(const std::function<bool(std::string_view)>& writeBlock) {
    // Measured first and written with plain copies into one block, handed out when full: this
    // runs for every row of every table, and no row becomes a string of its own.
    size_t nCapacity = INI_BLOCK;
    auto pBlock = std::make_unique_for_overwrite<char[]>(nCapacity);
    size_t nUsed = 0;
    // Names are views into the loaded table, which outlives this call.
    std::unordered_set<std::string_view, SNoCaseHash, SNoCaseEqual> writtenNames;
    // A quoted row name lives in the row's own buffer, which the next row reuses: such names
    // are kept here, in a list whose strings never move.
    std::vector<std::unique_ptr<std::string>> quotedNames;
    STableRow& row = m_row;
    int nSortId = 0;
    // Empty lines are skipped rather than ending the table, so no later row is lost.
    while (GetNextRow(row)) {
        const std::string_view strName = row.cells[0];
        if (strName.empty()) continue;
        // The registry finds a section by its name: a second row of the same name (case aside)
        // would silently receive the first row's values.
        const auto inserted = writtenNames.insert(strName);
        if (!inserted.second) {
            std::printf("\"%s\": row \"%.*s\" repeats an earlier row name and is skipped.\n",
                        m_strFileName.c_str(), static_cast<int>(strName.size()), strName.data());
            continue;
        }
        if (row.IsQuoted(0)) {
            writtenNames.erase(inserted.first);
            quotedNames.push_back(std::make_unique<std::string>(strName));
            writtenNames.insert(*quotedNames.back());
        }
        char szNumber[16];
        const std::string_view strNumber = SortNumberText(szNumber, nSortId++);
        const size_t nSize = IniSectionSize(row, m_columnNames, strNumber);
        if (nUsed + nSize > nCapacity) {
            if (nUsed > 0 && !writeBlock(std::string_view(pBlock.get(), nUsed))) return false;
            nUsed = 0;
            if (nSize > nCapacity) {  // a row larger than a block gets a block of its own size
                nCapacity = nSize;
                pBlock = std::make_unique_for_overwrite<char[]>(nCapacity);
            }
        }
        nUsed = static_cast<size_t>(
            WriteIniSection(pBlock.get() + nUsed, row, m_columnNames, strNumber) - pBlock.get());
    }
    return writeBlock(std::string_view(pBlock.get(), nUsed));
}

bool CTableConverter::ConvertToRegistry() {
    RemoveTempFiles();
    const std::string strIniPath = m_strTempBase + ".ini";
    const std::string strRegPath = m_strTempBase + ".reg";

    // Text mode: the system's own line ends (CRLF on Windows).
    errno = 0;
    std::FILE* pIni = std::fopen(strIniPath.c_str(), "wt");
    bool bWritten = pIni && EmitIni([pIni](std::string_view strBlock) {
        return std::fwrite(strBlock.data(), 1, strBlock.size(), pIni) == strBlock.size();
    });
    if (pIni) bWritten = std::fclose(pIni) == 0 && bWritten;
    if (!bWritten) {
        const int nError = errno;
        std::printf("Can't write \"%s\" for \"%s\": %s.\n", strIniPath.c_str(),
                    m_strFileName.c_str(),
                    nError ? platform::ErrorText(static_cast<unsigned long>(nError)).c_str()
                           : "the write failed");
        return NoteConversionFailure();
    }

    int nExitCode = 0;
    if (!platform::RunScriptAndWait(SCRIPT_NAME, strIniPath.c_str(), nExitCode)) {
        const unsigned long nError = platform::LastError();
        if (platform::IsNotFoundError(nError))
            std::printf("Can't start %s for \"%s\": not found beside Marrow, in the current folder "
                        "or on PATH.\n",
                        SCRIPT_NAME, m_strFileName.c_str());
        else
            std::printf("Can't start %s for \"%s\": %s.\n", SCRIPT_NAME, m_strFileName.c_str(),
                        platform::ErrorText(nError).c_str());
        return NoteConversionFailure();
    }
    if (!platform::FileExists(strRegPath.c_str())) {
        std::printf("%s left no tempreg.reg for \"%s\" (exit status %d).\n", SCRIPT_NAME,
                    m_strFileName.c_str(), nExitCode);
        return NoteConversionFailure();
    }
    // A converter that says it failed may have left a file that only looks whole.
    if (nExitCode != 0) {
        std::printf("%s failed for \"%s\" (exit status %d).\n", SCRIPT_NAME, m_strFileName.c_str(),
                    nExitCode);
        return NoteConversionFailure();
    }
    return true;
}

bool CTableConverter::NoteConversionFailure() {
    m_unconvertedTables.push_back(m_strFileName);
    return false;
}

void CTableConverter::RemoveTempFiles() {
    std::remove((m_strTempBase + ".ini").c_str());
    std::remove((m_strTempBase + ".reg").c_str());
}

void CTableConverter::GetSortedSectionNames(const CFileRegistry& registry,
                                            std::vector<std::string>& names) {
    std::vector<std::pair<std::int32_t, std::string>> ordered;
    registry.GetSectionNumbers("SortOrderID", -1, ordered);
    // Stable, so that sections with equal numbers keep a fixed order from run to run.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    names.clear();
    names.reserve(ordered.size());
    for (auto& entry : ordered) names.push_back(std::move(entry.second));
}
