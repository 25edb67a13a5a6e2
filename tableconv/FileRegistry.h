// Typed lookup by section name and value name in a binary registry file, read in place through
// a read-only mapping. Layout: docs/registry-format.md.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "output/ByteOrder.h"
#include "tableconv/MappedFile.h"

inline constexpr std::uint32_t REGISTRY_MAGIC = 0x45AB3EFB;
inline constexpr std::uint8_t RTYPE_INT = 0;
inline constexpr std::uint8_t RTYPE_FLOAT = 1;
inline constexpr std::uint8_t RTYPE_STRING = 2;
inline constexpr std::uint8_t RTYPE_LIST = 0x80;  // a list of the base type in the low 7 bits
inline constexpr std::uint16_t CHAIN_END = 0xFFFF;
inline constexpr std::uint32_t REGISTRY_HEADER_SIZE = 6;
inline constexpr std::uint32_t REGISTRY_SLOT_SIZE = 6;

constexpr char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The wrapping sum of the name's bytes, each lowercased (A to Z only) and taken as signed.
constexpr std::uint32_t NameByteSum(std::string_view strName) {
    std::uint32_t nSum = 0;
    for (char c : strName)
        nSum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(LowerAscii(c))));
    return nSum;
}
// The home slot of a name in a table of nSlots slots (nSlots > 0).
inline std::uint32_t HashName(std::string_view strName, std::uint32_t nSlots) {
    return NameByteSum(strName) % nSlots;
}
// ASCII case-blind equality, as section and value names are compared.
bool EqualNoCase(std::string_view a, std::string_view b);

// Hashing and equality of names without regard to ASCII case, for hash maps of names.
std::uint64_t NoCaseHash(std::string_view str);
struct SNoCaseHash {
    size_t operator()(std::string_view str) const { return static_cast<size_t>(NoCaseHash(str)); }
};
struct SNoCaseEqual {
    bool operator()(std::string_view a, std::string_view b) const { return EqualNoCase(a, b); }
};

// A value name with its byte sum worked out once: builders ask for the same columns row after
// row. Converts from any text, summing it then.
struct SValueName {
    constexpr SValueName(std::string_view str, std::uint32_t nSum) : strName(str), nByteSum(nSum) {}
    constexpr SValueName(std::string_view str) : SValueName(str, NameByteSum(str)) {}
    constexpr SValueName(const char* psz) : SValueName(std::string_view(psz)) {}
    SValueName(const std::string& str) : SValueName(std::string_view(str)) {}
    std::string_view strName;
    std::uint32_t nByteSum;
};

// One value as stored: its type and where its data starts. nAvailable counts the bytes from
// there to the end of the file, so that readers never step outside it.
struct SRegistryValue {
    std::uint8_t nType = 0;
    const std::uint8_t* pData = nullptr;
    std::uint32_t nAvailable = 0;
};

class CFileRegistry {
public:
    CFileRegistry() = default;
    ~CFileRegistry() { Close(); }
    CFileRegistry(const CFileRegistry&) = delete;
    CFileRegistry& operator=(const CFileRegistry&) = delete;

    // Maps the file; true when it is a registry file (IsValid). False leaves the registry closed.
    bool Open(const char* pszPath);
    // Opens bytes that the caller keeps alive until Close (tests, tools, fuzzing).
    bool OpenMemory(const std::uint8_t* pData, std::uint32_t nSize);
    // True when the magic is there and the section table fits in the file; closes otherwise.
    bool IsValid();
    void Close();
    bool IsOpen() const { return m_pData != nullptr; }

    // The data of the named value when its type is nType; a single value of the base type is
    // accepted where a list is asked for, and *pbSingle then says so. Null when not found.
    const std::uint8_t* FindData(std::string_view strSection, const SValueName& name,
                                 std::uint8_t nType, bool* pbSingle = nullptr) const;
    // The named value whatever its type; false when absent or when the file is malformed there.
    bool FindValue(std::string_view strSection, const SValueName& name,
                   SRegistryValue& value) const;

    // The names of all sections in slot order; false when closed.
    bool GetSectionNames(std::vector<std::string>& names) const;
    // Every section's name, in slot order, with GetInt of the named value in that section
    // (nDefault when absent): the same as GetInt for each name of GetSectionNames, without
    // looking each name up again when no name is shadowed by another.
    void GetSectionNumbers(const SValueName& name, std::int32_t nDefault,
                           std::vector<std::pair<std::int32_t, std::string>>& sections) const;

