#include "tableconv/TableConverter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "platform/Memory.h"
#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"
#include "tableconv/ListElements.h"
#include "tableconv/Utf8.h"

namespace {
bool IsWhite(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsAsciiAlnum(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr char UTF8_BOM[] = "\xEF\xBB\xBF";

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
    // A table that is there but cannot be read must not pass for a missing one: the build
    // would lose its rows without a word. (A pipe would also make the open wait forever.)
    if (platform::IsFolder(pszPath)) {
        std::printf("\"%s\" is a folder.\n", pszPath);
        m_tableProblems.push_back({pszPath, ETableProblem::Unreadable});
        return false;
    }
    if (platform::PathExists(pszPath) && !platform::FileExists(pszPath)) {
        std::printf("\"%s\" is no file of its own (a device or a pipe).\n", pszPath);
        m_tableProblems.push_back({pszPath, ETableProblem::Unreadable});
        return false;
    }
    platform::CFile file;
    if (!file.Open(pszPath, platform::FileMode::Read)) {
        const unsigned long nError = platform::LastError();
        if (!platform::IsNotFoundError(nError)) {
            std::printf("Can't read \"%s\": %s.\n", pszPath, platform::ErrorText(nError).c_str());
            m_tableProblems.push_back({pszPath, ETableProblem::Unreadable});
            return false;
        }
        std::printf("Can't open file \"%s\".\n", pszPath);
        // A table exported under another name is the usual reason; say which file was meant.
        const std::vector<std::string> lookalikes = LookalikesOf(pszPath);
        if (!lookalikes.empty()) {
            std::printf("Found ");
            for (size_t i = 0; i < lookalikes.size(); ++i)
                std::printf("%s\"%s\"", i ? ", " : "", lookalikes[i].c_str());
            std::printf(" instead; the table must be named \"%s\".\n",
                        std::filesystem::path(pszPath).filename().string().c_str());
        }
        m_tableProblems.push_back({pszPath, ETableProblem::NotOpened});
        return false;
    }
    const std::uint64_t nLength = file.Length();
    if (nLength >= 0xFFFFFFFFu) {
        std::printf("\"%s\" is too large to read.\n", pszPath);
        m_tableProblems.push_back({pszPath, ETableProblem::Unreadable});
        return false;
    }
    // Filled by the read at once, so not zero-filled first; the text still ends in a 0.
    auto pBuffer = std::make_unique_for_overwrite<char[]>(nLength + 1);
    platform::AdviseLargePages(pBuffer.get(), nLength + 1);
    pBuffer[nLength] = '\0';
    if (file.Read(pBuffer.get(), static_cast<std::uint32_t>(nLength)) != nLength) {
        std::printf("Can't read \"%s\": %s.\n", pszPath,
                    platform::ErrorText(platform::LastError()).c_str());
        m_tableProblems.push_back({pszPath, ETableProblem::Unreadable});
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
        // UTF-16 without its byte order mark: every other byte of Latin text is zero.
        const auto* pText = reinterpret_cast<const unsigned char*>(m_pCursor);
        const size_t nText = static_cast<size_t>(m_pTextEnd - m_pCursor);
        const bool bUtf16 = nText >= 4 && ((pText[0] && !pText[1] && pText[2] && !pText[3]) ||
                                           (!pText[0] && pText[1] && !pText[2] && pText[3]));
        m_pTextEnd = static_cast<const char*>(pZero);
        unsigned nLine = 1;
        for (const char* p = m_pBuffer.get(); p < m_pTextEnd; ++p) nLine += *p == '\n';
        std::printf("\"%s\" holds a zero byte in line %u (saved as UTF-16?); the rest is ignored.\n",
                    pszName, nLine);
        if (bUtf16)
            std::printf("\"%s\" looks like UTF-16 without a byte order mark; save it as UTF-8 or "
                        "as \"Unicode Text\".\n",
                        pszName);
        m_tableProblems.push_back({pszName, ETableProblem::CutShort});
    }

    // Old Mac exports end lines with a CR alone: without a single LF, each CR ends a line.
    char* const pText = m_pBuffer.get();
    const size_t nStart = static_cast<size_t>(m_pCursor - pText);
    const size_t nEnd = static_cast<size_t>(m_pTextEnd - pText);
    if (!std::memchr(pText + nStart, '\n', nEnd - nStart)) std::replace(pText + nStart, pText + nEnd, '\r', '\n');
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
    STableRow& row = m_row;
    m_groups.clear();
    m_columnNames.clear();
    if (!GetNextRow(row)) row.cells.assign(1, std::string_view());
    if (row.cells.size() == 1) {
        if (const char* pszSeparator = WrongSeparatorOf(row.cells[0])) {
            std::printf("\"%s\" looks %s-separated; save it with tabs.\n", m_strFileName.c_str(),
                        pszSeparator);
            m_tableProblems.push_back({m_strFileName, ETableProblem::WrongSeparator});
            return false;
        }
    }
    for (std::string_view cell : row.cells) {
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
        m_tableProblems.push_back({m_strFileName, ETableProblem::BadHeader});
        return false;
    }

    // Sub-column cells are handed out in order; missing ones count as empty.
    if (!GetNextRow(row)) row.cells.clear();
    size_t nNext = 0;
    for (SColumnGroup& group : m_groups) {
        for (std::int32_t i = 0; i < group.columnCount; ++i, ++nNext) {
            group.subNames.emplace_back(nNext < row.cells.size() ? row.cells[nNext]
                                                                 : std::string_view());
            if (group.columnCount == 1) m_columnNames.push_back(group.groupName);
            else m_columnNames.push_back(group.groupName + " " + group.subNames.back());
        }
    }
    return true;
}

namespace {
bool IsLineBreak(char c) { return c == '\n' || c == '\r'; }

// The quote that closes a quoted cell whose text starts at p: the first quote not doubled.
// Null when there is none before the end, so the cell is not read as quoted at all.
const char* FindClosingQuote(const char* p, const char* pEnd) {
    while (p < pEnd) {
        const auto* pQuote =
            static_cast<const char*>(std::memchr(p, '"', static_cast<size_t>(pEnd - p)));
        if (!pQuote) return nullptr;
        if (pQuote + 1 < pEnd && pQuote[1] == '"') {
            p = pQuote + 2;
            continue;
        }
        return pQuote;
    }
    return nullptr;
}

// Appends a quoted cell's text from p to pClose: "" as one quote, each line break (LF, CRLF or
// a lone CR) as one space.
void AppendUnquoted(std::string& strOut, const char* p, const char* pClose) {
    while (p < pClose) {
        const char c = *p++;
        if (c == '"') {
            ++p;  // the second of a doubled quote
            strOut += '"';
        } else if (IsLineBreak(c)) {
            if (c == '\r' && p < pClose && *p == '\n') ++p;
            strOut += ' ';
        } else {
            strOut += c;
        }
    }
}
}  // namespace

bool CTableConverter::GetNextRow(STableRow& row) {
    const char* const pStart = m_pCursor;
    std::string_view strLine;
    if (!GetNextLine(strLine)) return false;
    row.quoted.clear();
    row.nLines = 1;
    // Most rows hold no quote at all and are cut at their tabs as they always were.
    if (!std::memchr(strLine.data(), '"', strLine.size())) {
        SplitCells(strLine, '\t', row.cells);
        return true;
    }

    // Cut cell by cell from the row's start; a quoted cell may run on over further lines.
    const char* p = pStart;
    const char* const pEnd = m_pTextEnd;
    row.cells.clear();
    row.strText.clear();
    struct SSpan {
        size_t nCell, nOffset, nSize;
    };
    std::vector<SSpan> spans;
    for (;;) {
        const char* pCell = p;
        const char* pQuote = p;
        while (pQuote < pEnd && *pQuote == ' ') ++pQuote;
        const char* pClose =
            pQuote < pEnd && *pQuote == '"' ? FindClosingQuote(pQuote + 1, pEnd) : nullptr;
        if (pClose) {
            const size_t nOffset = row.strText.size();
            AppendUnquoted(row.strText, pQuote + 1, pClose);
            // Anything typed after the closing quote stays with the cell, as spreadsheets read it.
            const char* pTail = pClose + 1;
            p = pTail;
            while (p < pEnd && *p != '\t' && *p != '\n') ++p;
            row.strText.append(pTail, static_cast<size_t>(p - pTail));
            spans.push_back({row.cells.size(), nOffset, row.strText.size() - nOffset});
            row.quoted.resize(row.cells.size() + 1, false);
            row.quoted.back() = true;
            row.cells.emplace_back();
        } else {
            while (p < pEnd && *p != '\t' && *p != '\n') ++p;
            row.cells.push_back(TrimWhite(std::string_view(pCell, static_cast<size_t>(p - pCell))));
        }
        if (p < pEnd && *p == '\t') {
            ++p;
            continue;
        }
        if (p < pEnd) ++p;  // the line feed that ends the row
        break;
    }
    for (const SSpan& span : spans)
        row.cells[span.nCell] = TrimWhite(std::string_view(row.strText).substr(span.nOffset, span.nSize));
    row.quoted.resize(row.cells.size(), false);
    m_pCursor = p;
    const auto nFeeds = static_cast<std::uint32_t>(std::count(pStart, p, '\n'));
    row.nLines = nFeeds + (p > pStart && p[-1] != '\n' ? 1 : 0);
    return true;
}

const char* WrongSeparatorOf(std::string_view strGroupLine) {
    if (strGroupLine.find('\t') != std::string_view::npos) return nullptr;
    if (strGroupLine.find(',') != std::string_view::npos) return "comma";
    if (strGroupLine.find(';') != std::string_view::npos) return "semicolon";
    return nullptr;
}

std::vector<std::string> LookalikesOf(const char* pszPath) {
    namespace fs = std::filesystem;
    constexpr size_t MAX_NAMED = 5;
    const auto fold = [](std::string str) {
        for (char& c : str) c = LowerAscii(c);
        return str;
    };
    const fs::path path(pszPath);
    const std::string strName = fold(path.filename().string());
    const std::string strStem = fold(path.stem().string());
    std::vector<std::string> found;
    std::error_code error;
    const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const std::string strOther = it->path().filename().string();
        const std::string strFolded = fold(strOther);
        const std::string strOtherStem = fold(it->path().stem().string());
        const bool bOtherCase = strFolded == strName && strOther != path.filename().string();
        const bool bOtherExtension = strOtherStem == strStem && strFolded != strName;
        // "Items-Weapons.txt", "Copy of Weapons.csv": the table's name after a separator.
        const bool bSuffix = strOtherStem.size() > strStem.size() &&
                             strOtherStem.ends_with(strStem) &&
                             !IsAsciiAlnum(strOtherStem[strOtherStem.size() - strStem.size() - 1]);
        if (bOtherCase || bOtherExtension || bSuffix) found.push_back(strOther);
    }
    std::sort(found.begin(), found.end());
    if (found.size() > MAX_NAMED) found.resize(MAX_NAMED);
    return found;
}
