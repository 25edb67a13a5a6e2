// CMappedFile: which failures reach the person and which stay silent, and the mapped bytes.
#include "tableconv/MappedFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/TestUtil.h"

namespace {

TEST(MappedFile, MissingFileFailsWithoutReport) {
    testutil::CTempDir dir;
    testutil::CReportCatcher catcher;
    CMappedFile file;
    EXPECT_FALSE(file.Open((dir / "missing.reg").c_str()));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(nullptr, file.GetData());
    EXPECT_EQ(0u, file.GetSize());
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST(MappedFile, EmptyFileFailsWithOneMappingReport) {
    testutil::CTempDir dir;
    testutil::WriteFile(dir.Path() / "empty.reg", "");
    testutil::CReportCatcher catcher;
    CMappedFile file;
    EXPECT_FALSE(file.Open((dir / "empty.reg").c_str()));
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(0u, file.GetSize());
    EXPECT_EQ(std::vector<std::string>{"CMappedFile::Open().\nUnable to create file mapping.\n"},
              catcher.Reports());
}

TEST(MappedFile, SmallFileIsMappedWithItsSize) {
    testutil::CTempDir dir;
    const std::string strBytes("ab\0\xFF\n", 5);
    testutil::WriteFile(dir.Path() / "small.reg", strBytes);
    testutil::CReportCatcher catcher;
    CMappedFile file;
    ASSERT_TRUE(file.Open((dir / "small.reg").c_str()));
    EXPECT_TRUE(file.IsOpen());
    ASSERT_EQ(5u, file.GetSize());
    EXPECT_EQ(strBytes, std::string(reinterpret_cast<const char*>(file.GetData()), 5));
    EXPECT_TRUE(catcher.Reports().empty());
}

TEST(MappedFile, CloseTwiceIsHarmlessAndAllowsReopening) {
    testutil::CTempDir dir;
    testutil::WriteFile(dir.Path() / "small.reg", "xyz");
    CMappedFile file;
    file.Close();  // never opened
    ASSERT_TRUE(file.Open((dir / "small.reg").c_str()));
    file.Close();
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(nullptr, file.GetData());
    EXPECT_EQ(0u, file.GetSize());
    ASSERT_TRUE(file.Open((dir / "small.reg").c_str()));
    EXPECT_EQ(3u, file.GetSize());
}

}  // namespace
