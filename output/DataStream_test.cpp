// The memory stream's growth and short reads.
#include "output/DataStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "testsupport/TestUtil.h"

namespace {

using testutil::Hex;
using testutil::Unhex;

// A memory stream holding the bytes, positioned at 0.
void Fill(CMemoryStream& stream, const std::string& strBytes) {
    stream.Write(strBytes.data(), static_cast<std::uint32_t>(strBytes.size()));
    stream.Seek(0);
}

std::string Content(CMemoryStream& stream) {
    return std::string(reinterpret_cast<const char*>(stream.GetData()), stream.GetSize());
}

TEST(MemoryStream, ReadAcrossTheEndDeliversTheRestAndZeroFills) {
    CMemoryStream stream;
    Fill(stream, Unhex("00 01 02 03 04 05 06 07 08 09"));
    stream.Seek(8);
    std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(2u, stream.Read(buffer, 4));
    EXPECT_EQ("08 09 00 00", Hex(std::string(reinterpret_cast<char*>(buffer), 4)));
    EXPECT_EQ(10u, stream.GetPosition());
    EXPECT_FALSE(stream.m_bOk);
}

TEST(MemoryStream, ReadFromBeyondTheEndDeliversNothingAndKeepsThePosition) {
    CMemoryStream stream;
    Fill(stream, Unhex("00 01 02 03 04 05 06 07 08 09"));
    stream.Seek(20);
    std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_EQ(0u, stream.Read(buffer, 4));
    EXPECT_EQ("00 00 00 00", Hex(std::string(reinterpret_cast<char*>(buffer), 4)));
    EXPECT_EQ(20u, stream.GetPosition());
    EXPECT_FALSE(stream.m_bOk);
}

TEST(MemoryStream, ReadThatEndsExactlyAtTheEndKeepsOk) {
    CMemoryStream stream;
    Fill(stream, Unhex("11 22 33"));
    std::uint8_t buffer[3] = {};
    EXPECT_EQ(3u, stream.Read(buffer, 3));
    EXPECT_EQ("11 22 33", Hex(std::string(reinterpret_cast<char*>(buffer), 3)));
    EXPECT_EQ(3u, stream.GetPosition());
    EXPECT_TRUE(stream.m_bOk);
}

TEST(MemoryStream, WriteGrowsCapacityToTwiceCapacityPlusCount) {
    CMemoryStream stream;
    stream.Write(std::string(10, 'a').data(), 10);
    EXPECT_EQ(20u, stream.GetCapacity());
    EXPECT_EQ(10u, stream.GetSize());
    stream.Write(std::string(15, 'b').data(), 15);
    EXPECT_EQ(70u, stream.GetCapacity());
    EXPECT_EQ(25u, stream.GetSize());
    EXPECT_EQ(25u, stream.GetPosition());
    EXPECT_EQ(std::string(10, 'a') + std::string(15, 'b'), Content(stream));
}

TEST(MemoryStream, WriteAfterSeekPastTheEndExtendsTheSize) {
    CMemoryStream stream;
    Fill(stream, Unhex("01 02"));
    stream.Seek(30);
    stream.Write(Unhex("AA BB").data(), 2);
    EXPECT_EQ(32u, stream.GetSize());
    EXPECT_EQ(32u, stream.GetPosition());
    EXPECT_EQ("01 02", Hex(Content(stream).substr(0, 2)));
    EXPECT_EQ("AA BB", Hex(Content(stream).substr(30)));
}

TEST(MemoryStream, SetSizeGrowsByHalfPlusSixteenAndKeepsContent) {
    CMemoryStream stream;
    stream.SetSize(100);
    EXPECT_EQ(166u, stream.GetCapacity());
    EXPECT_EQ(100u, stream.GetSize());
    EXPECT_EQ(0u, stream.GetPosition());
    for (std::uint32_t i = 0; i < 100; ++i) stream.GetData()[i] = static_cast<std::uint8_t>(i);
    stream.Seek(7);
    stream.SetSize(40);
    EXPECT_EQ(166u, stream.GetCapacity());
    EXPECT_EQ(40u, stream.GetSize());
    EXPECT_EQ(0u, stream.GetPosition());
    stream.SetSize(300);  // grows again: the 40 bytes of content come along
    EXPECT_EQ(466u, stream.GetCapacity());
    for (std::uint32_t i = 0; i < 40; ++i) EXPECT_EQ(i, stream.GetData()[i]) << i;
}

TEST(MemoryStream, AllocateKeepsALargeEnoughBlockAndOtherwiseTakesExactlyTheSize) {
    CMemoryStream stream;
    stream.SetSize(100);
    ASSERT_EQ(166u, stream.GetCapacity());
    const std::uint8_t* pBlock = stream.GetData();
    stream.Seek(5);
    stream.Allocate(50);
    EXPECT_EQ(pBlock, stream.GetData());
    EXPECT_EQ(166u, stream.GetCapacity());
    EXPECT_EQ(50u, stream.GetSize());
    EXPECT_EQ(0u, stream.GetPosition());
    stream.Allocate(200);
    EXPECT_EQ(200u, stream.GetCapacity());
    EXPECT_EQ(200u, stream.GetSize());
    EXPECT_EQ(0u, stream.GetPosition());
}

TEST(MemoryStream, ResetDropsTheContentAndSetsOk) {
    CMemoryStream stream;
    Fill(stream, Unhex("01 02 03"));
    std::uint8_t buffer[8];
    stream.Read(buffer, sizeof buffer);
    ASSERT_FALSE(stream.m_bOk);
    stream.Reset();
    EXPECT_TRUE(stream.m_bOk);
    EXPECT_EQ(0u, stream.GetSize());
    EXPECT_EQ(0u, stream.GetPosition());
    EXPECT_EQ(0u, stream.GetCapacity());
    EXPECT_EQ(nullptr, stream.GetData());
}

TEST(MemoryStream, CopyFromTakesTheWholeSourceAndRewinds) {
    CMemoryStream source;
    Fill(source, Unhex("10 20 30 40 50"));
    source.Seek(3);
    CMemoryStream copy;
    Fill(copy, Unhex("FF FF FF FF FF FF FF FF"));
    copy.CopyFrom(source);
    EXPECT_EQ("10 20 30 40 50", Hex(Content(copy)));
    EXPECT_EQ(0u, copy.GetPosition());
    EXPECT_EQ(5u, source.GetPosition());
}

}  // namespace
