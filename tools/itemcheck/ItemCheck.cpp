#include "tools/itemcheck/ItemCheck.h"

#include <cstdio>
#include <filesystem>

#include "itemdb/Columns.h"
#include "platform/Platform.h"
#include "tools/itemcheck/ItemWorkbook.h"
#include "tools/itemcheck/TableCheck.h"

namespace {
constexpr char USAGE[] =
    "itemcheck: checks the six item tables for what the build would drop, default or misread.\n"
    "Usage: itemcheck [--notes] [<folder>]  checks the tables of the folder (default: here);\n"
    "                                       --notes also shows the harmless findings\n"
    "       itemcheck [--notes] <book.xlsx>  checks the workbook's sheets (also .ods)\n"
    "       itemcheck --columns             lists every column the builders read\n"
    "       itemcheck --templates [--force] <folder>\n"
    "                                       writes an empty table of each kind; without\n"
    "                                       --force it never replaces a file\n"
    "       itemcheck --version             prints the version\n"
    "Findings read \"Table.txt:LINE:CELL (A1): text\": the line of the file where the row\n"
    "begins and the cell from 1, then the cell as the sheet names it (0:0 for the whole\n"
    "table). In a workbook they read \"Items.xlsx:Weapons!N5: text\". Exit status: 0 clean\n"
    "(notes only), 1 problems, 2 could not run.\n";

std::string JoinPath(const std::string& strDirectory, const char* pszName) {
    if (strDirectory.empty()) return pszName;
    const char chLast = strDirectory.back();
    if (chLast == '/' || chLast == platform::PATH_SEPARATOR) return strDirectory + pszName;
    return strDirectory + platform::PATH_SEPARATOR + pszName;
}

std::string Counted(std::size_t n, const char* pszOne, const char* pszMany) {
    return std::to_string(n) + " " + (n == 1 ? pszOne : pszMany);
}

// "Weapons.txt: 22 rows, 1 problem, 2 notes".
std::string SummaryLine(const std::string& strName, std::size_t nRecords, std::size_t nProblems,
                        std::size_t nNotes) {
    return strName + ": " + Counted(nRecords, "row", "rows") + ", " +
           (nProblems ? Counted(nProblems, "problem", "problems") : "no problems") +
           (nNotes ? ", " + Counted(nNotes, "note", "notes") : std::string()) + "\n";
}

// Checks every table of the folder; findings and summaries name each table by its path as
// joined to the folder argument, or by its name alone without one.
int CheckFolder(const std::string& strDirectory, bool bNotes, std::string& strOut) {
    std::string strSummary;
    bool bClean = true;
    for (const STableFindings& table : CheckTables(strDirectory)) {
        for (const SFinding& finding : table.findings)
            if (bNotes || !finding.problem.bNote)
                strOut += FindingLine(table.strPath, finding.problem);
        const std::size_t nNotes = table.findings.size() - table.nProblems;
        bClean = bClean && table.nProblems == 0;
        strSummary += SummaryLine(table.strPath, table.nRecords, table.nProblems, nNotes);
    }
    strOut += strSummary;
    return bClean ? CHECK_CLEAN : CHECK_PROBLEMS;
}

// The same as CheckFolder for the sheets of a workbook; findings name the sheet's cells.
int CheckWorkbook(const std::string& strPath, bool bNotes, std::string& strOut,
                  std::string& strErr) {
    SItemWorkbook book;
    std::string strError;
    if (!ReadItemWorkbook(strPath, book, strError)) {
        strErr += "itemcheck: \"" + strPath + "\" cannot be read: " + strError + ".\n";
        return CHECK_FAILED;
    }
    for (const SCellProblem& problem : book.problems)
        strOut += WorkbookPlace(strPath, problem.strSheet, problem.nRow, problem.nColumn) +
                  problem.strText + "\n";
    std::string strSummary;
    bool bClean = book.problems.empty();
    std::vector<std::string> materials;
    bool bMaterialsRead = false;
    for (const SKindSheet& sheet : book.kinds) {
        const SKindColumns& kind = *sheet.pKind;
        if (sheet.strSheet.empty()) {
            strOut += WorkbookPlace(strPath, {}, 0, 0) + "no sheet \"" + SheetNameOf(kind.pszTable) +
                      "\"; the build gives an empty list of " + kind.pszKind + "\n";
            strSummary += strPath + ": no sheet \"" + SheetNameOf(kind.pszTable) + "\"\n";
            bClean = false;
            continue;
        }
        CTableCheck check(kind);
        const bool bMaterials = &kind == &AllKinds().front();
        if (!bMaterials) check.SetMaterials(bMaterialsRead ? &materials : nullptr);
        check.CheckText(sheet.strText, sheet.strSheet.c_str());
        if (bMaterials && check.RowNames()) {
            materials = *check.RowNames();
            bMaterialsRead = true;
        }
        for (const SProblem& problem : check.Problems()) {
            if (!bNotes && problem.bNote) continue;
            strOut += WorkbookPlace(strPath, sheet.strSheet, problem.nRow, problem.nColumn) +
                      (problem.bNote ? "note: " : "") + problem.strText + "\n";
        }
        const std::size_t nProblems = check.ProblemCount();
        const std::size_t nNotes = check.Problems().size() - nProblems;
        bClean = bClean && nProblems == 0;
        strSummary += SummaryLine(strPath + ":" + sheet.strSheet, check.Records(), nProblems, nNotes);
    }
    strOut += strSummary;
    return bClean ? CHECK_CLEAN : CHECK_PROBLEMS;
}

std::string PaddedTo(std::string str, std::size_t nWidth) {
    if (str.size() < nWidth) str.append(nWidth - str.size(), ' ');
    return str;
}

}  // namespace

