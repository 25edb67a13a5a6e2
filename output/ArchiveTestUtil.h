// What the archive's tests share: the bytes every archive ends with, a memory stream's content
// and the smallest record a list can hold.
#pragma once

#include <cstdint>
#include <string>

#include "output/ChunkArchive.h"
#include "output/DataStream.h"

namespace archive_test {

// What follows the root content in items.idb: the empty object table, then top-level chunk 2
// with version 1.
inline constexpr const char* TRAILER = "00 00 02 0C 02 08 01 00 00 00";

inline std::string Content(CMemoryStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize());
}

// A record as small as the list layout allows.
struct STinyRecord {
    std::int32_t Value = 0;
    std::string Name;
    friend void Serialize(CChunkArchive& archive, STinyRecord& record) {
        archive.DataChunk(0, &record.Value, sizeof record.Value);
        archive.StringChunk(1, record.Name);
    }
    friend bool operator==(const STinyRecord&, const STinyRecord&) = default;
};

}  // namespace archive_test
