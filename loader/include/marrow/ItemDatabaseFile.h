// Keeping a running game's items current: items.idb loaded, watched and reloaded when it is
// rebuilt, with the last good lists kept when a new file fails. C++17 and later.
#pragma once

#include <cstdint>
#include <string>

#include "marrow/ItemIndex.h"
#include "marrow/Loader.h"

namespace marrow {

enum class EReload {
    Unchanged,  // the file's time and size are as at the last look: nothing was read
    Reloaded,   // a changed file loaded whole: new lists, Generation() one higher
    Failed,     // a changed file did not load (LastResult() says why): the lists are as they were
};

// The file is looked at, never held open: the builder replaces items.idb by renaming a complete
// file over it, so every read sees one whole database, old or new. A change is a different
// modification time or size; a rewrite within the file system's time resolution that keeps the
// size is not seen. Not for use by two threads at once; the lists and the index stay valid until
// the next Reload or Open that returns Reloaded.
class CItemDatabaseFile {
public:
    CItemDatabaseFile() = default;
    // The index refers to the lists inside: the object stays where it was made.
    CItemDatabaseFile(const CItemDatabaseFile&) = delete;
    CItemDatabaseFile& operator=(const CItemDatabaseFile&) = delete;

    // Remembers the path and loads it as Reload does, whatever was loaded before.
    EReload Open(const char* pszPath) noexcept;
    // The cheap call a game makes once a frame or a second: one look at the file's time and
    // size, and a load only when they changed since the last look. A file that failed to load
    // is not read again until it changes; a missing one fails once, with CannotOpen. A file that
    // is there but cannot be opened fails with CannotOpen at each call until it opens (Windows
    // refuses to open a file for a moment while a rebuild renames another over it).
    EReload Reload() noexcept;

    const SItemLists& Lists() const noexcept { return m_lists; }
    // Built once per load that succeeds; lookups by name and materials by index.
    const CItemIndex& Index() const noexcept { return m_index; }
    // 0 until the first load succeeds, then one more with each: a game re-derives what it
    // computed from the lists when this changes.
    std::uint64_t Generation() const noexcept { return m_nGeneration; }
    // The outcome of the last load attempted (Reason says why a load failed).
    const SLoadResult& LastResult() const noexcept { return m_lastResult; }
    const std::string& Path() const noexcept { return m_strPath; }

private:
    struct SStamp {
        bool bPresent = false;
        std::int64_t nTime = 0;  // in the file system clock's own units
        std::uint64_t nSize = 0;
        bool operator==(const SStamp& other) const {
            return bPresent == other.bPresent && nTime == other.nTime && nSize == other.nSize;
        }
    };
    static SStamp StampOf(const std::string& strPath);  // throws only std::bad_alloc

    std::string m_strPath;
    SStamp m_seen;  // at the last look, good file or not
    bool m_bLooked = false;
    SItemLists m_lists;
    CItemIndex m_index;
    std::uint64_t m_nGeneration = 0;
    SLoadResult m_lastResult;
};

}  // namespace marrow
