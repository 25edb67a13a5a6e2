// The INI-to-registry converter behind Ini2Reg.bat: reads INI text, types every value and lays
// each hash table out so that a chain holds only entries of one hash. Output format:
// docs/registry-format.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tableconv/ListElements.h"

// Limits of the registry format.
inline constexpr std::uint32_t MAX_REGISTRY_ENTRIES = 65535;  // sections, values, list elements
inline constexpr std::uint32_t MAX_REGISTRY_TEXT = 65535;     // bytes of a name or string
inline constexpr std::uint64_t MAX_REGISTRY_FILE = 0x80000000u;

// A value as the converter types it. Rules, first match wins: "quoted" text is a string;
// a decimal integer within 32 bits is an integer; a decimal number finite in single precision
// (or an integer beyond 32 bits) is a float; text with a comma is a list; else a string.
// Inside quotes, a doubled quote stands for one, as spreadsheets write it.
struct SIniValue {
    std::uint8_t nType = 0;   // RTYPE_INT, RTYPE_FLOAT, RTYPE_STRING or RTYPE_LIST|RTYPE_STRING
    std::int32_t nInt = 0;
    float fFloat = 0.0f;
    std::string_view strText;  // the string, the quoted text, or the whole list text
    std::uint32_t nDoubledQuotes = 0;  // "" pairs inside the quoted text, each stored as one "
};
// strValue must already be trimmed of blanks and tabs.
SIniValue ClassifyValue(std::string_view strValue);
// A string value's text as it is stored: its doubled quotes made single.
std::string StoredString(const SIniValue& value);


// Receives the registry file as it is produced; the header is patched in last.
class IRegistrySink {
public:
    virtual ~IRegistrySink() = default;
    virtual bool Append(const void* pData, std::size_t nSize) = 0;
    virtual bool Patch(std::uint64_t nOffset, const void* pData, std::size_t nSize) = 0;
};

// Converts INI text; false with a message naming the limit that was passed (nothing useful has
// then reached the sink).
bool ConvertIni(std::string_view strIni, IRegistrySink& sink, std::string& strError);
bool ConvertIniToMemory(std::string_view strIni, std::string& strRegistry, std::string& strError);
// Reads the INI file and writes the registry file through a temporary file, so that a failed
// conversion leaves no registry file behind.
bool ConvertIniFile(const char* pszIniPath, const char* pszRegPath, std::string& strError);
