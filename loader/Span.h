// std::span where the standard has it; elsewhere (the loader built alone at C++17, as a game's
// own compiler may) the few members the loader uses, over the same contiguous elements.
#pragma once

#include <cstddef>
#include <vector>

#if __cplusplus >= 202002L || (defined(_MSVC_LANG) && _MSVC_LANG >= 202002L)
#include <span>

namespace marrow {
using std::span;
}  // namespace marrow
#else
namespace marrow {

template <class T>
class span {
public:
    constexpr span() = default;
    constexpr span(T* pData, std::size_t nSize) : m_pData(pData), m_nSize(nSize) {}
    template <std::size_t N>
    constexpr span(T (&array)[N]) : m_pData(array), m_nSize(N) {}
    template <class U>
    span(const std::vector<U>& list) : m_pData(list.data()), m_nSize(list.size()) {}

    constexpr T* data() const { return m_pData; }
    constexpr std::size_t size() const { return m_nSize; }
    constexpr bool empty() const { return m_nSize == 0; }
    constexpr T& operator[](std::size_t i) const { return m_pData[i]; }
    constexpr T* begin() const { return m_pData; }
    constexpr T* end() const { return m_pData + m_nSize; }

private:
    T* m_pData = nullptr;
    std::size_t m_nSize = 0;
};

}  // namespace marrow
#endif
