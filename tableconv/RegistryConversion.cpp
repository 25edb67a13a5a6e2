// The converter's second job: the table's data rows become sections of tempreg.ini, which the
// external Ini2Reg.bat turns into the registry file tempreg.reg that the builders read.
#include <algorithm>
#include <cstdio>
#include <unordered_set>

#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"
#include "tableconv/TableConverter.h"

namespace {
constexpr char SCRIPT_NAME[] = "Ini2Reg.bat";

std::string LowerCopy(std::string_view str) {
    std::string strLower(str);
    for (char& c : strLower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return strLower;
}

bool WriteTextFile(const std::string& strPath, const std::string& strText) {
    // Text mode: the system's own line ends (CRLF on Windows).
    std::FILE* pFile = std::fopen(strPath.c_str(), "wt");
    if (!pFile) return false;
    const bool bWritten = std::fwrite(strText.data(), 1, strText.size(), pFile) == strText.size();
    return (std::fclose(pFile) == 0) && bWritten;
}
}  // namespace

void AppendIniSection(std::string& strIni, std::string_view strName,
                      const std::vector<std::string_view>& cells,
                      const std::vector<std::string>& columnNames, int nSortId) {
    strIni += "\n[";
    strIni += strName;
    strIni += "]\n";
    const size_t nColumns = std::min(cells.size(), columnNames.size());
    for (size_t i = 0; i < nColumns; ++i) {
        std::string_view strCell = cells[i];
        while (!strCell.empty() && strCell.back() == '%') strCell.remove_suffix(1);
        if (strCell.empty()) continue;
        strIni += columnNames[i];
        strIni += '=';
        strIni += strCell;
        strIni += '\n';
    }
    strIni += "SortOrderID=";
    strIni += std::to_string(nSortId);
    strIni += '\n';
}

bool CTableConverter::ConvertToRegistry() {
    RemoveTempFiles();
    const std::string strIniPath = m_strTempBase + ".ini";
    const std::string strRegPath = m_strTempBase + ".reg";

    std::string strIni;
    std::unordered_set<std::string> writtenNames;
    std::vector<std::string_view> cells;
    std::string_view strLine;
    int nSortId = 0;
    // Empty lines are skipped rather than ending the table, so no later row is lost.
    while (GetNextLine(strLine)) {
        if (strLine.empty()) continue;
        SplitCells(strLine, '\t', cells);
        if (cells[0].empty()) continue;
        // The registry finds a section by its name: a second row of the same name (case aside)
        // would silently receive the first row's values.
        if (!writtenNames.insert(LowerCopy(cells[0])).second) {
            std::printf("\"%s\": row \"%.*s\" repeats an earlier row name and is skipped.\n",
                        m_strFileName.c_str(), static_cast<int>(cells[0].size()), cells[0].data());
            continue;
        }
        AppendIniSection(strIni, cells[0], cells, m_columnNames, nSortId++);
    }
    if (!WriteTextFile(strIniPath, strIni)) {
        std::printf("Can't write \"%s\" for \"%s\".\n", strIniPath.c_str(), m_strFileName.c_str());
        return false;
    }

    int nExitCode = 0;
    if (!platform::RunScriptAndWait(SCRIPT_NAME, strIniPath.c_str(), nExitCode)) {
        std::printf("Can't start %s for \"%s\" (error %lu).\n", SCRIPT_NAME,
                    m_strFileName.c_str(), platform::LastError());
        return false;
    }
    if (!platform::FileExists(strRegPath.c_str())) {
        std::printf("%s left no tempreg.reg for \"%s\" (exit status %d).\n", SCRIPT_NAME,
                    m_strFileName.c_str(), nExitCode);
        return false;
    }
    return true;
}

void CTableConverter::RemoveTempFiles() {
    std::remove((m_strTempBase + ".ini").c_str());
    std::remove((m_strTempBase + ".reg").c_str());
}

void CTableConverter::GetSortedSectionNames(const CFileRegistry& registry,
                                            std::vector<std::string>& names) {
    registry.GetSectionNames(names);
    std::vector<std::pair<std::int32_t, std::string>> ordered;
    ordered.reserve(names.size());
    for (std::string& strName : names)
        ordered.emplace_back(registry.GetInt(strName, "SortOrderID", -1), std::move(strName));
    // Stable, so that sections with equal numbers keep a fixed order from run to run.
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    names.clear();
    for (auto& entry : ordered) names.push_back(std::move(entry.second));
}
