// The chunk archive: golden bytes of the encoding, lookups when reading, damaged input, and
// random trees read back against the tree and against a plain reference scan.
#include "output/ChunkArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "output/ArchiveTestUtil.h"
#include "testsupport/TestUtil.h"

namespace {
using archive_test::Content;
using archive_test::TRAILER;

using testutil::Hex;
using testutil::Unhex;



// The chunk encoding, written here independently of the archive.
std::string Chunk(std::uint8_t nId, const std::string& strPayload) {
    std::string strChunk(1, static_cast<char>(nId));
    const auto nLength = static_cast<std::uint32_t>(strPayload.size());
    if (nLength < 128) return strChunk + static_cast<char>(nLength * 2) + strPayload;
    const std::uint32_t nField = nLength * 2 + 1;
    for (unsigned i = 0; i < 4; ++i) strChunk += static_cast<char>((nField >> (8 * i)) & 0xFF);
    return strChunk + strPayload;
}

struct SRawChunk {
    std::uint8_t id;
    std::string payload;
};

// Chunks decoded one after another from the first byte; a header or a payload that does not
// fit in what remains ends the sequence. The same rule holds for the file and for a payload.
std::vector<SRawChunk> Decode(const std::string& strBytes) {
    const auto Byte = [&](size_t i) {
        return std::uint32_t{static_cast<std::uint8_t>(strBytes[i])};
    };
    std::vector<SRawChunk> chunks;
    size_t nCursor = 0;
    while (strBytes.size() - nCursor >= 2) {
        size_t nHeader = 2;
        std::uint32_t nField = Byte(nCursor + 1);
        if (nField & 1) {
            if (strBytes.size() - nCursor < 5) break;
            nField = Byte(nCursor + 1) | Byte(nCursor + 2) << 8 | Byte(nCursor + 3) << 16 |
                     Byte(nCursor + 4) << 24;
            nHeader = 5;
        }
        const size_t nLength = nField >> 1;
        if (nLength > strBytes.size() - nCursor - nHeader) break;
        chunks.push_back({static_cast<std::uint8_t>(Byte(nCursor)),
                          strBytes.substr(nCursor + nHeader, nLength)});
        nCursor += nHeader + nLength;
    }
    return chunks;
}

// Lookups done the plain way: every call decodes the current chunk's children from its start.
class CNaiveReader {
public:
    CNaiveReader(const std::string& strFile, std::uint8_t nTopId) {
        std::string strRoot;
        for (const SRawChunk& chunk : Decode(strFile)) {
            if (chunk.id != nTopId) continue;
            strRoot = chunk.payload;
            break;
        }
        m_frames.push_back({strRoot, 1});
    }
    bool StartChunk(int nId) {
        const std::optional<std::string> payload = Find(nId);
        if (payload) m_frames.push_back({*payload, 1});
        return payload.has_value();
    }
    void FinishChunk() { m_frames.pop_back(); }
    void DataChunk(int nId, void* pData, std::uint32_t nSize) {
        std::memset(pData, 0, nSize);
        const std::optional<std::string> payload = Find(nId);
        if (payload) std::memcpy(pData, payload->data(), std::min<size_t>(nSize, payload->size()));
    }
    void StringChunk(int nId, std::string& strText) {
        const std::optional<std::string> payload = Find(nId);
        strText = payload ? payload->substr(0, payload->find('\0')) : std::string();
    }
    int CountChunks(int nId) {
        int nCount = 0;
        for (const SRawChunk& chunk : Decode(m_frames.back().payload)) nCount += chunk.id == nId;
        return nCount;
    }
    void SetChunkIndex(int nIndex) { m_frames.back().index = nIndex; }

private:
    struct SFrame {
        std::string payload;
        int index;
    };
    std::optional<std::string> Find(int nId) const {
        int nSeen = 0;
        for (const SRawChunk& chunk : Decode(m_frames.back().payload))
            if (chunk.id == nId && ++nSeen == m_frames.back().index) return chunk.payload;
        return std::nullopt;
    }
    std::vector<SFrame> m_frames;
};

// A chunk tree as the tests build it; the kind of a node says how it is written and read.
struct SNode {
    enum EKind { DATA, TEXT, TREE } kind = DATA;
    std::uint8_t id = 0;
    std::string bytes;  // the payload of DATA, the text of TEXT (no zero byte)
    std::vector<SNode> children;
};

void WriteNodes(CChunkArchive& archive, const std::vector<SNode>& nodes) {
    for (const SNode& node : nodes) {
        std::string strBytes = node.bytes;
        if (node.kind == SNode::DATA) {
            archive.DataChunk(node.id, strBytes.data(),
                              static_cast<std::uint32_t>(strBytes.size()));
        } else if (node.kind == SNode::TEXT) {
            archive.StringChunk(node.id, strBytes);
        } else {
            EXPECT_TRUE(archive.StartChunk(node.id));
            WriteNodes(archive, node.children);
            archive.FinishChunk();
        }
    }
}

// Lookups answered from the tree itself: what any reader of its archive must give back.
class CTreeReader {
public:
    explicit CTreeReader(const std::vector<SNode>& root) { m_frames.push_back({&root, 1}); }
    bool StartChunk(int nId) {
        const SNode* pNode = Find(nId);
        if (!pNode || pNode->kind != SNode::TREE) return false;
        m_frames.push_back({&pNode->children, 1});
        return true;
    }
    void FinishChunk() { m_frames.pop_back(); }
    void DataChunk(int nId, void* pData, std::uint32_t nSize) {
        std::memset(pData, 0, nSize);
        const SNode* pNode = Find(nId);
        if (pNode)
            std::memcpy(pData, pNode->bytes.data(), std::min<size_t>(nSize, pNode->bytes.size()));
    }
    void StringChunk(int nId, std::string& strText) {
        const SNode* pNode = Find(nId);
        strText = pNode ? pNode->bytes : std::string();
    }
    int CountChunks(int nId) {
        int nCount = 0;
        for (const SNode& node : *m_frames.back().nodes) nCount += node.id == nId;
        return nCount;
    }
    void SetChunkIndex(int nIndex) { m_frames.back().index = nIndex; }

private:
    struct SFrame {
        const std::vector<SNode>* nodes;
        int index;
    };
    const SNode* Find(int nId) const {
        int nSeen = 0;
        for (const SNode& node : *m_frames.back().nodes)
            if (node.id == nId && ++nSeen == m_frames.back().index) return &node;
        return nullptr;
    }
    std::vector<SFrame> m_frames;
};

using Random = std::mt19937;

std::uint32_t Below(Random& rng, size_t nLimit) {
    return static_cast<std::uint32_t>(rng() % nLimit);
}

std::vector<SNode> RandomNodes(Random& rng, int nDepth) {
    std::vector<SNode> nodes(Below(rng, 7));
    for (SNode& node : nodes) {
        // Mostly small ids, so that ids repeat among siblings.
        node.id = static_cast<std::uint8_t>(Below(rng, 4) == 0 ? Below(rng, 256) : Below(rng, 4));
        const std::uint32_t nKind = Below(rng, 3);
        if (nKind == 0 && nDepth > 0) {
            node.kind = SNode::TREE;
            node.children = RandomNodes(rng, nDepth - 1);
            continue;
        }
        node.kind = nKind == 1 ? SNode::TEXT : SNode::DATA;
        // Now and then a payload of 128 bytes or more, which takes the four-byte length field.
        const std::uint32_t nLength = Below(rng, 8) == 0 ? 100 + Below(rng, 100) : Below(rng, 12);
        for (std::uint32_t i = 0; i < nLength; ++i)
            node.bytes +=
                static_cast<char>(node.kind == SNode::TEXT ? 1 + Below(rng, 255) : Below(rng, 256));
    }
    return nodes;
}

// Every position once in a random order, then one position again.
std::vector<size_t> RandomOrder(Random& rng, size_t nCount) {
    std::vector<size_t> order(nCount);
    std::iota(order.begin(), order.end(), size_t{0});
    for (size_t i = nCount; i > 1; --i) std::swap(order[i - 1], order[Below(rng, i)]);
    if (nCount) order.push_back(Below(rng, nCount));
    return order;
}

template <class R>
void ReadNodes(R& reader, const std::vector<SNode>& nodes, Random& rng, std::string& strLog);

template <class R>
void ReadNode(R& reader, const SNode& node, Random& rng, std::string& strLog) {
    const std::string strId = std::to_string(node.id);
    if (node.kind == SNode::TREE) {
        const bool bFound = reader.StartChunk(node.id);
        strLog += "tree " + strId + (bFound ? " {\n" : " absent\n");
        if (!bFound) return;
        ReadNodes(reader, node.children, rng, strLog);
        reader.FinishChunk();
        strLog += "}\n";
    } else if (node.kind == SNode::TEXT) {
        std::string strText = "stale";
        reader.StringChunk(node.id, strText);
        strLog += "text " + strId + ": " + Hex(strText) + "\n";
    } else {
        // At times ask for more than the payload holds: the rest must read as zero bytes.
        std::string strData(node.bytes.size() + Below(rng, 3), '\xAA');
        reader.DataChunk(node.id, strData.data(), static_cast<std::uint32_t>(strData.size()));
        strLog += "data " + strId + ": " + Hex(strData) + "\n";
    }
}

// Reads the nodes by id and occurrence index in a random order, counts every id and probes
// the indices just outside the range; the log holds every result.
template <class R>
void ReadNodes(R& reader, const std::vector<SNode>& nodes, Random& rng, std::string& strLog) {
    std::vector<int> occurrence(nodes.size());
    std::map<int, int> counts;
    for (size_t i = 0; i < nodes.size(); ++i) occurrence[i] = ++counts[nodes[i].id];
    for (size_t i : RandomOrder(rng, nodes.size())) {
        reader.SetChunkIndex(occurrence[i]);
        ReadNode(reader, nodes[i], rng, strLog);
    }
    for (const auto& [nId, nCount] : counts) {
        strLog += "count " + std::to_string(nId) + ": " + std::to_string(reader.CountChunks(nId));
        for (int nIndex : {0, nCount + 1}) {
            reader.SetChunkIndex(nIndex);
            const bool bFound = reader.StartChunk(nId);
            if (bFound) reader.FinishChunk();
            strLog += bFound ? " found" : " none";
        }
        strLog += "\n";
    }
}

// The log of ReadNodes over the whole tree, in the order that the seed gives.
template <class R>
std::string ReadLog(R& reader, const std::vector<SNode>& tree, unsigned nSeed) {
    Random rng(nSeed);
    std::string strLog;
    ReadNodes(reader, tree, rng, strLog);
    return strLog;
}

// A random tree that surely holds a chunk with the four-byte length field.
std::vector<SNode> TreeWithLongChunk(Random& rng) {
    std::vector<SNode> tree = RandomNodes(rng, /*nDepth=*/3);
    tree.push_back({SNode::TREE, 9, "", {{SNode::DATA, 1, std::string(150, 'L'), {}}}});
    return tree;
}

// Every prefix of the file, then the file with each byte changed twice (never to itself).
std::vector<std::string> DamagedCopies(const std::string& strFile, Random& rng) {
    std::vector<std::string> copies;
    for (size_t n = 0; n < strFile.size(); ++n) copies.push_back(strFile.substr(0, n));
    for (size_t i = 0; i < 2 * strFile.size(); ++i) {
        const auto nFlip = static_cast<char>(1 + Below(rng, 255));
        copies.push_back(strFile);
        copies.back()[i / 2] = static_cast<char>(copies.back()[i / 2] ^ nFlip);
    }
    return copies;
}

// A list of one-byte records (id 1) with other chunks (id 2) between them, and indices to read
// it by: forwards as a list is read, backwards, then at random, some outside the range.
std::string MixedList(Random& rng, std::vector<int>& indices) {
    std::string strList;
    for (int i = 0; i < 60; ++i)
        strList += Chunk(Below(rng, 3) ? 1 : 2, std::string(1, static_cast<char>(i)));
    indices.resize(70);
    std::iota(indices.begin(), indices.end(), -2);
    for (int i = 67; i >= -2; --i) indices.push_back(i);
    for (int i = 0; i < 300; ++i) indices.push_back(static_cast<int>(Below(rng, 70)) - 2);
    return strList;
}

// Remembers the largest read asked of it.
class CRecordingStream : public CMemoryStream {
public:
    std::uint32_t Read(void* pBuffer, std::uint32_t nCount) override {
        if (nCount > m_nLargestRead) m_nLargestRead = nCount;
        return CMemoryStream::Read(pBuffer, nCount);
    }
    std::uint32_t m_nLargestRead = 0;
};

class ChunkArchiveTest : public ::testing::Test {
protected:
    ~ChunkArchiveTest() override { m_archive.CloseArchive(m_stream); }

