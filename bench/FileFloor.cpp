// file_floor: the file work that a Marrow run cannot avoid, and nothing else. For each table
// the design writes tempreg.ini, reads it back (the converter), writes tempreg.reg, reads it
// back (the builder) and deletes both; this does exactly that with the same byte counts, in
// 1 MiB blocks, so that its time is the floor under any Marrow run on the same tables.
// Usage: file_floor <directory> <ini bytes> <reg bytes> [<ini bytes> <reg bytes> ...]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace {
constexpr std::uint32_t BLOCK = 1 << 20;

bool WriteBytes(const std::string& strPath, std::uint64_t nBytes, const std::vector<char>& block) {
    platform::CFile file;
    if (!file.Open(strPath.c_str(), platform::FileMode::CreateWrite)) return false;
    for (std::uint64_t nLeft = nBytes; nLeft > 0;) {
        const std::uint32_t n = nLeft < BLOCK ? static_cast<std::uint32_t>(nLeft) : BLOCK;
        if (!file.Write(block.data(), n)) return false;
        nLeft -= n;
    }
    return file.Close();
}

bool ReadBytes(const std::string& strPath, std::uint64_t nBytes, std::vector<char>& block) {
    platform::CFile file;
    if (!file.Open(strPath.c_str(), platform::FileMode::Read)) return false;
    std::uint64_t nRead = 0;
    for (std::uint32_t n; (n = file.Read(block.data(), BLOCK)) > 0;) nRead += n;
    return nRead == nBytes;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc % 2 != 0) {
        std::fputs("Usage: file_floor <directory> <ini bytes> <reg bytes> [...]\n", stderr);
        return 2;
    }
    const std::string strDir = argv[1];
    const std::string strIni = strDir + "/tempreg.ini";
    const std::string strReg = strDir + "/tempreg.reg";
    std::vector<char> block(BLOCK, 'x');
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::uint64_t nIni = std::strtoull(argv[i], nullptr, 10);
        const std::uint64_t nReg = std::strtoull(argv[i + 1], nullptr, 10);
        if (!WriteBytes(strIni, nIni, block) || !ReadBytes(strIni, nIni, block) ||
            !WriteBytes(strReg, nReg, block) || !ReadBytes(strReg, nReg, block)) {
            std::fprintf(stderr, "file_floor: cannot write and read back in %s\n", strDir.c_str());
            return 1;
        }
        std::remove(strIni.c_str());
        std::remove(strReg.c_str());
    }
    return 0;
}