    // Integer; a float is truncated toward zero and saturated, NaN gives the default.
    std::int32_t GetInt(std::string_view strSection, const SValueName& name,
                        std::int32_t nDefault) const;
    // Single-precision number; an integer is converted.
    float GetFloat(std::string_view strSection, const SValueName& name, float fDefault) const;
    // Text; a number gives its shortest decimal text, a list or a missing value the default.
    std::string GetString(std::string_view strSection, const SValueName& name,
                          std::string_view strDefault) const;
    // List of strings; a single string or number gives one entry. False (and an empty list)
    // when missing.
    bool GetStringList(std::string_view strSection, const SValueName& name,
                       std::vector<std::string>& list) const;

    // Walks every slot and record; false with the first problem and its byte offset when any
    // count, length or offset points outside the file, or when a chain loops.
    bool Verify(std::string& strProblem) const;

    const std::uint8_t* GetData() const { return m_pData; }
    std::uint32_t GetSize() const { return m_nSize; }

private:
    static constexpr std::uint32_t NO_ORDINAL = 0xFFFFFFFFu;
    struct SSectionRef {
        bool bFound = false;
        std::uint32_t nOffset = 0;  // of the section record
        std::uint16_t nValues = 0;  // M
        std::uint16_t nNameLength = 0;
        std::uint32_t nOrdinal = NO_ORDINAL;  // its place in SectionsInFileOrder, when indexed
    };
    // The section slots sorted by their records' offsets, worked out once: slots are in hash
    // order, and whoever reads every section reads far less scattered in file order.
    const std::vector<std::uint16_t>& SectionsInFileOrder() const;
    std::uint32_t SectionOffset(std::uint32_t nSlot) const;
    // Asks the processor for the bytes of the k-th section in file order ahead of their use.
    void PrefetchSection(std::uint32_t k) const;
    bool FindSection(std::string_view strSection, SSectionRef& section) const;
    bool FindValueIn(const SSectionRef& section, const SValueName& name, SRegistryValue& value) const;
    static std::int32_t IntOf(const SRegistryValue& value, std::int32_t nDefault);
    bool WalkSectionChain(std::string_view strSection, SSectionRef& section) const;
    void BuildSectionIndex() const;

    CMappedFile m_file;
    const std::uint8_t* m_pData = nullptr;
    std::uint32_t m_nSize = 0;
    // Builders ask for one row's columns in a row: remember the last section found.
    mutable std::string m_strCachedSection;
    mutable SSectionRef m_cachedSection;
    mutable bool m_bCacheValid = false;
    // Every section by name, found once along the chains: rows named "Sword 0001", "Sword
    // 0010" ... share one byte sum, and walking their long chain for every row would cost the
    // square of the rows. An open-addressing table keyed by a hash of the lowercased name;
    // built at the first lookup; left empty (chains walked) if building would take more steps
    // than lookups could save.
    struct SIndexEntry {
        std::uint64_t nHash = 0;
        SSectionRef section;  // bFound false: an empty entry
    };
    bool FindIndexed(std::string_view strSection, std::uint64_t nHash, SSectionRef& section) const;
    mutable std::vector<SIndexEntry> m_sectionIndex;
    mutable std::vector<std::uint16_t> m_fileOrder;  // slots, at most 65,535
    mutable bool m_bFileOrderBuilt = false;
    mutable std::uint32_t m_nNamedSlots = 0;  // slots whose section name lies inside the file
    mutable bool m_bIndexBuilt = false;
    // Every section is found by its own name at its own slot: none unreachable, none shadowed.
    mutable bool m_bIndexExact = false;
};

// Reads one length-prefixed string at p, within nAvailable bytes; advances both. False, with
// nothing advanced, when the string runs past them.
inline bool ReadCountedString(const std::uint8_t*& p, std::uint32_t& nAvailable,
                              std::string_view& str) {
    if (nAvailable < 2) return false;
    const std::uint16_t nLength = ReadU16(p);
    if (nLength > nAvailable - 2) return false;
    str = std::string_view(reinterpret_cast<const char*>(p + 2), nLength);
    p += 2 + nLength;
    nAvailable -= 2u + nLength;
    return true;
}
// Offsets come from the file: compare by subtraction so that no sum can wrap.
inline bool InBounds(std::uint64_t nOffset, std::uint64_t nLength, std::uint64_t nSize) {
    return nOffset <= nSize && nLength <= nSize - nOffset;
}