    // The bytes of an archive whose root content the body writes.
    template <class F>
    static std::string WriteArchive(F&& body, std::int32_t nVersion = 1) {
        CChunkArchive archive;
        CMemoryStream stream;
        archive.OpenArchive(stream, /*bReading=*/false, nVersion);
        body(archive);
        EXPECT_TRUE(archive.CloseArchive(stream));
        return Content(stream);
    }

    // The root content that the body writes, in hex; the rest of the file is checked to be
    // exactly the trailer of an archive without objects.
    template <class F>
    static std::string WriteRoot(F&& body) {
        const std::string strFile = WriteArchive(body);
        const std::vector<SRawChunk> chunks = Decode(strFile);
        if (chunks.empty()) return "no chunk";
        EXPECT_EQ(Hex(Chunk(1, chunks[0].payload) + Unhex(TRAILER)), Hex(strFile));
        return Hex(chunks[0].payload);
    }

    // Opens m_archive for reading on the bytes.
    void Open(const std::string& strFile) {
        m_stream.Reset();
        m_stream.Write(strFile.data(), static_cast<std::uint32_t>(strFile.size()));
        m_archive.OpenArchive(m_stream, /*bReading=*/true, /*nVersion=*/1);
    }
    void OpenRoot(const char* pszRootHex) { Open(Chunk(1, Unhex(pszRootHex)) + Unhex(TRAILER)); }

