#include "tableconv/TableConverter.h"

#include <cstdio>
#include <cstring>

#include "platform/Platform.h"

namespace {
bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr char UTF8_BOM[] = "\xEF\xBB\xBF";
}  // namespace

std::string_view TrimWhite(std::string_view strText) {
    size_t nBegin = 0, nEnd = strText.size();
    while (nBegin < nEnd && IsWhite(strText[nBegin])) ++nBegin;
    while (nEnd > nBegin && IsWhite(strText[nEnd - 1])) --nEnd;
    return strText.substr(nBegin, nEnd - nBegin);
}

void SplitCells(std::string_view strText, char chDelimiter, std::vector<std::string_view>& cells) {
    cells.clear();
    size_t nStart = 0;
    for (;;) {
        const size_t nPos = strText.find(chDelimiter, nStart);
        if (nPos == std::string_view::npos) {
            cells.push_back(TrimWhite(strText.substr(nStart)));
            return;
        }
        cells.push_back(TrimWhite(strText.substr(nStart, nPos - nStart)));
        nStart = nPos + 1;
    }
}

bool SplitString(std::string_view strText, std::vector<std::string>& cells, char chDelimiter) {
    std::vector<std::string_view> views;
    SplitCells(strText, chDelimiter, views);
    cells.assign(views.begin(), views.end());
    return true;
}

CTableConverter::CTableConverter() {
    m_strTempBase = std::string(".") + platform::PATH_SEPARATOR + "tempreg";
}

CTableConverter::~CTableConverter() = default;

bool CTableConverter::LoadFile(const char* pszPath) {
    platform::CFile file;
    if (!file.Open(pszPath, platform::FileMode::Read)) {
        std::printf("Can't open file \"%s\".\n", pszPath);
        return false;
    }
    const std::uint64_t nLength = file.Length();
    if (nLength >= 0xFFFFFFFFu) {
        std::printf("\"%s\" is too large to read.\n", pszPath);
        return false;
    }
    // Filled by the read at once, so not zero-filled first; the text still ends in a 0.
    auto pBuffer = std::make_unique_for_overwrite<char[]>(nLength + 1);
    platform::AdviseLargePages(pBuffer.get(), nLength + 1);
    pBuffer[nLength] = '\0';
    if (file.Read(pBuffer.get(), static_cast<std::uint32_t>(nLength)) != nLength) {
        std::printf("Can't read file \"%s\".\n", pszPath);
        return false;
    }
    Adopt(std::move(pBuffer), static_cast<std::uint32_t>(nLength), pszPath);
    return true;
}

bool CTableConverter::LoadText(std::string_view strText, const char* pszName) {
    if (strText.size() >= 0xFFFFFFFFu) return false;
    auto pBuffer = std::make_unique<char[]>(strText.size() + 1);
    std::memcpy(pBuffer.get(), strText.data(), strText.size());
    Adopt(std::move(pBuffer), static_cast<std::uint32_t>(strText.size()), pszName);
    return true;
}

void CTableConverter::Adopt(std::unique_ptr<char[]> pBuffer, std::uint32_t nLength,
                            const char* pszName) {
    m_pBuffer = std::move(pBuffer);
    m_nLength = nLength;
    m_strFileName = pszName;
    m_pCursor = m_pBuffer.get();
    m_pTextEnd = m_pCursor + m_nLength;

    // Spreadsheet programs like to start a UTF-8 file with a byte order mark; it is no cell.
    if (m_nLength >= 3 && std::memcmp(m_pCursor, UTF8_BOM, 3) == 0) m_pCursor += 3;

    // The text ends at the first zero byte; say so rather than drop the rest without a word.
    const void* pZero = std::memchr(m_pCursor, 0, static_cast<size_t>(m_pTextEnd - m_pCursor));
    if (pZero) {
        m_pTextEnd = static_cast<const char*>(pZero);
        unsigned nLine = 1;
        for (const char* p = m_pBuffer.get(); p < m_pTextEnd; ++p) nLine += *p == '\n';
        std::printf("\"%s\" holds a zero byte in line %u (saved as UTF-16?); the rest is ignored.\n",
                    pszName, nLine);
    }
}

bool CTableConverter::GetNextLine(std::string_view& strLine) {
    if (!m_pCursor || m_pCursor >= m_pTextEnd) return false;
    const size_t nRemaining = static_cast<size_t>(m_pTextEnd - m_pCursor);
    const auto* pFeed = static_cast<const char*>(std::memchr(m_pCursor, '\n', nRemaining));
    const char* pLineEnd = pFeed ? pFeed : m_pTextEnd;
    strLine = std::string_view(m_pCursor, static_cast<size_t>(pLineEnd - m_pCursor));
    m_pCursor = pFeed ? pFeed + 1 : m_pTextEnd;
    return true;
}

bool CTableConverter::ParseHeader() {
    std::string_view strLine;
    std::vector<std::string_view> cells;
    m_groups.clear();
    m_columnNames.clear();
    if (GetNextLine(strLine)) SplitCells(strLine, '\t', cells);
    for (std::string_view cell : cells) {
        if (!cell.empty() && IsAsciiAlnum(cell[0])) {
            m_groups.push_back(SColumnGroup{std::string(cell), {}, 1});
        } else if (!m_groups.empty()) {
            ++m_groups.back().columnCount;
        } else {
            break;  // a first cell that starts no group leaves nothing to widen
        }
    }
    if (m_groups.empty()) {
        std::printf("Bad header in \"%s\".\n", m_strFileName.c_str());
        return false;
    }

    // Sub-column cells are handed out in order; missing ones count as empty.
    cells.clear();
    if (GetNextLine(strLine)) SplitCells(strLine, '\t', cells);
    size_t nNext = 0;
    for (SColumnGroup& group : m_groups) {
        for (std::int32_t i = 0; i < group.columnCount; ++i, ++nNext) {
            group.subNames.emplace_back(nNext < cells.size() ? cells[nNext] : std::string_view());
            if (group.columnCount == 1) m_columnNames.push_back(group.groupName);
            else m_columnNames.push_back(group.groupName + " " + group.subNames.back());
        }
    }
    return true;
}
