#include "tools/idbdump/IdbDump.h"

#include <algorithm>
#include <map>

#include "loader/LoadSteps.h"
#include "platform/Platform.h"
#include "tools/idbdump/RegistryDump.h"

namespace {
const char USAGE[] =
    "idbdump: shows what an items database or a registry file holds.\n"
    "Usage:\n"
    "  idbdump [--raw | --text | --summary] <items.idb>\n"
    "  idbdump [--raw] diff <old.idb> <new.idb>\n"
    "  idbdump report <items.idb> [--previous <old.idb>] [--check <folder>] [-o <page.html>]\n"
    "  idbdump [--summary] <tempreg.reg>\n"
    "  idbdump --version\n"
    "Without an option, every record of the six lists is printed as JSON, one record per\n"
    "line, every stored field by its name. Texts are UTF-8: a text stored as valid UTF-8 is\n"
    "kept, any other is read as Windows-1252.\n"
    "  --raw      texts as their stored bytes instead, each byte from 0x80 as \\u00XX\n"
    "  --text     a table per list, one line per record with its most useful fields\n"
    "  --summary  the number of records per list and the file size\n"
    "  diff       records removed, changed (with each changed field's old and new value) and\n"
    "             added, matched by list and Name; \"no differences\" when there are none\n"
    "  report     one HTML page of the lists, their charts, the changes and the findings\n"
    "             (idbdump report --help tells more)\n"
    "A file that begins with the registry magic is shown as a registry file: its sections and\n"
    "values with their types, and the chain lengths of both hash tables.\n"
    "Every file is checked first; a malformed one is reported with the byte offset of the\n"
    "problem.\n"
    "Exit status: 0 done (diff: no differences), 1 diff found differences, 2 bad arguments or\n"
    "a file that cannot be read or is malformed.\n";

std::string FieldValue(const SDatabaseView& view, const SFieldLayout& field,
                       const SRecordView& record, std::size_t nField, EValueStyle style) {
    return FormatField(field, view.Payload(record.fields[nField]), style);
}

std::string RecordJson(const SDatabaseView& view, const SKindLayout& kind,
                       const SRecordView& record, EValueStyle style) {
    std::string strOut = "{";
    for (std::size_t i = 0; i < kind.fields.size(); ++i) {
        if (i) strOut += ", ";
        strOut += JsonString(kind.fields[i].pszName) + ": " +
                  FieldValue(view, kind.fields[i], record, i, style);
    }
    return strOut + "}";
}

// Cells padded to their column's width, two blanks apart, without trailing blanks.
std::string TableLines(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()), 0);
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string strOut;
    for (const auto& row : rows) {
        std::string strLine;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i) strLine += "  ";
            strLine += row[i];
            if (i + 1 < row.size()) strLine.append(widths[i] - row[i].size(), ' ');
        }
        strLine.erase(strLine.find_last_not_of(' ') + 1);  // an empty last cell adds no blanks
        strOut += strLine + "\n";
    }
    return strOut;
}

std::string Records(std::size_t nCount) {
    return std::to_string(nCount) + (nCount == 1 ? " record" : " records");
}

// "weapons \"long sword\" (record 3)"; the number is the record's place in its list.
std::string RecordTitle(const SKindLayout& kind, std::string_view strName, std::string strPlace,
                        EValueStyle style) {
    return std::string(kind.pszName) + " " + JsonString(strName, style == EValueStyle::JsonRaw) +
           " (record " + strPlace + ")";
}

// The records of a list by name, each name's records in list order.
std::map<std::string_view, std::vector<std::size_t>> RecordsByName(
    const SDatabaseView& view, const std::vector<SRecordView>& records) {
    std::map<std::string_view, std::vector<std::size_t>> byName;
    for (std::size_t i = 0; i < records.size(); ++i) byName[view.NameOf(records[i])].push_back(i);
    return byName;
}

// The indexes of the fields whose printed values differ between two matched records.
std::vector<std::size_t> ChangedFieldIndexes(const SKindLayout& kind, const SDatabaseView& oldView,
                                             const SRecordView& oldRecord,
                                             const SDatabaseView& newView,
                                             const SRecordView& newRecord, EValueStyle style) {
    std::vector<std::size_t> fields;
    for (std::size_t i = 0; i < kind.fields.size(); ++i) {
        // Equal bytes print equally; only differing bytes are printed to see whether they show.
        if (oldView.Payload(oldRecord.fields[i]) == newView.Payload(newRecord.fields[i])) continue;
        if (FieldValue(oldView, kind.fields[i], oldRecord, i, style) !=
            FieldValue(newView, kind.fields[i], newRecord, i, style))
            fields.push_back(i);
    }
    return fields;
}