    // A data chunk of the current chunk in hex, read into a buffer that held AA bytes.
    std::string ReadData(int nId, std::uint32_t nSize) {
        std::string strData(nSize, '\xAA');
        m_archive.DataChunk(nId, strData.data(), nSize);
        return Hex(strData);
    }

    // Root content: chunk 1 holding one data chunk 5 of the size, then a sibling 9.
    static std::string WriteStructureAndSibling(std::uint32_t nChildData) {
        return WriteRoot([&](CChunkArchive& archive) {
            archive.StartChunk(1);
            std::string strData(nChildData, 'Z');
            archive.DataChunk(5, strData.data(), nChildData);
            archive.FinishChunk();
            std::uint8_t nAfter = 0xAA;
            archive.DataChunk(9, &nAfter, 1);
        });
    }

    CMemoryStream m_stream;
    CChunkArchive m_archive;
};

// ---- Writing -------------------------------------------------------------------------------

TEST_F(ChunkArchiveTest, LengthFieldTakesOneByteBelow128AndFourBytesFrom128) {
    static const struct {
        std::uint32_t nLength;
        const char* szField;
    } CASES[] = {
        {0, "00"}, {12, "18"}, {127, "FE"}, {128, "01 01 00 00"}, {200, "91 01 00 00"},
    };
    for (const auto& c : CASES) {
        const std::string strPayload(c.nLength, '\x42');
        const std::string strRoot = WriteRoot([&](CChunkArchive& archive) {
            std::string strData = strPayload;
            archive.DataChunk(7, strData.data(), c.nLength);
        });
        EXPECT_EQ("07 " + std::string(c.szField) + (c.nLength ? " " + Hex(strPayload) : ""),
                  strRoot)
            << c.nLength;
    }
}

TEST_F(ChunkArchiveTest, StringChunkHoldsTheTextAndOneZeroByte) {
    EXPECT_EQ("03 02 00", WriteRoot([](CChunkArchive& archive) {
                  std::string strText;
                  archive.StringChunk(3, strText);
              }));
    EXPECT_EQ("00 0A 69 72 6F 6E 00", WriteRoot([](CChunkArchive& archive) {
                  std::string strText = "iron";
                  archive.StringChunk(0, strText);
              }));
}

TEST_F(ChunkArchiveTest, DataChunkHoldsTheValueBytes) {
    EXPECT_EQ("03 08 07 00 00 00", WriteRoot([](CChunkArchive& archive) {
                  std::int32_t nValue = 7;
                  archive.DataChunk(3, &nValue, 4);
              }));
}

TEST_F(ChunkArchiveTest, StructuredChunkGetsItsHeaderWhenFinished) {
    // One data child whose chunk is the whole payload; the sibling shows nothing was left over.
    static const struct {
        std::uint32_t nChildData;
        const char* szChild;
        const char* szParent;
    } CASES[] = {
        {18, "05 24", "01 28"},                     // 20 bytes: moved three bytes to the front
        {125, "05 FA", "01 FE"},                    // 127 bytes: still the short field
        {126, "05 FC", "01 01 01 00 00"},           // 128 bytes: fills the reserve exactly
        {195, "05 87 01 00 00", "01 91 01 00 00"},  // 200 bytes: unmoved
    };
    for (const auto& c : CASES)
        EXPECT_EQ(std::string(c.szParent) + " " + c.szChild + " " +
                      Hex(std::string(c.nChildData, 'Z')) + " 09 02 AA",
                  WriteStructureAndSibling(c.nChildData));
}

TEST_F(ChunkArchiveTest, StructuredChunkWithoutChildrenIsItsIdAndALengthByteOfZero) {
    EXPECT_EQ("04 00", WriteRoot([](CChunkArchive& archive) {
                  archive.StartChunk(4);
                  archive.FinishChunk();
              }));
    EXPECT_EQ("01 08 02 00 03 00", WriteRoot([](CChunkArchive& archive) {
                  archive.StartChunk(1);
                  archive.StartChunk(2);
                  archive.FinishChunk();
                  archive.StartChunk(3);
                  archive.FinishChunk();
                  archive.FinishChunk();
              }));
}

TEST_F(ChunkArchiveTest, VersionIsWrittenLastAndReadBackOnlyWhenAskedWithOne) {
    const std::string strFile = WriteArchive([](CChunkArchive&) {}, /*nVersion=*/7);
    EXPECT_EQ("01 00 00 00 02 0C 02 08 07 00 00 00", Hex(strFile));
    Open(strFile);
    EXPECT_EQ(7, m_archive.m_nVersion);
    m_archive.CloseArchive(m_stream);
    m_archive.OpenArchive(m_stream, /*bReading=*/true, /*nVersion=*/3);
    EXPECT_EQ(3, m_archive.m_nVersion);
}

TEST_F(ChunkArchiveTest, CountChunksWhileWritingCountsTheChildrenAppendedSoFar) {
    CChunkArchive archive;
    CMemoryStream stream;
    archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
    archive.StartChunk(2);
    EXPECT_EQ(0, archive.CountChunks(5));
    std::string strData(200, 'x');
    archive.DataChunk(5, strData.data(), 4);
    archive.DataChunk(6, strData.data(), 4);
    archive.DataChunk(5, strData.data(), 200);
    archive.StartChunk(5);
    archive.FinishChunk();
    EXPECT_EQ(3, archive.CountChunks(5));
    EXPECT_EQ(1, archive.CountChunks(6));
    archive.FinishChunk();
    EXPECT_EQ(1, archive.CountChunks(2));
    EXPECT_TRUE(archive.CloseArchive(stream));
}

TEST_F(ChunkArchiveTest, PayloadOfTwoGibibytesOrMoreIsRefusedWithoutReadingTheSource) {
    for (const std::uint32_t nSize : {0x80000000u, 0xFFFFFFFFu}) {
        CChunkArchive archive;
        CMemoryStream stream;
        std::int32_t nValue = 7;
        archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
        archive.DataChunk(3, &nValue, nSize);  // reading the source would overrun nValue
        archive.DataChunk(4, &nValue, 4);
        EXPECT_FALSE(archive.CloseArchive(stream)) << nSize;
        EXPECT_EQ("01 0C 04 08 07 00 00 00 " + std::string(TRAILER), Hex(Content(stream)));
        stream.Reset();
        archive.OpenArchive(stream, /*bReading=*/false, /*nVersion=*/1);
        EXPECT_TRUE(archive.CloseArchive(stream)) << "a refusal is forgotten when reopened";
    }
}

// ---- Reading -------------------------------------------------------------------------------

TEST_F(ChunkArchiveTest, IndexSelectsAmongTheChildrenOfOneId) {
    OpenRoot("05 02 AA 06 02 CC 05 02 BB");
    static const struct {
        int nIndex;
        const char* szData;
        bool bFound;
    } CASES[] = {
        {1, "AA", true},   {2, "BB", true},  {0, "00", false},
        {-1, "00", false}, {3, "00", false}, {1, "AA", true},
    };
    for (const auto& c : CASES) {
        m_archive.SetChunkIndex(c.nIndex);
        EXPECT_EQ(c.szData, ReadData(5, 1)) << c.nIndex;
        EXPECT_EQ(2, m_archive.CountChunks(5)) << c.nIndex;
        const bool bFound = m_archive.StartChunk(5);
        EXPECT_EQ(c.bFound, bFound) << c.nIndex;
        if (bFound) m_archive.FinishChunk();
    }
}

TEST_F(ChunkArchiveTest, DataChunkGivesItsFirstBytesAndZeroWhereItEndsOrIsAbsent) {
    OpenRoot("03 04 07 00 04 0C 01 02 03 04 05 06 05 00");
    static const struct {
        int nId;
        const char* szData;
    } CASES[] = {
        {3, "07 00 00 00"},  // two bytes stored, four asked
        {4, "01 02 03 04"},  // six stored, four asked
        {5, "00 00 00 00"},  // empty payload
        {9, "00 00 00 00"},  // absent
    };
    for (const auto& c : CASES) EXPECT_EQ(c.szData, ReadData(c.nId, 4)) << c.nId;
}

TEST_F(ChunkArchiveTest, StringEndsAtItsFirstZeroByteOrAtThePayloadEnd) {
    OpenRoot("01 0A 69 72 6F 6E 00 02 06 69 72 6F 03 08 61 00 62 00 04 00");
    static const struct {
        int nId;
        const char* szText;
    } CASES[] = {
        {1, "iron"}, {2, "iro"}, {3, "a"}, {4, ""}, {9, ""},
    };
    for (const auto& c : CASES) {
        std::string strText = "stale";
        m_archive.StringChunk(c.nId, strText);
        EXPECT_EQ(c.szText, strText) << c.nId;
    }
}

TEST_F(ChunkArchiveTest, LookupsActInTheCurrentChunkOnly) {
    OpenRoot("07 02 11 01 06 02 02 22 08 00");
    ASSERT_TRUE(m_archive.StartChunk(1));
    EXPECT_EQ("00", ReadData(7, 1));
    EXPECT_EQ("22", ReadData(2, 1));
    EXPECT_EQ(0, m_archive.CountChunks(8));
    m_archive.FinishChunk();
    EXPECT_EQ("11", ReadData(7, 1));
    EXPECT_EQ("00", ReadData(2, 1));
    EXPECT_EQ(1, m_archive.CountChunks(8));
}

TEST_F(ChunkArchiveTest, ChildThatDoesNotFitEndsTheChildren) {
    static const struct {
        const char* szRoot;
        int nFives;
        int nSixes;
        const char* szSix;
    } CASES[] = {
        {"05 02 AA 06 02 BB", 1, 1, "BB"},
        {"05 02 AA 06 01 00 00 00", 1, 1, "00"},  // long field for an empty payload
        {"05 02 AA 06 04 BB", 1, 0, "00"},        // payload runs past the end
        {"05 02 AA 06 03 02 00", 1, 0, "00"},     // long field cut short
        {"05 02 AA 06", 1, 0, "00"},              // lone id byte
        {"06 0A BB 05 02 AA", 0, 0, "00"},        // nothing after a broken child is seen
        {"05 FF FF FF FF 06 02 BB", 0, 0, "00"},  // the largest length there is
    };
    for (const auto& c : CASES) {
        OpenRoot(c.szRoot);
        EXPECT_EQ(c.nFives, m_archive.CountChunks(5)) << c.szRoot;
        EXPECT_EQ(c.nSixes, m_archive.CountChunks(6)) << c.szRoot;
        EXPECT_EQ(c.szSix, ReadData(6, 1)) << c.szRoot;
    }
}

TEST_F(ChunkArchiveTest, MissingTopLevelChunkOneGivesAnEmptyRoot) {
    Open(Unhex(TRAILER));
    EXPECT_EQ(1, m_archive.m_nVersion);
    EXPECT_FALSE(m_archive.StartChunk(1));
    EXPECT_EQ(0, m_archive.CountChunks(1));
}

TEST_F(ChunkArchiveTest, TopLevelChunkIsReadOnlyWhenItFitsInTheStream) {
    static const struct {
        const char* szFile;
        int nFives;
    } CASES[] = {
        {"01 06 05 02 AA", 1},           // ends exactly at the end of the stream
        {"01 08 05 02 AA", 0},           // one byte beyond it
        {"01 01 5A 62 02 05 02 AA", 0},  // 20,000,000 bytes claimed
        {"00 00 01 06 05 02 AA", 1},
        {"00 7E 01 06 05 02 AA", 0},  // an earlier chunk beyond the end ends the reading
    };
    for (const auto& c : CASES) {
        Open(Unhex(c.szFile));
        EXPECT_EQ(c.nFives, m_archive.CountChunks(5)) << c.szFile;
        EXPECT_EQ(0, m_archive.m_nVersion) << c.szFile;
    }
}

TEST_F(ChunkArchiveTest, DamagedTopLevelLengthNeverMakesTheReaderAskForMoreThanTheStreamHolds) {
    // 20,000,000 bytes claimed by chunk 1, by a skipped chunk 0 and by chunk 2.
    for (const char* pszFile :
         {"01 01 5A 62 02 05 02 AA", "00 01 5A 62 02 01 06 05 02 AA", "02 01 5A 62 02 00 00"}) {
        const std::string strFile = Unhex(pszFile);
        CRecordingStream stream;
        stream.Write(strFile.data(), static_cast<std::uint32_t>(strFile.size()));
        CChunkArchive archive;
        archive.OpenArchive(stream, /*bReading=*/true, /*nVersion=*/1);
        EXPECT_LE(stream.m_nLargestRead, stream.GetSize()) << pszFile;
        EXPECT_EQ(0, archive.CountChunks(5)) << pszFile;
        archive.CloseArchive(stream);
    }
}

TEST_F(ChunkArchiveTest, TopLevelChunkOverTenMillionBytesIsReadBackWhenItFits) {
    std::string strBig(10'000'001, '\0');
    for (size_t i = 0; i < strBig.size(); ++i) strBig[i] = static_cast<char>(i * 7 % 251);
    Open(WriteArchive([&](CChunkArchive& archive) {
        archive.DataChunk(3, strBig.data(), static_cast<std::uint32_t>(strBig.size()));
    }));
    std::string strBack(strBig.size(), 'x');
    m_archive.DataChunk(3, strBack.data(), static_cast<std::uint32_t>(strBack.size()));
    EXPECT_TRUE(strBack == strBig);
    EXPECT_EQ(1, m_archive.m_nVersion);
}

TEST_F(ChunkArchiveTest, ListLookupsAgreeWithAPlainScanInAnyOrder) {
    Random rng(7);
    std::vector<int> indices;
    const std::string strFile = Chunk(1, Chunk(3, MixedList(rng, indices))) + Unhex(TRAILER);
    Open(strFile);
    CNaiveReader naive(strFile, 1);
    ASSERT_TRUE(m_archive.StartChunk(3) && naive.StartChunk(3));
    for (int nIndex : indices) {
        m_archive.SetChunkIndex(nIndex);
        naive.SetChunkIndex(nIndex);
        std::uint8_t nGot = 0xAA, nExpected = 0xAA;
        m_archive.DataChunk(1, &nGot, 1);
        naive.DataChunk(1, &nExpected, 1);
        EXPECT_EQ(nExpected, nGot) << nIndex;
    }
    EXPECT_EQ(naive.CountChunks(1), m_archive.CountChunks(1));
}

TEST_F(ChunkArchiveTest, RandomTreesReadBackAsTheyWereWrittenInAnyOrder) {
    for (unsigned nSeed = 1; nSeed <= 300; ++nSeed) {
        Random rng(nSeed);
        const std::vector<SNode> tree = RandomNodes(rng, /*nDepth=*/4);
        const std::string strFile = WriteArchive([&](CChunkArchive& a) { WriteNodes(a, tree); });
        Open(strFile);
        CTreeReader expected(tree);
        CNaiveReader naive(strFile, 1);
        const std::string strExpected = ReadLog(expected, tree, nSeed);
        ASSERT_EQ(strExpected, ReadLog(m_archive, tree, nSeed)) << "seed " << nSeed;
        ASSERT_EQ(strExpected, ReadLog(naive, tree, nSeed)) << "seed " << nSeed;
    }
}

// Siblings with ids in strictly ascending order, as every record's fields are written, and
// now and then one out of order or repeated: found by halving or by the scan, they must read
// as the tree says, absent ids and other indices included.
void MakeAscending(std::vector<SNode>& nodes, Random& rng) {
    for (size_t i = 0; i < nodes.size(); ++i) nodes[i].id = static_cast<std::uint8_t>(3 * i + Below(rng, 3));
    if (nodes.size() > 1 && Below(rng, 4) == 0) nodes[Below(rng, nodes.size())].id = nodes[0].id;
    for (SNode& node : nodes) MakeAscending(node.children, rng);
}

TEST_F(ChunkArchiveTest, AscendingFieldIdsReadBackAsTheyWereWrittenInAnyOrder) {
    for (unsigned nSeed = 1; nSeed <= 300; ++nSeed) {
        Random rng(nSeed);
        std::vector<SNode> tree = RandomNodes(rng, /*nDepth=*/4);
        MakeAscending(tree, rng);
        const std::string strFile = WriteArchive([&](CChunkArchive& a) { WriteNodes(a, tree); });
        Open(strFile);
        CTreeReader expected(tree);
        const std::string strExpected = ReadLog(expected, tree, nSeed);
        ASSERT_EQ(strExpected, ReadLog(m_archive, tree, nSeed)) << "seed " << nSeed;
    }
}

TEST_F(ChunkArchiveTest, MeasuringGivesTheRootLengthThatWritingReaches) {
    for (unsigned nSeed = 1; nSeed <= 100; ++nSeed) {
        Random rng(nSeed);
        const std::vector<SNode> tree = RandomNodes(rng, /*nDepth=*/4);
        CChunkArchive measure;
        measure.OpenForMeasuring();
        WriteNodes(measure, tree);
        const std::uint32_t nMeasured = measure.GetRootLength();
        EXPECT_TRUE(measure.CloseArchive(m_stream));
        EXPECT_EQ(0u, m_stream.GetSize());  // measuring writes nothing

        CMemoryStream stream;
        CChunkArchive archive;
        archive.OpenArchive(stream, /*bReading=*/false, 1);
        archive.ReserveRoot(nMeasured);
        WriteNodes(archive, tree);
        ASSERT_EQ(nMeasured, archive.GetRootLength()) << "seed " << nSeed;
        EXPECT_TRUE(archive.CloseArchive(stream));
        EXPECT_EQ(nMeasured, Decode(Content(stream)).at(0).payload.size());
    }
}

TEST_F(ChunkArchiveTest, MeasuringRefusesWhatWritingRefuses) {
    CChunkArchive measure;
    measure.OpenForMeasuring();
    std::uint32_t nValue = 7;
    measure.DataChunk(3, &nValue, 0x80000000u);  // the source is never read
    EXPECT_FALSE(measure.CloseArchive(m_stream));
}

// A valid archive with a random tree, damaged in every way the loop can reach. The archive must
// agree with the plain scan on every lookup and read nothing outside the loaded chunk (the
// sanitizers watch).
TEST_F(ChunkArchiveTest, DamagedArchiveReadsLikeThePlainScan) {
    Random rng(2024);
    const std::vector<SNode> tree = TreeWithLongChunk(rng);
    const std::string strFile = WriteArchive([&](CChunkArchive& archive) { WriteNodes(archive, tree); });
    unsigned nCase = 0;
    for (const std::string& strDamaged : DamagedCopies(strFile, rng)) {
        Open(strDamaged);
        CNaiveReader naive(strDamaged, 1), naiveVersion(strDamaged, 2);
        std::int32_t nVersion = 0;
        naiveVersion.DataChunk(2, &nVersion, 4);
        EXPECT_EQ(nVersion, m_archive.m_nVersion) << "case " << nCase;
        ASSERT_EQ(ReadLog(naive, tree, nCase), ReadLog(m_archive, tree, nCase)) << "case " << nCase;
        m_archive.CloseArchive(m_stream);
        ++nCase;
    }
}

// ---- The object table ----------------------------------------------------------------------

// Files of the format may hold objects in top-level chunks 0 and 2; the archive creates none
// and reads the root and the version as it reads them beside an empty table.
TEST_F(ChunkArchiveTest, ObjectTableAndObjectsArePassedOverWhateverTheyHold) {
    const std::string strEntry = Unhex("57 7E 00 00 05 00 00 00");
    const std::string strObject = Chunk(1, Chunk(0, Unhex("05 00 00 00")) + Chunk(1, ""));
    for (const std::string& strTable : {strEntry + strEntry, Unhex("01 02 03"), std::string()}) {
        Open(Chunk(1, Chunk(5, "\xAA")) + Chunk(0, strTable) +
             Chunk(2, strObject + Chunk(2, Unhex("07 00 00 00"))));
        EXPECT_EQ("AA", ReadData(5, 1)) << Hex(strTable);
        EXPECT_EQ(7, m_archive.m_nVersion) << Hex(strTable);
        m_archive.CloseArchive(m_stream);
    }
}

}  // namespace
