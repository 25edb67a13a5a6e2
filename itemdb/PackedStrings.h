// A list of strings kept in one block: records hold some lists for the whole run without ever
// storing them, and a vector of strings costs an allocation per element.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CPackedStrings {
public:
    CPackedStrings() = default;
    CPackedStrings(const std::vector<std::string>& list) { Assign(list); }

    void Assign(const std::vector<std::string>& list);
    std::size_t size() const { return m_nCount; }
    bool empty() const { return m_nCount == 0; }
    std::vector<std::string> ToVector() const;

    bool operator==(const CPackedStrings& other) const = default;
    bool operator==(const std::vector<std::string>& list) const { return ToVector() == list; }

private:
    // Each element as its length (7 bits a byte, low bits first, high bit: more follow), then
    // its bytes.
    std::string m_strData;
    std::uint32_t m_nCount = 0;
};
