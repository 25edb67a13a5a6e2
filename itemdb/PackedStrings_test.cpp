#include "marrow/Records.h"

#include <gtest/gtest.h>

using marrow::CPackedStrings;

TEST(PackedStrings, KeepsEveryElementWhateverItsLengthOrBytes) {
    const std::vector<std::vector<std::string>> CASES = {
        {},
        {""},
        {"", "", ""},
        {"Castle", "Harbor", "Old Mine"},
        {std::string(127, 'a'), std::string(128, 'b'), std::string(16383, 'c'),
         std::string(16384, 'd'), std::string(70000, 'e')},
        {std::string("\x80\xFF\x00z", 4), "\x7F"},
    };
    for (const auto& list : CASES) {
        const CPackedStrings packed(list);
        EXPECT_EQ(list.size(), packed.size());
        EXPECT_EQ(list.empty(), packed.empty());
        EXPECT_EQ(list, packed.ToVector());
        EXPECT_TRUE(packed == list);
    }
}

TEST(PackedStrings, AssignReplacesTheWholeList) {
    CPackedStrings packed({"a", "b", "c"});
    packed.Assign({"only"});
    EXPECT_EQ(std::vector<std::string>{"only"}, packed.ToVector());
    EXPECT_FALSE(packed == (std::vector<std::string>{"only", "b"}));
    packed.Assign({});
    EXPECT_TRUE(packed.empty());
}
