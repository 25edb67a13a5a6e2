#include "tools/idbdump/IdbSchema.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <iterator>

#include "output/ByteOrder.h"
#include "output/ChunkArchive.h"
#include "tableconv/Utf8.h"

namespace {
using T = EFieldType;

std::uint32_t U32At(std::string_view strBytes, std::size_t nAt) {
    return ReadU32(strBytes.data() + nAt);
}

std::string FloatValue(float fValue, EValueStyle style) {
    const std::string strText = FloatText(fValue);
    // JSON has no literal for NaN or the infinities: they travel as strings.
    return std::isfinite(fValue) || style == EValueStyle::Text ? strText : JsonString(strText);
}

std::string FloatAt(std::string_view strPayload, std::size_t nAt, EValueStyle style) {
    return FloatValue(std::bit_cast<float>(U32At(strPayload, nAt)), style);
}

std::string FloatsAt(std::string_view strPayload, std::size_t nAt, std::size_t nCount,
                     EValueStyle style) {
    std::string strOut = "[";
    for (std::size_t i = 0; i < nCount; ++i) {
        if (i) strOut += ", ";
        strOut += FloatAt(strPayload, nAt + 4 * i, style);
    }
    return strOut + "]";
}

std::string TextValue(std::string_view strText, EValueStyle style) {
    if (style == EValueStyle::Text) return PlainText(strText);
    return JsonString(strText, style == EValueStyle::JsonRaw);
}

// The zone names of a TextList payload: each child chunk with id 1 that fits in the payload.
std::string TextListValue(std::string_view strPayload, EValueStyle style) {
    const bool bJson = style != EValueStyle::Text;
    std::string strOut = bJson ? "[" : "";
    std::size_t nAt = 0;
    bool bFirst = true;
    const auto* pBytes = reinterpret_cast<const std::uint8_t*>(strPayload.data());
    const auto nSize = static_cast<std::uint32_t>(strPayload.size());  // checked to fit
    SChunkHeader header;
    while (DecodeChunkHeader(pBytes + nAt, nSize - static_cast<std::uint32_t>(nAt), header)) {
        const std::size_t nHeader = header.nSize, nLength = header.nLength;
        if (nLength > strPayload.size() - nAt - nHeader) break;
        if (header.nId == 1) {
            if (!bFirst) strOut += bJson ? ", " : ",";
            strOut += TextValue(TextOfPayload(strPayload.substr(nAt + nHeader, nLength)), style);
            bFirst = false;
        }
        nAt += nHeader + nLength;
    }
    return bJson ? strOut + "]" : strOut;
}
}  // namespace

std::string FormatField(const SFieldLayout& field, std::string_view strPayload, EValueStyle style) {
    // A missing or short data chunk reads as zero bytes where it has none, as the loader reads it.
    std::string strPadded;
    if (strPayload.size() < FixedSizeOf(field)) {
        strPadded.assign(strPayload);
        strPadded.resize(FixedSizeOf(field), '\0');
        strPayload = strPadded;
    }
    switch (field.type) {
        case T::Text: return TextValue(TextOfPayload(strPayload), style);
        case T::Int: return std::to_string(static_cast<std::int32_t>(U32At(strPayload, 0)));
        case T::Mask: return std::to_string(U32At(strPayload, 0));
        case T::Float: return FloatAt(strPayload, 0, style);
        case T::Bool: return strPayload[0] != 0 ? "true" : "false";
        case T::Bytes: {
            std::string strOut = "[";
            for (std::size_t i = 0; i < field.nCount; ++i) {
                if (i) strOut += ", ";
                strOut += std::to_string(static_cast<unsigned char>(strPayload[i]));
            }
            return strOut + "]";
        }
        case T::Floats: return FloatsAt(strPayload, 0, field.nCount, style);
        case T::Protection:
            return "{\"Absorption\": " + FloatAt(strPayload, 0, style) +
                   ", \"Damage\": " + FloatsAt(strPayload, 4, 7, style) +
                   ", \"CrippledMask\": " + std::to_string(U32At(strPayload, 32)) + "}";
        case T::TextList: return TextListValue(strPayload, style);
    }
    return {};
}

