// itemwatch: rebuilds items.idb each time the item tables of the current folder are saved.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/itemwatch/ItemWatch.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    SWatchOptions options;
    bool bHelp = false;
    std::string strError;
    if (!ParseWatchArgs(args, options, bHelp, strError)) {
        std::fprintf(stderr, "itemwatch: %s.\n%s", strError.c_str(), WatchUsage().c_str());
        return WATCH_FAILED;
    }
    if (bHelp) {
        std::fputs(WatchUsage().c_str(), stdout);
        return WATCH_DONE;
    }
    return RunItemWatch(options, argc > 0 ? argv[0] : "");
}
