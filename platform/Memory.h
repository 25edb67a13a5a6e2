// Memory hints that the loader library shares with the builders. Kept apart from Platform.h
// because the loader a game links takes this and nothing else of the platform layer.
#pragma once

#include <cstddef>

namespace marrow::platform {

// A hint for a large buffer that is about to be filled from end to end: back it with large
// pages where the system offers them on request, so that filling it costs a few page faults
// instead of one per 4 KiB. Only the whole large pages inside the buffer are marked, so it
// never makes the process hold more memory than the buffer itself. Contents and ownership are
// untouched; a system without the feature ignores it.
void AdviseLargePages(void* pData, std::size_t nSize);

}  // namespace marrow::platform

// The builders call it through the platform layer's own namespace, as they call the rest.
namespace platform {
using marrow::platform::AdviseLargePages;
}  // namespace platform