namespace {
// What Windows-1252 puts at 0x80 to 0x9F; the five bytes it leaves free stay C1 controls, as
// Windows itself decodes them.
constexpr char16_t CP1252_HIGH[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The length of the well-formed UTF-8 sequence at nAt (overlong forms, surrogates and code
// points past U+10FFFF are not), or 0.
std::size_t Utf8SequenceAt(std::string_view strText, std::size_t nAt) {
    const auto b = [&](std::size_t i) { return static_cast<unsigned char>(strText[nAt + i]); };
    const std::size_t nLeft = strText.size() - nAt;
    const unsigned c = b(0);
    if (c < 0x80) return 1;
    std::size_t nLength = 0;
    if (c >= 0xC2 && c <= 0xDF) nLength = 2;
    else if (c >= 0xE0 && c <= 0xEF) nLength = 3;
    else if (c >= 0xF0 && c <= 0xF4) nLength = 4;
    if (nLength == 0 || nLeft < nLength) return 0;
    for (std::size_t i = 1; i < nLength; ++i)
        if ((b(i) & 0xC0) != 0x80) return 0;
    if (c == 0xE0 && b(1) < 0xA0) return 0;  // overlong
    if (c == 0xED && b(1) > 0x9F) return 0;  // a surrogate
    if (c == 0xF0 && b(1) < 0x90) return 0;  // overlong
    if (c == 0xF4 && b(1) > 0x8F) return 0;  // beyond U+10FFFF
    return nLength;
}

bool IsUtf8(std::string_view strText) {
    for (std::size_t nAt = 0; nAt < strText.size();) {
        const std::size_t nLength = Utf8SequenceAt(strText, nAt);
        if (nLength == 0) return false;
        nAt += nLength;
    }
    return true;
}

void AppendEscape(std::string& strOut, unsigned char c) {
    static const char DIGITS[] = "0123456789abcdef";
    strOut += "\\u00";
    strOut += DIGITS[c >> 4];
    strOut += DIGITS[c & 15];
}
}  // namespace

std::string JsonString(std::string_view strText, bool bRaw) {
    const bool bUtf8 = !bRaw && IsUtf8(strText);
    std::string strOut = "\"";
    for (char ch : strText) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': strOut += "\\\""; break;
            case '\\': strOut += "\\\\"; break;
            case '\b': strOut += "\\b"; break;
            case '\f': strOut += "\\f"; break;
            case '\n': strOut += "\\n"; break;
            case '\r': strOut += "\\r"; break;
            case '\t': strOut += "\\t"; break;
            default:
                if (c >= 0x20 && c < 0x7F) strOut += ch;
                else if (c < 0x80 || bRaw) AppendEscape(strOut, c);
                else if (bUtf8) strOut += ch;
                else if (c < 0xA0) AppendUtf8(strOut, CP1252_HIGH[c - 0x80]);
                else AppendUtf8(strOut, c);  // 0xA0 to 0xFF are Latin-1's own
        }
    }
    return strOut + "\"";
}

std::string PlainText(std::string_view strText) {
    static const char DIGITS[] = "0123456789ABCDEF";
    std::string strOut;
    for (char ch : strText) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            strOut += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            strOut += ch;
        } else {
            strOut += "\\x";
            strOut += DIGITS[c >> 4];
            strOut += DIGITS[c & 15];
        }
    }
    return strOut;
}

std::string FloatText(float fValue) {
    if (std::isnan(fValue)) return "nan";
    if (std::isinf(fValue)) return fValue < 0 ? "-inf" : "inf";
    char szText[32];
    const std::to_chars_result result = std::to_chars(szText, szText + sizeof szText, fValue);
    return std::string(szText, result.ptr);
}
