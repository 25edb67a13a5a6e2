#include "itemdb/QuestItem.h"

#include "itemdb/Columns.h"

void ReadQuestItem(const CFileRegistry& registry, std::string_view strSection, SQuestItem& item) {
    using namespace columns;
    ReadCommonFields(registry, strSection, item);
    item.ScriptID = ReadInt(registry, strSection, QUEST_SCRIPT_ID);
    ReadList(registry, strSection, QUEST_ZONES, item.QuestZones);
}

void SQuestItem::Serialize(CChunkArchive& archive) {
    SItemCommon::Serialize(archive);
    DataField(archive, 21, ScriptID);
    if (!archive.StartChunk(22)) return;  // reading a record without zones: keep them
    if (archive.IsReading()) {
        QuestZones.clear();
        QuestZones.resize(static_cast<size_t>(archive.CountChunks(1)));
    }
    for (size_t n = 1; n <= QuestZones.size(); ++n) {
        archive.SetChunkIndex(static_cast<int>(n));
        archive.StringChunk(1, QuestZones[n - 1]);
    }
    archive.FinishChunk();
}
