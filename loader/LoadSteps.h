// The steps of LoadItemDatabase (marrow/Loader.h) that others share: which paths are read at
// all, with the words idbdump gives too, and the load of bytes already in memory, which the fuzz
// target and the tests call without a file. Guide: docs/loader.md.
#pragma once

#include <cstddef>
#include <cstdint>

#include "marrow/Loader.h"

namespace marrow {

class CMemoryStream;

// What the loader (as its Reason) and idbdump say of a folder, a device or a pipe: neither reads
// one, as /dev/zero would never end and a pipe could wait for ever.
inline constexpr char NOT_A_REGULAR_FILE[] = "not a regular file";

// What a path names, symbolic links followed: a regular file, with its size as the system gives
// it now; something else that is there; or nothing the system tells of (a missing file, a path
// it cannot look into), which opening the path then explains.
enum class EPathKind { Unknown, RegularFile, Other };
EPathKind KindOfPath(const char* pszPath, std::uint64_t& nSize);

// The check and the reading of LoadItemDatabase on the file's bytes, which it consumes (the
// stream is empty afterwards). Same outcomes, same guarantee: no exception leaves it.
marrow::SLoadResult LoadItemBytes(CMemoryStream& bytes, marrow::SItemLists& lists) noexcept;

// The memory the lists hold: their records, the texts that do not fit inside a string, the
// quest zones. A load never makes it larger than LISTS_BYTES_PER_FILE_BYTE times the file's size
// (docs/loader.md): the smallest record chunk takes 2 bytes of the file, the largest record
// (SArmor) about 344 bytes of memory on a 64-bit system.
inline constexpr std::size_t LISTS_BYTES_PER_FILE_BYTE = 200;
std::size_t ListsFootprint(const marrow::SItemLists& lists);

}  // namespace marrow

// The builder's own code, which no game links, keeps calling these by their short names.
using marrow::NOT_A_REGULAR_FILE;
using marrow::EPathKind;
using marrow::KindOfPath;
using marrow::LoadItemBytes;
using marrow::LISTS_BYTES_PER_FILE_BYTE;
using marrow::ListsFootprint;
