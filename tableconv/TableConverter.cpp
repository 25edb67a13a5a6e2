#include "tableconv/TableConverter.h"

#include <cstdio>
#include <cstring>

#include "platform/Memory.h"
#include "platform/Platform.h"
#include "tableconv/ListElements.h"

namespace {
bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr char UTF8_BOM[] = "\xEF\xBB\xBF";

void AppendUtf8(std::string& strOut, std::uint32_t nCode) {
    if (nCode < 0x80) {
        strOut += static_cast<char>(nCode);
    } else if (nCode < 0x800) {
        strOut += static_cast<char>(0xC0 | (nCode >> 6));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    } else if (nCode < 0x10000) {
        strOut += static_cast<char>(0xE0 | (nCode >> 12));
        strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    } else {
        strOut += static_cast<char>(0xF0 | (nCode >> 18));
        strOut += static_cast<char>(0x80 | ((nCode >> 12) & 0x3F));
        strOut += static_cast<char>(0x80 | ((nCode >> 6) & 0x3F));
        strOut += static_cast<char>(0x80 | (nCode & 0x3F));
    }
}

// Spreadsheets save "Unicode text" as UTF-16 with a byte order mark; the rest of the system
// reads bytes, so such a table is turned into UTF-8 first. A lone surrogate or an odd last byte
// becomes U+FFFD; nBadLine is the first line that held one (0: none).
std::string Utf16ToUtf8(const unsigned char* p, size_t nSize, bool bBigEndian, unsigned& nBadLine) {
    constexpr std::uint32_t REPLACEMENT = 0xFFFD;
    std::string strOut;
    strOut.reserve(nSize + nSize / 2);
    nBadLine = 0;
    unsigned nLine = 1;
    auto unit = [&](size_t i) -> std::uint32_t {
        return bBigEndian ? (std::uint32_t{p[i]} << 8) | p[i + 1]
                          : (std::uint32_t{p[i + 1]} << 8) | p[i];
    };
    auto bad = [&]() {
        if (nBadLine == 0) nBadLine = nLine;
        AppendUtf8(strOut, REPLACEMENT);
    };
    size_t i = 0;
    while (i + 1 < nSize) {
        const std::uint32_t nUnit = unit(i);
        i += 2;
        if (nUnit >= 0xD800 && nUnit < 0xDC00) {
            if (i + 1 < nSize && unit(i) >= 0xDC00 && unit(i) < 0xE000) {
                AppendUtf8(strOut, 0x10000 + ((nUnit - 0xD800) << 10) + (unit(i) - 0xDC00));
                i += 2;
            } else {
                bad();
            }
        } else if (nUnit >= 0xDC00 && nUnit < 0xE000) {
            bad();
        } else {
            AppendUtf8(strOut, nUnit);
            nLine += nUnit == '\n';
        }
    }
    if (i < nSize) bad();
    return strOut;
}
}  // namespace

std::string_view TrimWhite(std::string_view strText) { return TrimIf(strText, IsWhite); }

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
    const auto* pBytes = reinterpret_cast<const unsigned char*>(pBuffer.get());
    const bool bLittle = nLength >= 2 && pBytes[0] == 0xFF && pBytes[1] == 0xFE;
    const bool bBig = nLength >= 2 && pBytes[0] == 0xFE && pBytes[1] == 0xFF;
    if (bLittle || bBig) {
        unsigned nBadLine = 0;
        const std::string strText = Utf16ToUtf8(pBytes + 2, nLength - 2, bBig, nBadLine);
        if (nBadLine)
            std::printf("\"%s\" holds UTF-16 that is not well formed in line %u; it reads as "
                        "U+FFFD.\n",
                        pszName, nBadLine);
        if (strText.size() >= 0xFFFFFFFFu) {
            std::printf("\"%s\" is too large to read.\n", pszName);
            nLength = 0;
        } else {
            nLength = static_cast<std::uint32_t>(strText.size());
            pBuffer = std::make_unique<char[]>(strText.size() + 1);
            std::memcpy(pBuffer.get(), strText.data(), strText.size());
        }
    }
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
