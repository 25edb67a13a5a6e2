#include "tools/itemcheck/ItemWorkbook.h"

#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"  // EqualNoCase

namespace {
bool ReadWholeFile(const std::string& strPath, std::string& strBytes, std::string& strError) {
    if (platform::IsFolder(strPath.c_str())) {
        strError = "it is a folder";
        return false;
    }
    if (platform::PathExists(strPath.c_str()) && !platform::FileExists(strPath.c_str())) {
        strError = "it is no file of its own (a device or a pipe)";
        return false;
    }
    switch (platform::ReadWholeFile(strPath.c_str(), MAX_WORKBOOK_SIZE, strBytes)) {
        case platform::WholeFile::READ: break;
        case platform::WholeFile::TOO_LARGE:
            strError = "it is larger than " + std::to_string(MAX_WORKBOOK_SIZE >> 20) + " MiB";
            return false;
        case platform::WholeFile::CANNOT_OPEN:
        case platform::WholeFile::CANNOT_READ:
            strError = platform::ErrorText(platform::LastError());
            return false;
    }
    return true;
}
}  // namespace

bool IsWorkbookPath(std::string_view strPath) {
    const auto endsWith = [strPath](std::string_view strEnd) {
        return strPath.size() > strEnd.size() &&
               EqualNoCase(strPath.substr(strPath.size() - strEnd.size()), strEnd);
    };
    return endsWith(".xlsx") || endsWith(".ods");
}

std::string SheetNameOf(std::string_view strTable) {
    const size_t nDot = strTable.rfind('.');
    return std::string(strTable.substr(0, nDot));
}

bool SheetIsFor(std::string_view strSheet, std::string_view strTable) {
    return EqualNoCase(strSheet, strTable) || EqualNoCase(strSheet, SheetNameOf(strTable));
}

bool ReadItemWorkbook(const std::string& strPath, SItemWorkbook& book, std::string& strError) {
    book = SItemWorkbook();
    std::string strBytes;
    if (!ReadWholeFile(strPath, strBytes, strError)) return false;
    const auto wanted = [](std::string_view strSheet) {
        for (const SKindColumns& kind : AllKinds())
            if (SheetIsFor(strSheet, kind.pszTable)) return true;
        return false;
    };
    SWorkbook workbook;
    if (!ReadWorkbook(strBytes, wanted, workbook, strError)) return false;
    book.problems = std::move(workbook.problems);
    for (const SKindColumns& kind : AllKinds()) {
        SKindSheet& sheet = book.kinds.emplace_back();
        sheet.pKind = &kind;
        for (SSheetText& text : workbook.sheets) {
            if (!text.bRead || !SheetIsFor(text.strName, kind.pszTable)) continue;
            if (!sheet.strSheet.empty()) {
                // Which of the two the designer edits cannot be told; neither is taken.
                book.problems.push_back({text.strName, 0, 0,
                    "a second sheet for \"" + std::string(kind.pszTable) + "\" beside \"" +
                        sheet.strSheet + "\"; rename one"});
                continue;
            }
            sheet.strSheet = text.strName;
            sheet.strText = std::move(text.strText);
        }
    }
    return true;
}

std::string WorkbookPlace(const std::string& strPath, std::string_view strSheet,
                          std::uint32_t nRow, std::uint32_t nColumn) {
    if (strSheet.empty()) return strPath + ": ";
    std::string strPlace = strPath + ":" + std::string(strSheet);
    if (nRow && nColumn) strPlace += "!" + CellName(nRow, nColumn);
    return strPlace + ": ";
}
