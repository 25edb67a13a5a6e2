// The command line and the fixed build sequence of a run.
#pragma once

#include <string>

// Runs Marrow with the process's arguments in the current directory; returns the exit status:
// 0 after a save; -1 after a usage error, when another run holds the folder, when a table could
// not be converted or none of the six could be read, after the tenth error (nothing is saved
// then) or when the save failed; 0 for --help and --version.
int RunMarrow(int argc, const char* const* argv);

// The output directory as the save wants it: the argument followed by one path separator,
// unless it already ends in one.
std::string OutputDirectoryOf(const char* pszArgument);
