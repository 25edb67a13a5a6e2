// Compiled at C++17 and at C++20 with warnings as errors: the public headers must stand alone
// at the oldest standard a game may use.
#include "marrow/Codes.h"
#include "marrow/ItemDatabaseFile.h"
#include "marrow/ItemIndex.h"
#include "marrow/Loader.h"
#include "marrow/Records.h"
#include "marrow/Version.h"

namespace {
[[maybe_unused]] std::size_t CountRecords(const marrow::SItemLists& lists) {
    return lists.m_materials.size() + lists.m_weapons.size() + lists.m_armors.size() +
           lists.m_quickItems.size() + lists.m_questItems.size() + lists.m_lootItems.size();
}
}  // namespace
