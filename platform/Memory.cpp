#include "platform/Memory.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace marrow::platform {

void AdviseLargePages(void* pData, std::size_t nSize) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t LARGE_PAGE = std::uintptr_t{1} << 21;
    const auto nBegin = (reinterpret_cast<std::uintptr_t>(pData) + LARGE_PAGE - 1) & ~(LARGE_PAGE - 1);
    const auto nEnd = (reinterpret_cast<std::uintptr_t>(pData) + nSize) & ~(LARGE_PAGE - 1);
    // A hint only: where the system refuses it, the buffer works as before.
    if (nSize >= LARGE_PAGE && nEnd > nBegin)
        ::madvise(reinterpret_cast<void*>(nBegin), nEnd - nBegin, MADV_HUGEPAGE);
#else
    // Windows: large pages need a privilege that a batch tool does not hold.
    (void)pData;
    (void)nSize;
#endif
}

}  // namespace marrow::platform
