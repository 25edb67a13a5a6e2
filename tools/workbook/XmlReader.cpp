#include "tools/workbook/XmlReader.h"

#include "tableconv/Utf8.h"

namespace {
bool IsSpace(char ch) { return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n'; }
bool EndsName(char ch) { return IsSpace(ch) || ch == '/' || ch == '>' || ch == '='; }

// The code of "#65" or "#x41"; 0 when it is none or no character XML allows.
std::uint32_t CharacterReference(std::string_view strRef) {
    if (strRef.size() < 2 || strRef[0] != '#') return 0;
    const bool bHex = strRef[1] == 'x';
    const std::string_view strDigits = strRef.substr(bHex ? 2 : 1);
    if (strDigits.empty() || strDigits.size() > 8) return 0;
    std::uint32_t nCode = 0;
    for (const char ch : strDigits) {
        std::uint32_t nDigit;
        if (ch >= '0' && ch <= '9') nDigit = static_cast<std::uint32_t>(ch - '0');
        else if (bHex && ch >= 'a' && ch <= 'f') nDigit = static_cast<std::uint32_t>(ch - 'a' + 10);
        else if (bHex && ch >= 'A' && ch <= 'F') nDigit = static_cast<std::uint32_t>(ch - 'A' + 10);
        else return 0;
        nCode = nCode * (bHex ? 16 : 10) + nDigit;
    }
    const bool bAllowed = nCode == 0x9 || nCode == 0xA || nCode == 0xD ||
                          (nCode >= 0x20 && nCode <= 0xD7FF) ||
                          (nCode >= 0xE000 && nCode <= 0xFFFD) ||
                          (nCode >= 0x10000 && nCode <= 0x10FFFF);
    return bAllowed ? nCode : 0;
}

// Appends the decoded text to strOut; false, with what is wrong in strWhy, on an unknown or
// bad reference.
bool Decode(std::string_view strRaw, std::string& strOut, std::string& strWhy) {
    size_t nFrom = 0;
    while (true) {
        const size_t nAmp = strRaw.find('&', nFrom);
        strOut.append(strRaw.substr(nFrom, nAmp - nFrom));
        if (nAmp == std::string_view::npos) return true;
        const size_t nSemicolon = strRaw.find(';', nAmp);
        if (nSemicolon == std::string_view::npos || nSemicolon - nAmp > 12) {
            strWhy = "an & that starts no reference";
            return false;
        }
        const std::string_view strRef = strRaw.substr(nAmp + 1, nSemicolon - nAmp - 1);
        if (strRef == "amp") strOut += '&';
        else if (strRef == "lt") strOut += '<';
        else if (strRef == "gt") strOut += '>';
        else if (strRef == "quot") strOut += '"';
        else if (strRef == "apos") strOut += '\'';
        else if (const std::uint32_t nCode = CharacterReference(strRef)) AppendUtf8(strOut, nCode);
        else {
            strWhy = "an unknown reference &" + std::string(strRef) + ";";
            return false;
        }
        nFrom = nSemicolon + 1;
    }
}
}  // namespace

std::string_view LocalName(std::string_view strName) {
    const size_t nColon = strName.rfind(':');
    return nColon == std::string_view::npos ? strName : strName.substr(nColon + 1);
}

CXmlReader::CXmlReader(std::string_view strXml) : m_strXml(strXml) {
    if (m_strXml.substr(0, 3) == "\xEF\xBB\xBF") m_nAt = 3;
}

CXmlReader::EToken CXmlReader::Fail(const std::string& strWhy) {
    if (m_last != EToken::Error) m_strError = strWhy + " at byte " + std::to_string(m_nAt);
    m_last = EToken::Error;
    return m_last;
}

bool CXmlReader::Attribute(std::string_view strLocalName, std::string& strValue) const {
    const bool bQualified = strLocalName.find(':') != std::string_view::npos;
    for (const auto& [strName, strRaw] : m_attributes) {
        if ((bQualified ? strName : LocalName(strName)) != strLocalName) continue;
        strValue.clear();
        // The tag's reading checked every reference, so this cannot fail.
        std::string strWhy;
        return Decode(strRaw, strValue, strWhy);
    }
    return false;
}

CXmlReader::EToken CXmlReader::Next() {
    if (m_last == EToken::Done || m_last == EToken::Error) return m_last;
    if (m_bPendingEnd) {
        m_bPendingEnd = false;
        m_open.pop_back();
        return m_last = EToken::End;
    }
    while (m_nAt < m_strXml.size()) {
        if (m_strXml[m_nAt] != '<') {
            const size_t nLess = m_strXml.find('<', m_nAt);
            const std::string_view strRaw = m_strXml.substr(m_nAt, nLess - m_nAt);
            m_nAt = nLess == std::string_view::npos ? m_strXml.size() : nLess;
            m_strText.clear();
            std::string strWhy;
            if (!Decode(strRaw, m_strText, strWhy)) return Fail(strWhy);
            return m_last = EToken::Text;
        }
        const std::string_view strRest = m_strXml.substr(m_nAt);
        if (strRest.starts_with("<?") || strRest.starts_with("<!--")) {
            const bool bComment = strRest[1] == '!';
            const size_t nClose = strRest.find(bComment ? "-->" : "?>");
            if (nClose == std::string_view::npos)
                return Fail(bComment ? "a comment without its end" : "an instruction without its end");
            m_nAt += nClose + (bComment ? 3 : 2);
            continue;
        }
        if (strRest.starts_with("<![CDATA[")) {
            const size_t nClose = strRest.find("]]>");
            if (nClose == std::string_view::npos) return Fail("a CDATA section without its end");
            m_strText.assign(strRest.substr(9, nClose - 9));
            m_nAt += nClose + 3;
            return m_last = EToken::Text;
        }
        if (strRest.starts_with("<!"))
            return Fail("a document type declaration, which no workbook part needs");
        return ReadTag();
    }
    if (!m_open.empty()) return Fail("the end of the text inside <" + std::string(m_open.back()) + ">");
    return m_last = EToken::Done;
}

CXmlReader::EToken CXmlReader::ReadTag() {
    const std::string_view xml = m_strXml;
    size_t nAt = m_nAt + 1;
    const bool bEndTag = nAt < xml.size() && xml[nAt] == '/';
    if (bEndTag) ++nAt;
    const size_t nNameStart = nAt;
    while (nAt < xml.size() && !EndsName(xml[nAt]) && xml[nAt] != '<') ++nAt;
    const std::string_view strName = xml.substr(nNameStart, nAt - nNameStart);
    if (strName.empty()) return Fail("a tag without a name");
    if (bEndTag) {
        while (nAt < xml.size() && IsSpace(xml[nAt])) ++nAt;
        if (nAt >= xml.size() || xml[nAt] != '>') return Fail("an end tag without its >");
        if (m_open.empty() || m_open.back() != strName)
            return Fail("</" + std::string(strName) + "> where no such element is open");
        m_open.pop_back();
        m_nAt = nAt + 1;
        m_strName = LocalName(strName);
        return m_last = EToken::End;
    }
    m_attributes.clear();
    bool bEmpty = false;
    while (true) {
        while (nAt < xml.size() && IsSpace(xml[nAt])) ++nAt;
        if (nAt >= xml.size()) return Fail("a tag without its >");
        if (xml[nAt] == '>') break;
        if (xml[nAt] == '/') {
            if (nAt + 1 >= xml.size() || xml[nAt + 1] != '>') return Fail("a / inside a tag");
            bEmpty = true;
            ++nAt;
            break;
        }
        const size_t nAttributeStart = nAt;
        while (nAt < xml.size() && !EndsName(xml[nAt]) && xml[nAt] != '<') ++nAt;
        const std::string_view strAttribute = xml.substr(nAttributeStart, nAt - nAttributeStart);
        while (nAt < xml.size() && IsSpace(xml[nAt])) ++nAt;
        if (strAttribute.empty() || nAt >= xml.size() || xml[nAt] != '=')
            return Fail("an attribute without a value");
        ++nAt;
        while (nAt < xml.size() && IsSpace(xml[nAt])) ++nAt;
        if (nAt >= xml.size() || (xml[nAt] != '"' && xml[nAt] != '\''))
            return Fail("an attribute value without quotes");
        const char chQuote = xml[nAt++];
        const size_t nClose = xml.find(chQuote, nAt);
        if (nClose == std::string_view::npos) return Fail("an attribute value without its end");
        const std::string_view strRaw = xml.substr(nAt, nClose - nAt);
        if (strRaw.find('<') != std::string_view::npos) return Fail("a < inside an attribute value");
        // Checked here, so that a bad reference is an error of the tag, not of a later look.
        if (strRaw.find('&') != std::string_view::npos) {
            std::string strDecoded, strWhy;
            if (!Decode(strRaw, strDecoded, strWhy)) return Fail(strWhy);
        }
        m_attributes.emplace_back(strAttribute, strRaw);
        nAt = nClose + 1;
    }
    m_nAt = nAt + 1;
    m_strName = LocalName(strName);
    // An empty element is open until its End, so that Depth() counts alike for both forms.
    if (m_open.size() >= MAX_DEPTH)
        return Fail("elements nested deeper than " + std::to_string(MAX_DEPTH));
    m_open.push_back(strName);
    m_bPendingEnd = bEmpty;
    return m_last = EToken::Start;
}
