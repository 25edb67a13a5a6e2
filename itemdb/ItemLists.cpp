#include "itemdb/ItemLists.h"

#include "output/ChunkArchive.h"
#include "output/DataStream.h"

void SerializeItemLists(CChunkArchive& archive, SItemLists& lists) {
    archive.SerializeList(1, lists.m_materials);
    archive.SerializeList(2, lists.m_weapons);
    archive.SerializeList(3, lists.m_armors);
    archive.SerializeList(4, lists.m_quickItems);
    archive.SerializeList(5, lists.m_questItems);
    archive.SerializeList(6, lists.m_lootItems);
}

void ReadItemDatabase(IDataStream& stream, SItemLists& lists) {
    CChunkArchive archive;
    archive.OpenArchive(stream, /*bReading=*/true, /*nVersion=*/1);
    SerializeItemLists(archive, lists);
    archive.CloseArchive(stream);
}

bool LoadItemDatabase(const char* pszPath, SItemLists& lists) {
    CFileStream stream;
    if (!stream.OpenFile(pszPath, FILE_MODE_READ)) return false;
    ReadItemDatabase(stream, lists);
    stream.CloseFile();
    return true;
}
