// CItemDatabaseFile of marrow/ItemDatabaseFile.h: a look at the file's stamp,
// and a load into fresh lists that replace the kept ones only when complete.
#include "marrow/ItemDatabaseFile.h"

#include <filesystem>
#include <new>
#include <system_error>
#include <utility>

namespace marrow {

CItemDatabaseFile::SStamp CItemDatabaseFile::StampOf(const std::string& strPath) {
    SStamp stamp;
    std::error_code error;
    const std::filesystem::path path(strPath);  // may throw bad_alloc; caught by the callers
    const auto time = std::filesystem::last_write_time(path, error);
    if (error) return stamp;
    const std::uintmax_t nSize = std::filesystem::file_size(path, error);
    if (error) return stamp;
    stamp.bPresent = true;
    stamp.nTime = static_cast<std::int64_t>(time.time_since_epoch().count());
    stamp.nSize = nSize;
    return stamp;
}

EReload CItemDatabaseFile::Open(const char* pszPath) noexcept {
    try {
        m_strPath = pszPath ? pszPath : "";
    } catch (const std::bad_alloc&) {
        m_strPath.clear();
    }
    m_bLooked = false;
    return Reload();
}

EReload CItemDatabaseFile::Reload() noexcept {
    try {
        // The stamp is taken before the read: a file replaced during the read then
        // differs from it at the next look and is read again, never missed.
        const SStamp stamp = StampOf(m_strPath);
        if (m_bLooked && stamp == m_seen) return EReload::Unchanged;
        m_bLooked = true;
        m_seen = stamp;
        SItemLists loaded;
        m_lastResult = LoadItemDatabase(m_strPath.c_str(), loaded);
        // A file that is there but cannot be opened is tried again at the next call: Windows
        // refuses to open a file for a moment while a rename replaces it.
        if (m_lastResult.Status == ELoadStatus::CannotOpen && stamp.bPresent) m_bLooked = false;
        if (m_lastResult.Status != ELoadStatus::Loaded) return EReload::Failed;
        m_lists = std::move(loaded);
        // On lack of memory the index is empty and lookups walk the lists: still
        // right.
        m_index.Build(m_lists);
        ++m_nGeneration;
        return EReload::Reloaded;
    } catch (const std::bad_alloc&) {
        m_bLooked = false;  // the same file is tried again at the next call
        m_lastResult = SLoadResult();
        m_lastResult.Reason = "out of memory";
        return EReload::Failed;
    }
}

}  // namespace marrow
