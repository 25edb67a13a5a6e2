// Loading items.idb in a game: the six record lists and the calls that fill them. Everything a
// game needs to read the file; C++17 and later. Guide: docs/loader.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "marrow/Records.h"
#include "marrow/Version.h"

namespace marrow {

// One list per kind of marrow/ItemTable.h, in list chunk order: m_materials (list chunk 1),
// m_weapons, m_armors, m_quickItems, m_questItems, m_lootItems (6).
#define MARROW_LIST_MEMBER(record, singular, plural, LIST, member, ...) std::vector<record> member;
struct SItemLists {
    MARROW_ITEM_KINDS(MARROW_LIST_MEMBER)
};
#undef MARROW_LIST_MEMBER

#define MARROW_COUNT_KIND(...) 1 +
inline constexpr std::size_t ITEM_KIND_COUNT = MARROW_ITEM_KINDS(MARROW_COUNT_KIND) 0;
#undef MARROW_COUNT_KIND

enum class ELoadStatus {
    Loaded,           // every record of a well-formed file
    CannotOpen,       // the file could not be opened or read, is no regular file, or there
                      // was not enough memory to load it; Reason says which
    NotItemDatabase,  // the file does not begin as an items database (empty, or of another kind)
    Damaged,          // it begins as one but breaks the layout at Offset
};

struct SLoadResult {
    ELoadStatus Status = ELoadStatus::CannotOpen;
    // CannotOpen: the system's words, "not a regular file" or "out of memory". NotItemDatabase
    // and Damaged: the first problem, as "at byte N: where: what" (the words idbdump prints).
    // Empty when loaded.
    std::string Reason;
    std::uint64_t Offset = 0;  // NotItemDatabase and Damaged: the byte the problem lies at

    explicit operator bool() const { return Status == ELoadStatus::Loaded; }
};

// Reads items.idb and checks it whole against the layout first, exactly as `idbdump` does.
// Loaded: the six lists are replaced by the file's records. CannotOpen, NotItemDatabase: the
// lists are untouched. Damaged: the lists are emptied, then hold what the lenient reading below
// still gets from the file. The file is read into memory and released before the call returns.
// Only regular files are read; a list of more than 65,535 records is damage. Memory is bounded
// by the file's size (docs/loader.md); when it runs out the result is CannotOpen, Reason
// "out of memory", with the lists untouched. Nothing is thrown.
SLoadResult LoadItemDatabase(const char* pszPath, SItemLists& lists) noexcept;

// The same from bytes in memory (a file taken out of a game's own archive): nSize bytes at
// pData, which the call only reads, and never beyond them; the caller keeps them. The outcomes are
// those of the path form, CannotOpen meaning only "out of memory" or more than 4 GiB of bytes.
// A null pData with nSize 0 is an empty file (NotItemDatabase); with a size, CannotOpen.
SLoadResult LoadItemDatabase(const void* pData, std::size_t nSize, SItemLists& lists) noexcept;

// The lenient reading: any regular file that can be read is read as far as it goes, never
// beyond its end, and at most 65,535 records of a list. A list whose chunk is missing or damaged
// stays as it was; in a damaged record the fields up to the damage are read and the rest are
// zero, false or empty; unknown chunks are skipped. False, with the lists untouched, only when
// the file cannot be opened or read, is no regular file, or memory runs out. Nothing is thrown.
bool LoadItemDatabaseLenient(const char* pszPath, SItemLists& lists) noexcept;

// The version the library was built as (MARROW_VERSION of its own build), to compare with the
// MARROW_VERSION of the headers a game compiled against.
const char* LoaderVersion() noexcept;

}  // namespace marrow
