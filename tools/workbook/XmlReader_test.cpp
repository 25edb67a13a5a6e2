#include "tools/workbook/XmlReader.h"

#include <gtest/gtest.h>

namespace {
using EToken = CXmlReader::EToken;

// The tokens as a line of text: <a> </a> "text", and !why for an error.
std::string Tokens(std::string_view strXml) {
    CXmlReader xml(strXml);
    std::string strOut;
    for (int i = 0; i < 1000; ++i) {
        switch (xml.Next()) {
            case EToken::Start: strOut += "<" + std::string(xml.Name()) + ">"; break;
            case EToken::End: strOut += "</" + std::string(xml.Name()) + ">"; break;
            case EToken::Text: strOut += "\"" + xml.Text() + "\""; break;
            case EToken::Done: return strOut;
            case EToken::Error: return strOut + "!" + xml.Error();
        }
    }
    return strOut + "!endless";
}
}  // namespace

TEST(XmlReader, ReadsElementsTextAndEmptyElements) {
    EXPECT_EQ("\"\n\"<a><b></b>\"x &<>\"' é\"</a>",
              Tokens("<?xml version=\"1.0\"?>\n<!-- c --><x:a><b/>x &amp;&lt;&gt;&quot;&apos; &#xE9;</x:a>"));
    EXPECT_EQ("<t>\"1<2\"</t>", Tokens("<t><![CDATA[1<2]]></t>"));
}

TEST(XmlReader, AttributesByLocalOrFullName) {
    CXmlReader xml("<c r=\"A1\" office:value-type=\"float\" calcext:value-type='error' v=\"a&amp;b\"/>");
    ASSERT_EQ(EToken::Start, xml.Next());
    std::string strValue;
    EXPECT_TRUE(xml.Attribute("r", strValue));
    EXPECT_EQ("A1", strValue);
    EXPECT_TRUE(xml.Attribute("calcext:value-type", strValue));
    EXPECT_EQ("error", strValue);
    EXPECT_TRUE(xml.Attribute("value-type", strValue));
    EXPECT_EQ("float", strValue);
    EXPECT_TRUE(xml.Attribute("v", strValue));
    EXPECT_EQ("a&b", strValue);
    EXPECT_FALSE(xml.Attribute("s", strValue));
    EXPECT_EQ(1u, xml.Depth());
    EXPECT_EQ(EToken::End, xml.Next());
    EXPECT_EQ(0u, xml.Depth());
    EXPECT_EQ(EToken::Done, xml.Next());
}

TEST(XmlReader, RefusesWhatNoWorkbookNeedsAndBrokenXml) {
    const std::pair<const char*, const char*> cases[] = {
        {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "document type"},
        {"<a>&e;</a>", "unknown reference &e;"},
        {"<a>&#0;</a>", "unknown reference"},
        {"<a>&#xD800;</a>", "unknown reference"},
        {"<a>& b</a>", "starts no reference"},
        {"<a><b></a>", "</a> where no such element"},
        {"<a>", "end of the text inside <a>"},
        {"<a x=1/>", "without quotes"},
        {"<a x=\"1/>", "without its end"},
        {"<a x=\"<\"/>", "< inside an attribute"},
        {"<a x=\"&bad;\"/>", "unknown reference"},
        {"<!-- open", "comment without its end"},
        {"<a", "without its >"},
        {"</a>", "no such element"},
        {"<>", "without a name"},
    };
    for (const auto& [pszXml, pszWhy] : cases) {
        const std::string strTokens = Tokens(pszXml);
        EXPECT_NE(std::string::npos, strTokens.find(std::string("!"))) << pszXml;
        EXPECT_NE(std::string::npos, strTokens.find(pszWhy)) << pszXml << " gave " << strTokens;
    }
}

TEST(XmlReader, DeepNestingIsRefusedWithoutRecursion) {
    std::string strXml;
    for (size_t i = 0; i < 100000; ++i) strXml += "<a>";
    const std::string strTokens = Tokens(strXml);
    EXPECT_NE(std::string::npos, strTokens.find("nested deeper than 256")) << strTokens.substr(strTokens.size() - 80);
    std::string strFine;
    for (size_t i = 0; i < CXmlReader::MAX_DEPTH; ++i) strFine += "<a>";
    for (size_t i = 0; i < CXmlReader::MAX_DEPTH; ++i) strFine += "</a>";
    EXPECT_EQ(std::string::npos, Tokens(strFine).find('!'));
}
