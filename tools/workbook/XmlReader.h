// A pull reader of the XML that workbooks are made of: element starts and ends, attributes and
// text, with the five named entities and character references decoded. It refuses what no
// workbook part needs and what makes XML dangerous to read: a document type declaration (and so
// any entity it could define), and nesting deeper than MAX_DEPTH. It never recurses, and never
// reads past the text it was given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class CXmlReader {
public:
    enum class EToken : std::uint8_t { Start, End, Text, Done, Error };
    static constexpr std::size_t MAX_DEPTH = 256;

    explicit CXmlReader(std::string_view strXml);

    // The next token. An empty element (<a/>) gives Start then End. After Done or Error, the
    // same token again.
    EToken Next();
    // Start and End: the element's name without its namespace prefix ("row" for "x:row").
    std::string_view Name() const { return m_strName; }
    // Start: the decoded value of the attribute of that name, prefix aside ("id" finds "r:id"),
    // or of that full name when it holds a colon ("office:value-type"); false when absent.
    bool Attribute(std::string_view strLocalName, std::string& strValue) const;
    // Text: the decoded characters between tags, CDATA sections included.
    const std::string& Text() const { return m_strText; }
    // Error: what is wrong, and at which byte.
    const std::string& Error() const { return m_strError; }
    // The elements open: at a Start, the element itself counts; at its End, no longer.
    std::size_t Depth() const { return m_open.size(); }

private:
    EToken Fail(const std::string& strWhy);
    EToken ReadTag();

    std::string_view m_strXml;
    std::size_t m_nAt = 0;
    EToken m_last = EToken::Text;
    bool m_bPendingEnd = false;  // an empty element's End is still to come
    std::string_view m_strName;
    std::vector<std::pair<std::string_view, std::string_view>> m_attributes;  // name, raw value
    std::vector<std::string_view> m_open;  // the open elements' full names
    std::string m_strText;
    std::string m_strError;
};

// The name without its namespace prefix.
std::string_view LocalName(std::string_view strName);
