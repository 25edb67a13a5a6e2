#include "itemdb/QuestItem.h"

#include "itemdb/Columns.h"

void ReadQuestItem(const CFileRegistry& registry, std::string_view strSection, SQuestItem& item) {
    using namespace columns;
    ReadCommonFields(registry, strSection, item);
    item.ScriptID = ReadInt(registry, strSection, QUEST_SCRIPT_ID);
    ReadList(registry, strSection, QUEST_ZONES, item.QuestZones);
}