const char* TypeNameOf(EColumnType type) {
    switch (type) {
        case EColumnType::Int: return "integer";
        case EColumnType::Float: return "number";
        case EColumnType::String: return "text";
        case EColumnType::StringList: break;
    }
    return "list";
}

std::string ColumnNoteOf(const SColumnInfo& column) {
    return std::string(column.pszName) + "\n" + TypeNameOf(column.type) + ", default " +
           DefaultTextOf(column) + "\n" + column.pszField + ": " + column.pszMeaning;
}

std::string FindingLine(const std::string& strName, const SProblem& problem) {
    std::string strLine = strName + ":" + std::to_string(problem.nLine) + ":" +
                          std::to_string(problem.nColumn);
    if (problem.nRow && problem.nColumn)
        strLine += " (" + ColumnLetters(problem.nColumn) + std::to_string(problem.nRow) + ")";
    return strLine + ": " + (problem.bNote ? "note: " : "") + problem.strText + "\n";
}

std::vector<STableFindings> CheckTables(const std::string& strDirectory) {
    std::vector<STableFindings> tables;
    // Materials are built first; the other kinds name them.
    std::vector<std::string> materials;
    bool bMaterialsRead = false;
    for (const SKindColumns& kind : AllKinds()) {
        STableFindings& table = tables.emplace_back();
        table.strPath = JoinPath(strDirectory, kind.pszTable);
        CTableCheck check(kind);
        const bool bMaterials = &kind == &AllKinds().front();
        if (!bMaterials) check.SetMaterials(bMaterialsRead ? &materials : nullptr);
        check.Check(table.strPath.c_str());
        if (bMaterials && check.RowNames()) {
            materials = *check.RowNames();
            bMaterialsRead = true;
        }
        for (const SProblem& problem : check.Problems()) {
            const std::string* pName = check.RecordNameOfRow(problem.nRow);
            table.findings.push_back({problem, pName != nullptr, pName ? *pName : std::string()});
        }
        table.nRecords = check.Records();
        table.nProblems = check.ProblemCount();
    }
    return tables;
}

