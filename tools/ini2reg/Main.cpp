// ini2reg: converts an INI file into a binary registry file (tempreg.ini -> tempreg.reg).
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/ini2reg/IniConverter.h"

namespace {
void PrintUsage(std::FILE* pOut) {
    std::fputs(
        "ini2reg: converts an INI file into a binary registry file.\n"
        "Usage: ini2reg <file.ini> [<file.reg>]\n"
        "       ini2reg --version\n"
        "  Without <file.reg>, the output is the input's path with the extension .reg.\n"
        "  Each [section] becomes a section; each key=value line a value, typed by its text:\n"
        "  \"quoted\" is text, 12 an integer, 2.5 a number, a,b,c a list of texts, else text.\n"
        "  Limits: 65,535 sections, values per section and list elements; 65,535 bytes per\n"
        "  name or text; 2 GiB per file. On failure no registry file is left.\n",
        pOut);
}

std::string RegistryPathOf(const std::string& strIni) {
    const size_t nDot = strIni.find_last_of('.');
    const size_t nSeparator = strIni.find_last_of("/\\");
    if (nDot != std::string::npos && (nSeparator == std::string::npos || nDot > nSeparator))
        return strIni.substr(0, nDot) + ".reg";
    return strIni + ".reg";
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
                      std::strcmp(argv[1], "/?") == 0)) {
        PrintUsage(stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("ini2reg %s\n", MARROW_VERSION);
        return 0;
    }
    if (argc < 2 || argc > 3 || argv[1][0] == '\0' || argv[1][0] == '-' ||
        (argc == 3 && argv[2][0] == '\0')) {
        std::fputs("ini2reg: expected one INI file and an optional output file.\n", stderr);
        PrintUsage(stderr);
        return 2;
    }
    const std::string strRegistry = argc == 3 ? argv[2] : RegistryPathOf(argv[1]);
    std::string strError;
    if (!ConvertIniFile(argv[1], strRegistry.c_str(), strError)) {
        std::fprintf(stderr, "ini2reg: %s: %s.\n", argv[1], strError.c_str());
        return 1;
    }
    return 0;
}
