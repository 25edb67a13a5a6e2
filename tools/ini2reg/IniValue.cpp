// ClassifyValue: how the converter types an INI value by its text.
#include <charconv>
#include <cmath>

#include "tableconv/FileRegistry.h"
#include "tools/ini2reg/IniConverter.h"

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Optional sign and decimal digits only.
bool ParseInt32(std::string_view str, std::int32_t& nValue) {
    size_t i = (!str.empty() && (str[0] == '+' || str[0] == '-')) ? 1 : 0;
    if (i == str.size()) return false;
    std::int64_t nMagnitude = 0;
    for (size_t j = i; j < str.size(); ++j) {
        if (!IsDigit(str[j])) return false;
        nMagnitude = nMagnitude * 10 + (str[j] - '0');
        if (nMagnitude > std::int64_t{INT32_MAX} + 1) return false;
    }
    const std::int64_t nSigned = str[0] == '-' ? -nMagnitude : nMagnitude;
    if (nSigned > INT32_MAX) return false;
    nValue = static_cast<std::int32_t>(nSigned);
    return true;
}

// sign? (digits ('.' digits?)? | '.' digits) ([eE] sign? digits)?, finite in single precision,
// rounded once from the text.
bool ParseDecimalFloat(std::string_view str, float& fValue) {
    size_t i = 0;
    const bool bNegative = !str.empty() && str[0] == '-';
    if (!str.empty() && (str[0] == '+' || str[0] == '-')) ++i;
    const size_t nMantissa = i;
    size_t nIntDigits = 0, nFracDigits = 0;
    while (i < str.size() && IsDigit(str[i])) ++i, ++nIntDigits;
    if (i < str.size() && str[i] == '.')
        for (++i; i < str.size() && IsDigit(str[i]); ++i) ++nFracDigits;
    if (nIntDigits + nFracDigits == 0) return false;
    std::int64_t nExponent = 0;
    bool bNegativeExponent = false;
    if (i < str.size() && (str[i] == 'e' || str[i] == 'E')) {
        ++i;
        if (i < str.size() && (str[i] == '+' || str[i] == '-')) bNegativeExponent = str[i++] == '-';
        if (i == str.size() || !IsDigit(str[i])) return false;
        for (; i < str.size() && IsDigit(str[i]); ++i)
            if (nExponent < 100000) nExponent = nExponent * 10 + (str[i] - '0');
    }
    if (i != str.size()) return false;

    float f = 0.0f;
    const auto result = std::from_chars(str.data() + nMantissa, str.data() + str.size(), f);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range one way or the other: find the decimal magnitude of the first non-zero
        // digit. Above the range is no number; below it the nearest single is zero.
        std::int64_t nMagnitude = -1;
        for (size_t j = nMantissa, nPosition = 0; j < str.size() && str[j] != 'e' && str[j] != 'E';
             ++j) {
            if (str[j] == '.') continue;
            if (str[j] != '0') {
                nMagnitude = static_cast<std::int64_t>(nIntDigits) - static_cast<std::int64_t>(nPosition);
                break;
            }
            ++nPosition;
        }
        nMagnitude += bNegativeExponent ? -nExponent : nExponent;
        if (nMagnitude > 0) return false;
        f = 0.0f;
    } else if (result.ec != std::errc() || result.ptr != str.data() + str.size() || !std::isfinite(f)) {
        return false;
    }
    fValue = bNegative ? -f : f;
    return true;
}

}  // namespace

SIniValue ClassifyValue(std::string_view strValue) {
    SIniValue value;
    value.strText = strValue;
    if (strValue.size() >= 2 && strValue.front() == '"' && strValue.back() == '"') {
        value.nType = RTYPE_STRING;
        value.strText = strValue.substr(1, strValue.size() - 2);
        for (size_t n = value.strText.find("\"\""); n != std::string_view::npos;
             n = value.strText.find("\"\"", n + 2))
            ++value.nDoubledQuotes;
    } else if (ParseInt32(strValue, value.nInt)) {
        value.nType = RTYPE_INT;
    } else if (ParseDecimalFloat(strValue, value.fFloat)) {
        value.nType = RTYPE_FLOAT;
    } else if (strValue.find(',') != std::string_view::npos) {
        value.nType = RTYPE_LIST | RTYPE_STRING;
    } else {
        value.nType = RTYPE_STRING;
    }
    return value;
}


std::string StoredString(const SIniValue& value) {
    std::string strStored;
    strStored.reserve(value.strText.size() - value.nDoubledQuotes);
    for (size_t i = 0; i < value.strText.size(); ++i) {
        strStored += value.strText[i];
        if (value.nDoubledQuotes && value.strText[i] == '"' && i + 1 < value.strText.size() &&
            value.strText[i + 1] == '"')
            ++i;
    }
    return strStored;
}