std::string ListDiffText(std::size_t nKind, const SDatabaseView& oldView,
                         const SDatabaseView& newView, const std::vector<SRecordChange>& changes,
                         EValueStyle style) {
    const SKindLayout& kind = ItemKinds()[nKind];
    const auto& oldList = oldView.lists[nKind];
    const auto& newList = newView.lists[nKind];
    std::string strOut;
    for (const SRecordChange& change : changes) {
        const std::size_t i = change.nOld, j = change.nNew;
        if (change.type == EChange::Removed) {
            strOut += "removed " +
                      RecordTitle(kind, oldView.NameOf(oldList[i]), std::to_string(i + 1), style) +
                      "\n";
        } else if (change.type == EChange::Added) {
            strOut += "added " +
                      RecordTitle(kind, newView.NameOf(newList[j]), std::to_string(j + 1), style) +
                      "\n";
        } else {
            const std::string strPlace =
                i == j ? std::to_string(i + 1)
                       : std::to_string(i + 1) + " -> " + std::to_string(j + 1);
            strOut +=
                "changed " + RecordTitle(kind, oldView.NameOf(oldList[i]), strPlace, style) + "\n";
            for (const std::size_t f : change.fields)
                strOut += std::string("  ") + kind.fields[f].pszName + ": " +
                          FieldValue(oldView, kind.fields[f], oldList[i], f, style) + " -> " +
                          FieldValue(newView, kind.fields[f], newList[j], f, style) + "\n";
        }
    }
    return strOut;
}

// A folder, a device or a pipe is refused as the loader refuses it, in its words, before it is
// opened: /dev/zero reads as empty, a pipe would wait for a writer.
bool ReadWholeFile(const std::string& strPath, std::string& strBytes, std::string& strError) {
    std::uint64_t nSize = 0;
    if (KindOfPath(strPath.c_str(), nSize) == EPathKind::Other) {
        strError = std::string("cannot be opened (") + NOT_A_REGULAR_FILE + ")";
        return false;
    }
    switch (platform::ReadWholeFile(strPath.c_str(), 0xFFFFFFF0u, strBytes)) {
        case platform::WholeFile::READ: return true;
        case platform::WholeFile::CANNOT_OPEN:
            strError = "cannot be opened (" + platform::ErrorText(platform::LastError()) + ")";
            return false;
        case platform::WholeFile::TOO_LARGE: strError = "is larger than 4 GiB"; return false;
        case platform::WholeFile::CANNOT_READ: break;
    }
    strError = "cannot be read (" + platform::ErrorText(platform::LastError()) + ")";
    return false;
}

// The notes the check kept (the first few), then how many more it counted.
void AppendNotes(const std::string& strPath, const SDatabaseView& view, std::string& strErr) {
    for (const std::string& strNote : view.notes) strErr += strPath + ": note: " + strNote + "\n";
    if (view.nNotes > view.notes.size())
        strErr += strPath + ": note: " + std::to_string(view.nNotes - view.notes.size()) +
                  " more notes\n";
}

// The loader's check; false after writing its verdict to strErr, as the loader gives it.
bool CheckFile(const std::string& strPath, std::string_view strBytes, SDatabaseView& view,
               std::string& strErr) {
    SCheckProblem problem;
    if (CheckDatabase(strBytes, &view, problem)) return true;
    const bool bForeign = problem.outcome == ECheckOutcome::NotItemDatabase;
    strErr += strPath + ": " + (bForeign ? "not an items database: " : "") + problem.strText + "\n";
    return false;
}

int RunDiff(const std::string& strOld, const std::string& strNew, EValueStyle style,
            std::string& strOut, std::string& strErr) {
    std::string strOldBytes, strNewBytes;
    SDatabaseView oldView, newView;
    if (!LoadDatabase(strOld, strOldBytes, oldView, strErr) ||
        !LoadDatabase(strNew, strNewBytes, newView, strErr))
        return EXIT_TROUBLE;
    strOut = DatabaseDiff(oldView, newView, style);
    if (!strOut.empty()) return EXIT_DIFFERENT;
    strOut = "no differences\n";
    return EXIT_SAME;
}

