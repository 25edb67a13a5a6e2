// The version of the loader's headers. The build reads it from here too, so the programs, the
// packages and the headers a game compiles against cannot disagree. C++17 and later.
#pragma once

#define MARROW_VERSION_MAJOR 1
#define MARROW_VERSION_MINOR 0
#define MARROW_VERSION_PATCH 0
#define MARROW_VERSION "1.0.0"
