#include "tools/idbreport/Report.h"

#include <filesystem>

#include "platform/Platform.h"
#include "tools/idbdump/IdbDump.h"
#include "tools/idbreport/ReportData.h"

namespace {
const char USAGE[] =
    "Usage: idbdump report <items.idb> [--previous <old.idb>] [--check <folder>] [-o <page>]\n"
    "Writes one HTML page (default report.html) that needs nothing else to open: a table per\n"
    "list that sorts and filters, and balance charts per kind.\n"
    "  --previous  also shows the records added, removed and changed since old.idb\n"
    "  --check     also shows itemcheck's findings for the tables of the folder, each linked\n"
    "              to its record\n"
    "  -o          the page to write\n"
    "Exit status: 0 written, 2 bad arguments, a file that cannot be read or is malformed, a\n"
    "folder that is none, or a page that cannot be written.\n";

struct SReportArgs {
    std::string strDatabase, strPrevious, strCheck, strOutput = "report.html";
    bool bPrevious = false, bCheck = false;
};

int BadArguments(const std::string& strWhat, std::string& strErr) {
    strErr = "idbdump report: " + strWhat + ".\nRun idbdump report --help for the usage.\n";
    return EXIT_TROUBLE;
}

// False with the problem in strErr.
bool ParseArgs(const std::vector<std::string>& args, SReportArgs& parsed, std::string& strErr) {
    bool bDatabase = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& strArg = args[i];
        std::string* pValue = nullptr;
        if (strArg == "--previous") {
            pValue = &parsed.strPrevious;
            parsed.bPrevious = true;
        } else if (strArg == "--check") {
            pValue = &parsed.strCheck;
            parsed.bCheck = true;
        } else if (strArg == "-o") {
            pValue = &parsed.strOutput;
        }
        if (pValue) {
            if (i + 1 == args.size() || args[i + 1].empty()) {
                BadArguments(strArg + " needs a value", strErr);
                return false;
            }
            *pValue = args[++i];
        } else if (!strArg.empty() && strArg[0] == '-') {
            BadArguments("unknown option \"" + strArg + "\"", strErr);
            return false;
        } else if (bDatabase || strArg.empty()) {
            BadArguments(bDatabase ? "expected one items.idb" : "the file name is empty", strErr);
            return false;
        } else {
            parsed.strDatabase = strArg;
            bDatabase = true;
        }
    }
    if (!bDatabase) BadArguments("expected one items.idb", strErr);
    return bDatabase;
}

// A slip such as "-o items.idb" must not replace a database by its own page.
bool IsSameFile(const std::string& strA, const std::string& strB) {
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(strA), std::filesystem::path(strB),
                                       error) &&
           !error;
}

bool WritePage(const std::string& strPath, const std::string& strPage) {
    const auto write = [&strPage](const char* pszTemp) {
        platform::CFile file;
        bool bWritten = file.Open(pszTemp, platform::FileMode::CreateNew);
        // Written in pieces: a page of six full lists passes what one call may take.
        constexpr std::size_t PIECE = 1u << 24;
        for (std::size_t nAt = 0; bWritten && nAt < strPage.size(); nAt += PIECE) {
            const std::size_t nCount = std::min(PIECE, strPage.size() - nAt);
            bWritten = file.Write(strPage.data() + nAt, static_cast<std::uint32_t>(nCount));
        }
        return file.Close() && bWritten;
    };
    return platform::WriteThroughTemporary(strPath, write, [](bool) {});
}
}  // namespace

namespace {
// The page with the data appended in place by addData(strPage).
template <class FAddData>
std::string PageWith(FAddData addData) {
    const std::string_view strTemplate = ReportTemplate();
    const std::size_t nAt = strTemplate.find(REPORT_DATA_MARKER);  // checked at build time
    std::string strPage(strTemplate.substr(0, nAt));
    addData(strPage);
    strPage.append(strTemplate.substr(nAt + REPORT_DATA_MARKER.size()));
    return strPage;
}
}  // namespace

std::string ReportPage(std::string_view strJson) {
    return PageWith([strJson](std::string& strPage) { strPage.append(strJson); });
}

int RunReport(const std::vector<std::string>& args, std::string& strOut, std::string& strErr) {
    strOut.clear();
    strErr.clear();
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        strOut = USAGE;
        return EXIT_SAME;
    }
    SReportArgs parsed;
    if (!ParseArgs(args, parsed, strErr)) return EXIT_TROUBLE;
    for (const std::string* pInput : {&parsed.strDatabase, &parsed.strPrevious}) {
        if (!pInput->empty() && IsSameFile(parsed.strOutput, *pInput))
            return BadArguments("the page would replace \"" + *pInput + "\"", strErr);
    }
    std::string strBytes, strPreviousBytes;
    SDatabaseView view, previous;
    if (!LoadDatabase(parsed.strDatabase, strBytes, view, strErr, "report shows"))
        return EXIT_TROUBLE;
    if (parsed.bPrevious &&
        !LoadDatabase(parsed.strPrevious, strPreviousBytes, previous, strErr, "report shows"))
        return EXIT_TROUBLE;
    std::vector<STableFindings> findings;
    if (parsed.bCheck) {
        std::error_code error;
        if (!std::filesystem::is_directory(std::filesystem::path(parsed.strCheck), error)) {
            strErr += "idbdump report: there is no folder \"" + parsed.strCheck + "\" to check.\n";
            return EXIT_TROUBLE;
        }
        findings = CheckTables(parsed.strCheck);
    }
    SReportInput input;
    input.strTitle = parsed.strDatabase;
    if (parsed.bPrevious) {
        input.pPrevious = &previous;
        input.strPreviousTitle = parsed.strPrevious;
    }
    if (parsed.bCheck) {
        input.pFindings = &findings;
        input.strCheckFolder = parsed.strCheck;
    }
    const std::string strPage =
        PageWith([&](std::string& strData) { AppendReportJson(strData, view, input); });
    if (!WritePage(parsed.strOutput, strPage)) {
        strErr += "idbdump report: cannot write \"" + parsed.strOutput + "\" (" +
                  platform::ErrorText(platform::LastError()) + ").\n";
        return EXIT_TROUBLE;
    }
    strOut = parsed.strOutput + ": " + std::to_string(strPage.size()) + " bytes\n";
    return EXIT_SAME;
}
