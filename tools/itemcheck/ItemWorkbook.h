// The designers' workbook as the six tables: which sheet stands for which table ("Weapons" or
// "Weapons.txt", case aside), and the table text the sheet gives.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/Columns.h"
#include "tools/workbook/WorkbookReader.h"

struct SKindSheet {
    const SKindColumns* pKind = nullptr;
    std::string strSheet;  // the workbook's name of the sheet; empty when it has none
    std::string strText;   // the table text (see ReadWorkbook): line N is the sheet's row N
};

struct SItemWorkbook {
    std::vector<SKindSheet> kinds;       // the six, in build order
    std::vector<SCellProblem> problems;  // cells that cannot go into a table; sheets named twice
};

// The largest workbook read: far beyond any set of six tables, and a bound on the memory taken.
inline constexpr std::uint64_t MAX_WORKBOOK_SIZE = 256u << 20;

// Whether the path names a workbook rather than a folder of tables: .xlsx or .ods, case aside.
bool IsWorkbookPath(std::string_view strPath);
// Whether the sheet stands for the table: its name is the table's without ".txt", or with it.
bool SheetIsFor(std::string_view strSheet, std::string_view strTable);
// The table's name as a sheet is named: "Weapons" for "Weapons.txt".
std::string SheetNameOf(std::string_view strTable);

// Reads the workbook at the path. False, with the cause in strError, when it cannot be read
// whole (missing, no workbook, damaged, too large).
bool ReadItemWorkbook(const std::string& strPath, SItemWorkbook& book, std::string& strError);

// "Items.xlsx:Weapons!N5: " for a cell, "Items.xlsx:Weapons: " for the sheet as a whole
// (nRow or nColumn 0), "Items.xlsx: " without a sheet.
std::string WorkbookPlace(const std::string& strPath, std::string_view strSheet,
                          std::uint32_t nRow, std::uint32_t nColumn);
