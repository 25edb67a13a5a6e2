// itemcheck: checks the item tables of a folder for what the build would drop, default or misread
// without a word; lists the columns the builders read; writes empty table templates.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/itemcheck/ItemCheck.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string strOut, strErr;
    const int nStatus = RunItemCheck(args, strOut, strErr);
    std::fwrite(strOut.data(), 1, strOut.size(), stdout);
    std::fwrite(strErr.data(), 1, strErr.size(), stderr);
    return std::fflush(stdout) == 0 ? nStatus : CHECK_FAILED;
}
