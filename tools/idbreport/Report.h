// idbdump report: one self-contained HTML page of an items.idb (tables, balance charts), with
// the changes against an older database and the table check's findings when asked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The page around the data: report.html.in, embedded at build time (ReportTemplate.cmake).
std::string_view ReportTemplate();
// The place in the template that the data takes.
inline constexpr std::string_view REPORT_DATA_MARKER = "@REPORT_DATA@";

// The whole page with the JSON data in its place.
std::string ReportPage(std::string_view strJson);

// Runs "idbdump report" with the arguments after "report": writes the page, says where on
// strOut, or gives the problem on strErr. Returns 0, or 2 (bad arguments, an unreadable or
// malformed database, a folder to check that is none, a page that cannot be written).
int RunReport(const std::vector<std::string>& args, std::string& strOut, std::string& strErr);