std::string ColumnReference() {
    std::string strText;
    for (const SKindColumns& kind : AllKinds()) {
        if (!strText.empty()) strText += '\n';
        strText += std::string(kind.pszTable) + ": the columns the builder of " + kind.pszKind +
                   " reads\n";
        strText += "  " + PaddedTo("Column", 36) + PaddedTo("Type", 9) + PaddedTo("Default", 12) +
                   "Field: what becomes of the value\n";
        for (const SColumnInfo* pColumn : ColumnsInTableOrder(kind)) {
            if (!pColumn) continue;  // a spare column that keeps a one-column group's sub-name
            strText += "  " + PaddedTo(pColumn->pszName, 36) +
                       PaddedTo(TypeNameOf(pColumn->type), 9) +
                       PaddedTo(DefaultTextOf(*pColumn), 12) + pColumn->pszField + ": " +
                       pColumn->pszMeaning + "\n";
        }
    }
    return strText;
}

bool WriteTemplates(const std::string& strDirectory, bool bForce, std::string& strError) {
    std::error_code error;
    if (!bForce) {
        // A designer's real tables must never be replaced by empty ones by a slip of the folder.
        std::string strExisting;
        for (const SKindColumns& kind : AllKinds()) {
            const std::string strPath = JoinPath(strDirectory, kind.pszTable);
            if (std::filesystem::exists(std::filesystem::path(strPath), error))
                strExisting += (strExisting.empty() ? "\"" : ", \"") + strPath + "\"";
        }
        if (!strExisting.empty()) {
            strError = "not replacing " + strExisting + "; --force replaces them";
            return false;
        }
    }
    std::filesystem::create_directories(std::filesystem::path(strDirectory), error);
    if (error) {
        strError = "cannot create the folder \"" + strDirectory + "\" (" + error.message() + ")";
        return false;
    }
    for (const SKindColumns& kind : AllKinds()) {
        const std::string strPath = JoinPath(strDirectory, kind.pszTable);
        if (!platform::WriteWholeFile(strPath, HeaderLinesOf(kind))) {
            strError = "cannot write \"" + strPath + "\" (" +
                       platform::ErrorText(platform::LastError()) + ")";
            return false;
        }
    }
    return true;
}

int RunItemCheck(const std::vector<std::string>& args, std::string& strOut, std::string& strErr) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h" || args[0] == "/?")) {
        strOut += USAGE;
        return CHECK_CLEAN;
    }
    if (args.size() == 1 && args[0] == "--version") {
        strOut += "itemcheck " MARROW_VERSION "\n";
        return CHECK_CLEAN;
    }
    if (args.size() == 1 && args[0] == "--columns") {
        strOut += ColumnReference();
        return CHECK_CLEAN;
    }
    bool bNotes = false, bForce = false, bTemplates = false;
    std::vector<std::string> folders;
    for (const std::string& strArg : args) {
        if (strArg == "--notes") bNotes = true;
        else if (strArg == "--force") bForce = true;
        else if (strArg == "--templates") bTemplates = true;
        else if (strArg.empty() || strArg[0] == '-') folders.assign(2, "");  // refused below
        else folders.push_back(strArg);
    }
    if (folders.size() > 1 || (bTemplates && (folders.empty() || bNotes)) ||
        (!bTemplates && bForce)) {
        strErr += std::string("itemcheck: unexpected arguments.\n") + USAGE;
        return CHECK_FAILED;
    }
    const std::string strDirectory = folders.empty() ? std::string() : folders[0];
    if (bTemplates) {
        std::string strError;
        if (WriteTemplates(strDirectory, bForce, strError)) return CHECK_CLEAN;
        strErr += "itemcheck: " + strError + ".\n";
        return CHECK_FAILED;
    }
    std::error_code error;
    if (IsWorkbookPath(strDirectory) && !platform::IsFolder(strDirectory.c_str()))
        return CheckWorkbook(strDirectory, bNotes, strOut, strErr);
    if (!std::filesystem::is_directory(strDirectory.empty() ? "." : strDirectory, error)) {
        strErr += "itemcheck: there is no folder \"" + strDirectory + "\".\n";
        return CHECK_FAILED;
    }
    return CheckFolder(strDirectory, bNotes, strOut);
}
