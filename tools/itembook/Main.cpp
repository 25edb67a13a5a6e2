// itembook: the designers' workbook to and from the six item tables.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/itembook/ItemBook.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string strOut, strErr;
    const int nStatus = RunItemBook(args, strOut, strErr);
    std::fwrite(strOut.data(), 1, strOut.size(), stdout);
    std::fwrite(strErr.data(), 1, strErr.size(), stderr);
    return std::fflush(stdout) == 0 ? nStatus : BOOK_FAILED;
}
