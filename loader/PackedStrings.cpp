#include "marrow/Records.h"

namespace marrow {

void CPackedStrings::Assign(const std::vector<std::string>& list) {
    std::size_t nSize = 0;
    for (const std::string& str : list) nSize += str.size() + 5;
    m_strData.clear();
    m_strData.reserve(nSize);
    for (const std::string& str : list) {
        std::size_t nLength = str.size();
        do {
            const auto nLow = static_cast<char>(nLength & 0x7F);
            nLength >>= 7;
            m_strData += nLength ? static_cast<char>(nLow | 0x80) : nLow;
        } while (nLength);
        m_strData += str;
    }
    m_strData.shrink_to_fit();
    m_nCount = static_cast<std::uint32_t>(list.size());
}

std::vector<std::string> CPackedStrings::ToVector() const {
    std::vector<std::string> list;
    list.reserve(m_nCount);
    std::size_t nPos = 0;
    for (std::uint32_t i = 0; i < m_nCount; ++i) {
        std::size_t nLength = 0;
        for (unsigned nShift = 0;; nShift += 7) {
            const auto c = static_cast<unsigned char>(m_strData[nPos++]);
            nLength |= static_cast<std::size_t>(c & 0x7F) << nShift;
            if (!(c & 0x80)) break;
        }
        list.emplace_back(m_strData, nPos, nLength);
        nPos += nLength;
    }
    return list;
}

}  // namespace marrow
