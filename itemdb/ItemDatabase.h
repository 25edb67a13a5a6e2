// The one object a run builds: the six record lists, a builder per list that fills it from its
// table through the table conversion, and the save into items.idb.
#pragma once

#include "itemdb/ItemCommon.h"
#include "loader/RecordSerialize.h"
#include "marrow/Loader.h"
#include "tableconv/TableConverter.h"

class CItemDatabase : public CTableConverter, public SItemLists {
public:
    CItemDatabase() = default;
    ~CItemDatabase() override = default;

    // One builder per kind (BuildMaterials, BuildWeapons, ...). Each prints its heading and one
    // "." per record, and returns whether the table could be converted; on false the list
    // stays as it was and the cause has been printed. They also return false when a row meets
    // the run's last error (ErrorLimitReached): the builder stops after that row's ".", prints
    // nothing more and keeps the records built so far.
#define MARROW_DECLARE_BUILD(record, singular, plural, ...) bool Build##plural(const char* pszFileName);
    MARROW_ITEM_KINDS(MARROW_DECLARE_BUILD)
#undef MARROW_DECLARE_BUILD

    // Writes items.idb into the directory (which ends in a separator) through a temporary file
    // that replaces it only once complete. False, after printing "Can't write", when any byte
    // could not be written; an existing items.idb then stays as it was.
    bool Save(const char* pszOutputDirectory) override;
    // Replaces the lists with those of an items.idb, read as leniently as the loader can; false
    // when it cannot be opened.
    bool Load(const char* pszPath) { return marrow::LoadItemDatabaseLenient(pszPath, *this); }

private:
    // The shared builder sequence, for the kind of TRecord (its heading and list from the kind
    // tables).
    template <class TRecord>
    bool BuildList(const char* pszFileName);
    bool OpenConverted(CFileRegistry& registry);
};
