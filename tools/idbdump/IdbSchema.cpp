#include "tools/idbdump/IdbSchema.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <iterator>

#include "output/ChunkArchive.h"
#include "platform/ByteOrder.h"

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
    return style == EValueStyle::Json ? JsonString(strText) : PlainText(strText);
}

// The zone names of a TextList payload: each child chunk with id 1 that fits in the payload.
std::string TextListValue(std::string_view strPayload, EValueStyle style) {
    std::string strOut = style == EValueStyle::Json ? "[" : "";
    std::size_t nAt = 0;
    bool bFirst = true;
    const auto* pBytes = reinterpret_cast<const std::uint8_t*>(strPayload.data());
    const auto nSize = static_cast<std::uint32_t>(strPayload.size());  // checked to fit
    SChunkHeader header;
    while (DecodeChunkHeader(pBytes + nAt, nSize - static_cast<std::uint32_t>(nAt), header)) {
        const std::size_t nHeader = header.nSize, nLength = header.nLength;
        if (nLength > strPayload.size() - nAt - nHeader) break;
        if (header.nId == 1) {
            if (!bFirst) strOut += style == EValueStyle::Json ? ", " : ",";
            strOut += TextValue(TextOfPayload(strPayload.substr(nAt + nHeader, nLength)), style);
            bFirst = false;
        }
        nAt += nHeader + nLength;
    }
    return style == EValueStyle::Json ? strOut + "]" : strOut;
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

std::string JsonString(std::string_view strText) {
    static const char DIGITS[] = "0123456789abcdef";
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
                if (c >= 0x20 && c < 0x7F) {
                    strOut += ch;
                } else {
                    strOut += "\\u00";
                    strOut += DIGITS[c >> 4];
                    strOut += DIGITS[c & 15];
                }
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
