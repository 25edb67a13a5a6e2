// idbdump: prints an items.idb as JSON, tables or a summary, compares two of them, and prints a
// registry file; "idbdump report" writes the HTML page (tools/idbreport/). Everything but the
// process boundary lives in those libraries.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/idbdump/IdbDump.h"
#include "tools/idbreport/Report.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string strOut, strErr;
    // The report sits above the checker, which the inspector's own library does not link.
    const bool bReport = !args.empty() && args[0] == "report";
    const int nStatus = bReport ? RunReport({args.begin() + 1, args.end()}, strOut, strErr)
                                : RunIdbDump(args, strOut, strErr);
    std::fwrite(strOut.data(), 1, strOut.size(), stdout);
    std::fflush(stdout);
    std::fwrite(strErr.data(), 1, strErr.size(), stderr);
    return nStatus;
}
