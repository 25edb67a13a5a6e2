// idbdump: prints an items.idb as JSON, tables or a summary, compares two of them, and prints a
// registry file. Everything but the process boundary lives in IdbDump.cpp.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/idbdump/IdbDump.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    std::string strOut, strErr;
    const int nStatus = RunIdbDump(args, strOut, strErr);
    std::fwrite(strOut.data(), 1, strOut.size(), stdout);
    std::fflush(stdout);
    std::fwrite(strErr.data(), 1, strErr.size(), stderr);
    return nStatus;
}