int RunDump(const std::string& strPath, EDumpMode mode, EValueStyle style, std::string& strOut,
            std::string& strErr) {
    std::string strBytes, strProblem;
    if (!ReadWholeFile(strPath, strBytes, strProblem)) {
        strErr = "idbdump: " + strPath + " " + strProblem + ".\n";
        return EXIT_TROUBLE;
    }
    return DumpBytes(strBytes, strPath, mode, style, strOut, strErr);
}

int BadArguments(const std::string& strWhat, std::string& strErr) {
    strErr = "idbdump: " + strWhat + ".\nRun idbdump --help for the usage.\n";
    return EXIT_TROUBLE;
}
}  // namespace

bool LoadDatabase(const std::string& strPath, std::string& strBytes, SDatabaseView& view,
                  std::string& strErr, std::string_view strWhatFor) {
    std::string strProblem;
    if (!ReadWholeFile(strPath, strBytes, strProblem)) {
        strErr += "idbdump: " + strPath + " " + strProblem + ".\n";
        return false;
    }
    if (IsRegistryFile(strBytes)) {
        strErr += "idbdump: " + strPath + " is a registry file; " + std::string(strWhatFor) +
                  " items databases.\n";
        return false;
    }
    if (!CheckFile(strPath, strBytes, view, strErr)) return false;
    AppendNotes(strPath, view, strErr);
    return true;
}

std::string DatabaseJson(const SDatabaseView& view, EValueStyle style) {
    std::string strOut = "{\n";
    const auto& kinds = ItemKinds();
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        const auto& records = view.lists[k];
        strOut += "  " + JsonString(kinds[k].pszName) + ": [" + (records.empty() ? "" : "\n");
        for (std::size_t i = 0; i < records.size(); ++i)
            strOut += "    " + RecordJson(view, kinds[k], records[i], style) +
                      (i + 1 < records.size() ? ",\n" : "\n");
        strOut += std::string(records.empty() ? "" : "  ") + "]" +
                  (k + 1 < ITEM_KIND_COUNT ? ",\n" : "\n");
    }
    return strOut + "}\n";
}

std::string DatabaseText(const SDatabaseView& view) {
    std::string strOut;
    const auto& kinds = ItemKinds();
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        const SKindLayout& kind = kinds[k];
        const auto& records = view.lists[k];
        if (k) strOut += "\n";
        strOut += std::string(kind.pszName) + ": " + Records(records.size()) + "\n";
        if (records.empty()) continue;
        std::vector<std::vector<std::string>> rows(1, std::vector<std::string>{"#"});
        for (const char* pszColumn : kind.textColumns) rows[0].emplace_back(pszColumn);
        for (std::size_t i = 0; i < records.size(); ++i) {
            std::vector<std::string>& row = rows.emplace_back(1, std::to_string(i + 1));
            for (const char* pszColumn : kind.textColumns) {
                const auto nField = static_cast<std::size_t>(FieldIndexOf(kind, pszColumn));
                row.push_back(
                    FieldValue(view, kind.fields[nField], records[i], nField, EValueStyle::Text));
            }
        }
        strOut += TableLines(rows);
    }
    return strOut;
}

std::string DatabaseSummary(const SDatabaseView& view, std::string_view strPath) {
    std::vector<std::vector<std::string>> rows;
    rows.push_back({"file", std::string(strPath)});
    rows.push_back({"bytes", std::to_string(view.strBytes.size())});
    std::size_t nTotal = 0;
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        rows.push_back({ItemKinds()[k].pszName, std::to_string(view.lists[k].size())});
        nTotal += view.lists[k].size();
    }
    rows.push_back({"records", std::to_string(nTotal)});
    return TableLines(rows);
}

int DumpBytes(std::string_view strBytes, const std::string& strPath, EDumpMode mode,
              EValueStyle style, std::string& strOut, std::string& strErr) {
    strOut.clear();
    strErr.clear();
    std::string strProblem;
    if (IsRegistryFile(strBytes)) {
        if (DumpRegistry(strBytes, mode == EDumpMode::Summary, strOut, strProblem))
            return EXIT_SAME;
        strErr = strPath + ": " + strProblem + "\n";
        return EXIT_TROUBLE;
    }
    SDatabaseView view;
    if (!CheckFile(strPath, strBytes, view, strErr)) return EXIT_TROUBLE;
    AppendNotes(strPath, view, strErr);
    if (mode == EDumpMode::Json) strOut = DatabaseJson(view, style);
    else if (mode == EDumpMode::Text) strOut = DatabaseText(view);
    else strOut = DatabaseSummary(view, strPath);
    return EXIT_SAME;
}

std::vector<SRecordChange> ListChanges(std::size_t nKind, const SDatabaseView& oldView,
                                       const SDatabaseView& newView, EValueStyle style) {
    const SKindLayout& kind = ItemKinds()[nKind];
    const auto& oldList = oldView.lists[nKind];
    const auto& newList = newView.lists[nKind];
    const auto newByName = RecordsByName(newView, newList);
    std::map<std::string_view, std::size_t> seenOld;
    std::vector<bool> matched(newList.size(), false);
    std::vector<SRecordChange> changes;
    for (std::size_t i = 0; i < oldList.size(); ++i) {
        const std::string_view strName = oldView.NameOf(oldList[i]);
        const std::size_t nOccurrence = seenOld[strName]++;
        const auto it = newByName.find(strName);
        if (it == newByName.end() || nOccurrence >= it->second.size()) {
            changes.push_back({EChange::Removed, i, 0, {}});
            continue;
        }
        const std::size_t j = it->second[nOccurrence];
        matched[j] = true;
        std::vector<std::size_t> fields =
            ChangedFieldIndexes(kind, oldView, oldList[i], newView, newList[j], style);
        if (!fields.empty()) changes.push_back({EChange::Changed, i, j, std::move(fields)});
    }
    for (std::size_t j = 0; j < newList.size(); ++j)
        if (!matched[j]) changes.push_back({EChange::Added, 0, j, {}});
    return changes;
}

std::string DiffCountsText(std::size_t nRemoved, std::size_t nChanged, std::size_t nAdded) {
    return std::to_string(nRemoved) + " removed, " + std::to_string(nChanged) + " changed, " +
           std::to_string(nAdded) + " added\n";
}

std::string DatabaseDiff(const SDatabaseView& oldView, const SDatabaseView& newView,
                         EValueStyle style) {
    std::string strOut;
    std::size_t counts[3] = {0, 0, 0};  // by EChange
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        const std::vector<SRecordChange> changes = ListChanges(k, oldView, newView, style);
        for (const SRecordChange& change : changes) ++counts[static_cast<int>(change.type)];
        strOut += ListDiffText(k, oldView, newView, changes, style);
    }
    if (strOut.empty()) return strOut;
    return strOut + DiffCountsText(counts[0], counts[1], counts[2]);
}

SDiffTotals DatabaseDiffTotals(const SDatabaseView& oldView, const SDatabaseView& newView) {
    SDiffTotals totals;
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        for (const SRecordChange& change : ListChanges(k, oldView, newView)) {
            switch (change.type) {
                case EChange::Removed: ++totals.nRemoved; break;
                case EChange::Changed: ++totals.nChanged; break;
                case EChange::Added: ++totals.nAdded; break;
            }
        }
    }
    return totals;
}

int RunIdbDump(const std::vector<std::string>& args, std::string& strOut, std::string& strErr) {
    strOut.clear();
    strErr.clear();
    std::vector<std::string> files;
    EDumpMode mode = EDumpMode::Json;
    EValueStyle style = EValueStyle::Json;
    int nModes = 0;
    for (const std::string& strArg : args) {
        if (strArg == "--help" || strArg == "-h") {
            strOut = USAGE;
            return EXIT_SAME;
        }
        if (strArg == "--version") {
            strOut = "idbdump " MARROW_VERSION "\n";
            return EXIT_SAME;
        }
        if (strArg == "--raw") {
            style = EValueStyle::JsonRaw;
        } else if (strArg == "--text" || strArg == "--summary") {
            mode = strArg == "--text" ? EDumpMode::Text : EDumpMode::Summary;
            ++nModes;
        } else if (!strArg.empty() && strArg[0] == '-') {
            return BadArguments("unknown option \"" + strArg + "\"", strErr);
        } else {
            files.push_back(strArg);
        }
    }
    if (nModes > 1) return BadArguments("--text and --summary exclude each other", strErr);
    if (!files.empty() && files[0] == "diff") {
        if (nModes) return BadArguments("diff takes no --text or --summary", strErr);
        if (files.size() != 3) return BadArguments("diff needs an old and a new items.idb", strErr);
        return RunDiff(files[1], files[2], style, strOut, strErr);
    }
    if (files.size() != 1) return BadArguments("expected one file", strErr);
    if (files[0].empty()) return BadArguments("the file name is empty", strErr);
    if (style == EValueStyle::JsonRaw && mode != EDumpMode::Json)
        return BadArguments("--raw applies to the JSON output and to diff", strErr);
    return RunDump(files[0], mode, style, strOut, strErr);
}
