#include "loader/DatabaseCheck.h"

#include <charconv>
#include <functional>
#include <iterator>
#include <utility>

#include "output/ByteOrder.h"
#include "output/ChunkArchive.h"

namespace marrow {

namespace {
struct SChunk {
    std::uint8_t nId = 0;
    std::uint32_t nAt = 0;     // the header's first byte
    std::uint32_t nStart = 0;  // the payload's first byte
    std::uint32_t nLength = 0;
    std::uint32_t End() const { return nStart + nLength; }
};

using FLabel = std::function<std::string(std::uint8_t)>;

std::string ChunkLabel(std::uint8_t nId) { return "chunk " + std::to_string(nId); }

std::string FieldLabel(const SKindLayout& kind, std::uint8_t nId) {
    const int nField = FieldIndexOf(kind, nId);
    if (nField == NO_FIELD) return ChunkLabel(nId);
    return ChunkLabel(nId) + " (" + kind.fields[static_cast<std::size_t>(nField)].pszName + ")";
}

std::string Bytes(std::uint32_t nCount) {
    return std::to_string(nCount) + (nCount == 1 ? " byte" : " bytes");
}

constexpr struct {
    std::uint8_t nId;
    const char* pszName;
} TOP_CHUNKS[] = {{1, "the lists"}, {0, "the object table"}, {2, "the version"}};

// Walks the file; every offset is checked against the end of its parent by subtraction before
// anything at it is read, so no damaged length leads outside the file. Children are decoded as
// they are met and never collected: the headers of a parent's children are walked once to check
// that each fits, then once more to check what they hold, so that a problem in a later header
// still comes before one inside an earlier child, and a parent of millions of children costs
// time, not memory.
class CDatabaseChecker {
public:
    // Without a view only the verdict is kept: no record views, no notes.
    CDatabaseChecker(std::string_view strBytes, SDatabaseView* pView, SCheckProblem& problem)
        : m_strBytes(strBytes), m_pView(pView), m_problem(problem) {}

    bool Run();
    // Whether the file begins as every items.idb does: the lists chunk (top-level chunk 1) whose
    // payload begins with the materials list (list chunk 1).
    bool BeginsLikeDatabase() const;

private:
    std::uint8_t Byte(std::uint32_t nAt) const {
        return static_cast<std::uint8_t>(m_strBytes[nAt]);
    }
    std::uint32_t U32(std::uint32_t nAt) const { return ReadU32(m_strBytes.data() + nAt); }
    bool Fail(std::uint32_t nAt, const std::string& strWhere, const std::string& strWhat);
    bool ReadChunk(std::uint32_t nAt, std::uint32_t nEnd, const std::string& strWhere,
                   const char* pszParent, const FLabel& label, SChunk& chunk);
    // Hands the parent's children to visit in order; false at the first that does not fit in
    // the parent or that visit refuses (after it has failed with its problem).
    template <class FVisit>
    bool ForEachChild(const SChunk& parent, const std::string& strWhere, const char* pszParent,
                      const FLabel& label, FVisit&& visit);
    // Whether every child fits in the parent.
    bool CheckChildren(const SChunk& parent, const std::string& strWhere, const char* pszParent,
                       const FLabel& label) {
        return ForEachChild(parent, strWhere, pszParent, label, [](const SChunk&) { return true; });
    }
    bool CheckTopLevel(SChunk (&top)[3]);
    bool CheckLists(const SChunk& lists);
    bool CheckRecord(const SKindLayout& kind, std::size_t nRecord, const SChunk& chunk,
                     SRecordView& record);
    bool CheckField(const SFieldLayout& field, const SChunk& chunk, const std::string& strWhere,
                    const FLabel& label);
    bool CheckTextList(const SChunk& chunk, const std::string& strWhere);
    bool CheckObjectsAndVersion(const SChunk& objects, const SChunk& version);

    // The text is made only when the note is kept: the loader's check runs for every field of
    // every record and keeps none, idbdump's keeps the first few and counts the rest.
    template <class FMake>
    void Note(FMake&& make) {
        if (!m_pView) return;
        if (m_pView->notes.size() < SDatabaseView::KEPT_NOTES) m_pView->notes.push_back(make());
        ++m_pView->nNotes;
    }
    static std::string At(std::uint32_t nAt, const std::string& strWhere) {
        return "at byte " + std::to_string(nAt) + ": " + strWhere + ": ";
    }

    std::string_view m_strBytes;
    SDatabaseView* m_pView;
    SCheckProblem& m_problem;
    SRecordView m_scratch;  // the record being checked when no view is kept
    std::vector<std::uint8_t> m_seen;   // per field of the current record's kind
    std::string m_where;                // the current record's place, for messages
    int m_fieldOfId[256] = {};          // the current kind's field index of each chunk id
};

bool CDatabaseChecker::Fail(std::uint32_t nAt, const std::string& strWhere,
                            const std::string& strWhat) {
    m_problem.nOffset = nAt;
    m_problem.strText = "at byte " + std::to_string(nAt) + ": ";
    if (!strWhere.empty()) m_problem.strText += strWhere + ": ";
    m_problem.strText += strWhat;
    return false;
}

bool CDatabaseChecker::ReadChunk(std::uint32_t nAt, std::uint32_t nEnd, const std::string& strWhere,
                                 const char* pszParent, const FLabel& label, SChunk& chunk) {
    const std::uint32_t nLeft = nEnd - nAt;  // at least 1: callers stop at the end
    chunk.nId = Byte(nAt);
    chunk.nAt = nAt;
    SChunkHeader header;
    if (!DecodeChunkHeader(reinterpret_cast<const std::uint8_t*>(m_strBytes.data()) + nAt, nLeft,
                           header))
        return Fail(nAt, strWhere,
                    "the header of " + label(chunk.nId) + " runs past the end of " + pszParent);
    const std::uint32_t nHeader = header.nSize;
    chunk.nLength = header.nLength;
    chunk.nStart = nAt + nHeader;
    if (chunk.nLength > nLeft - nHeader)
        return Fail(nAt, strWhere,
                    label(chunk.nId) + " declares " + Bytes(chunk.nLength) + ", only " +
                        std::to_string(nLeft - nHeader) + " remain in " + pszParent);
    return true;
}

template <class FVisit>
bool CDatabaseChecker::ForEachChild(const SChunk& parent, const std::string& strWhere,
                                    const char* pszParent, const FLabel& label, FVisit&& visit) {
    SChunk child;
    for (std::uint32_t nAt = parent.nStart; nAt < parent.End(); nAt = child.End())
        if (!ReadChunk(nAt, parent.End(), strWhere, pszParent, label, child) || !visit(child))
            return false;
    return true;
}

bool CDatabaseChecker::Run() {
    if (m_strBytes.empty()) return Fail(0, "", "the file is empty");
    if (m_strBytes.size() > 0xFFFFFFF0u) return Fail(0, "", "the file is larger than 4 GiB");
    SChunk top[3];
    return CheckTopLevel(top) && CheckLists(top[0]) && CheckObjectsAndVersion(top[1], top[2]);
}

bool CDatabaseChecker::BeginsLikeDatabase() const {
    const std::size_t nSize = m_strBytes.size();
    if (nSize == 0 || Byte(0) != TOP_CHUNKS[0].nId) return false;
    const std::uint32_t nHeader = nSize >= 2 && (Byte(1) & 1) != 0 ? 5 : 2;
    return nSize <= nHeader || Byte(nHeader) == ItemKinds()[0].nListId;
}

bool CDatabaseChecker::CheckTopLevel(SChunk (&top)[3]) {
    const auto nSize = static_cast<std::uint32_t>(m_strBytes.size());
    const FLabel label = [](std::uint8_t nId) { return "top-level " + ChunkLabel(nId); };
    std::uint32_t nAt = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string strExpected =
            label(TOP_CHUNKS[i].nId) + " (" + TOP_CHUNKS[i].pszName + ")";
        if (nAt == nSize) return Fail(nAt, "", "the file ends where " + strExpected + " belongs");
        if (Byte(nAt) != TOP_CHUNKS[i].nId)
            return Fail(nAt, "", label(Byte(nAt)) + " where " + strExpected + " belongs");
        if (!ReadChunk(nAt, nSize, "", "the file", label, top[i])) return false;
        nAt = top[i].End();
    }
    if (nAt != nSize) return Fail(nAt, "", Bytes(nSize - nAt) + " after the last top-level chunk");
    return true;
}

bool CDatabaseChecker::CheckLists(const SChunk& lists) {
    const auto& kinds = ItemKinds();
    const FLabel label = [&kinds](std::uint8_t nId) {
        if (nId < 1 || nId > ITEM_KIND_COUNT) return ChunkLabel(nId);
        return "list " + ChunkLabel(nId) + " (" + kinds[nId - 1u].pszName + ")";
    };
    // The six lists and the chunk after them, if there is one.
    SChunk listChunks[ITEM_KIND_COUNT + 1];
    std::size_t nLists = 0;
    if (!ForEachChild(lists, "the lists", "the lists", label, [&](const SChunk& chunk) {
            if (nLists < std::size(listChunks)) listChunks[nLists] = chunk;
            ++nLists;
            return true;
        }))
        return false;
    for (std::size_t k = 0; k < ITEM_KIND_COUNT; ++k) {
        const SKindLayout& kind = kinds[k];
        if (k == nLists) return Fail(lists.End(), "the lists", label(kind.nListId) + " is missing");
        const SChunk& list = listChunks[k];
        if (list.nId != kind.nListId)
            return Fail(
                list.nAt, "the lists",
                label(kind.nListId) + " is missing: " + label(list.nId) + " is in its place");
        const std::string strParent = std::string("the ") + kind.pszName + " list";
        for (int nId = 0; nId < 256; ++nId)
            m_fieldOfId[nId] = FieldIndexOf(kind, static_cast<std::uint8_t>(nId));
        std::size_t nRecords = 0;
        if (!ForEachChild(list, kind.pszName, strParent.c_str(), ChunkLabel,
                          [&](const SChunk& chunk) {
                              if (++nRecords <= MAX_LIST_RECORDS) return true;
                              return Fail(chunk.nAt, kind.pszName,
                                          "record " + std::to_string(nRecords) +
                                              " is one more than the 65,535 a list holds");
                          }))
            return false;
        if (m_pView) m_pView->lists[k].resize(nRecords);
        std::size_t n = 0;
        if (!ForEachChild(list, kind.pszName, strParent.c_str(), ChunkLabel,
                          [&](const SChunk& chunk) {
                              if (chunk.nId != 1)
                                  return Fail(chunk.nAt, kind.pszName,
                                              ChunkLabel(chunk.nId) +
                                                  " where a record (chunk 1) belongs");
                              SRecordView& record = m_pView ? m_pView->lists[k][n] : m_scratch;
                              return CheckRecord(kind, ++n, chunk, record);
                          }))
            return false;
    }
    if (nLists > ITEM_KIND_COUNT)
        return Fail(listChunks[ITEM_KIND_COUNT].nAt, "the lists",
                    label(listChunks[ITEM_KIND_COUNT].nId) + " after the six lists");
    return true;
}

bool CDatabaseChecker::CheckRecord(const SKindLayout& kind, std::size_t nRecord,
                                   const SChunk& chunk, SRecordView& record) {
    // One buffer for every record's place: this runs for each of up to 393,210 records.
    std::string& strWhere = m_where;
    strWhere.assign(kind.pszName).append(" record ");
    char szNumber[24];
    strWhere.append(szNumber, std::to_chars(szNumber, szNumber + sizeof szNumber, nRecord).ptr);
    const FLabel label = [&kind](std::uint8_t nId) { return FieldLabel(kind, nId); };
    if (!CheckChildren(chunk, strWhere, "the record", label)) return false;
    std::vector<std::uint8_t>& seen = m_seen;
    seen.assign(kind.fields.size(), 0);
    record.nAt = chunk.nAt;
    record.fields.assign(kind.fields.size(), SFieldRef{});
    const bool bChecked =
        ForEachChild(chunk, strWhere, "the record", label, [&](const SChunk& child) {
            const int nField = m_fieldOfId[child.nId];
            if (nField == NO_FIELD) {
                Note([&] {
                    return At(child.nAt, strWhere) + "unknown " + ChunkLabel(child.nId) + " (" +
                           Bytes(child.nLength) + ") skipped";
                });
                return true;
            }
            const auto nIndex = static_cast<std::size_t>(nField);
            if (seen[nIndex]) {
                // A reader takes the first chunk of an id; a second one is never seen.
                Note([&] {
                    return At(child.nAt, strWhere) + label(child.nId) +
                           " appears twice; the second is skipped";
                });
                return true;
            }
            if (!CheckField(kind.fields[nIndex], child, strWhere, label)) return false;
            seen[nIndex] = 1;
            record.fields[nIndex] = SFieldRef{child.nStart, child.nLength};
            return true;
        });
    if (!bChecked) return false;
    // A field this record lacks reads as zero or as the empty text: a file written before the
    // field existed is read, and the note says what the reader made of it.
    for (std::size_t i = 0; i < seen.size(); ++i)
        if (!seen[i])
            Note([&] {
                return At(chunk.nAt, strWhere) + label(kind.fields[i].nId) +
                       " is missing and reads as " +
                       (FixedSizeOf(kind.fields[i]) == 0 ? "empty" : "zero");
            });
    return true;
}

// Only what a reader cannot read is a problem: a data chunk of another size is read zero-filled
// or cut, a text without its zero ends with its payload, and both are notes.
bool CDatabaseChecker::CheckField(const SFieldLayout& field, const SChunk& chunk,
                                  const std::string& strWhere, const FLabel& label) {
    const std::uint32_t nSize = FixedSizeOf(field);
    if (field.type == EFieldType::TextList)
        return CheckTextList(chunk, strWhere + ": " + label(chunk.nId));
    if (nSize == 0) {
        if (chunk.nLength == 0 || Byte(chunk.End() - 1) != 0)
            Note([&] {
                return At(chunk.nAt, strWhere) + label(chunk.nId) + " holds " +
                       Bytes(chunk.nLength) + " without a closing zero; the text ends with them";
            });
        return true;
    }
    if (chunk.nLength < nSize)
        Note([&] {
            return At(chunk.nAt, strWhere) + label(chunk.nId) + " holds " + Bytes(chunk.nLength) +
                   ", expected " + std::to_string(nSize) + "; the rest reads as zero";
        });
    else if (chunk.nLength > nSize)
        Note([&] {
            return At(chunk.nAt, strWhere) + label(chunk.nId) + " holds " + Bytes(chunk.nLength) +
                   ", expected " + std::to_string(nSize) + "; the first " +
                   std::to_string(nSize) + " are read";
        });
    return true;
}

bool CDatabaseChecker::CheckTextList(const SChunk& chunk, const std::string& strWhere) {
    if (!CheckChildren(chunk, strWhere, "its list", ChunkLabel)) return false;
    std::size_t nText = 0;
    return ForEachChild(chunk, strWhere, "its list", ChunkLabel, [&](const SChunk& child) {
        if (child.nId != 1) {
            Note([&] {
                return "at byte " + std::to_string(child.nAt) + ": " + strWhere + ": unknown " +
                       ChunkLabel(child.nId) + " (" + Bytes(child.nLength) + ") skipped";
            });
            return true;
        }
        ++nText;
        if (child.nLength == 0 || Byte(child.End() - 1) != 0)
            Note([&] {
                return At(child.nAt, strWhere) + "text " + std::to_string(nText) +
                       " (chunk 1) holds " + Bytes(child.nLength) +
                       " without a closing zero; the text ends with them";
            });
        return true;
    });
}

bool CDatabaseChecker::CheckObjectsAndVersion(const SChunk& objects, const SChunk& version) {
    if (objects.nLength != 0)
        return Fail(objects.nAt, "",
                    "the object table holds " + Bytes(objects.nLength) +
                        ", expected none: items.idb stores no objects");
    const std::string strWhere = "top-level chunk 2";
    SChunk children[2];  // the version and the chunk after it, if there is one
    std::size_t nChildren = 0;
    if (!ForEachChild(version, strWhere, "the chunk", ChunkLabel, [&](const SChunk& chunk) {
            if (nChildren < std::size(children)) children[nChildren] = chunk;
            ++nChildren;
            return true;
        }))
        return false;
    if (nChildren == 0) return Fail(version.nAt, strWhere, "the version (chunk 2) is missing");
    const SChunk& child = children[0];
    if (child.nId != 2)
        return Fail(child.nAt, strWhere,
                    ChunkLabel(child.nId) +
                        " where the version (chunk 2) "
                        "belongs; items.idb stores no objects");
    if (child.nLength != 4)
        return Fail(child.nAt, strWhere,
                    "the version (chunk 2) holds " + Bytes(child.nLength) + ", expected 4");
    if (U32(child.nStart) != 1)
        return Fail(child.nStart, strWhere,
                    "version " + std::to_string(U32(child.nStart)) + ", expected 1");
    if (nChildren > 1)
        return Fail(children[1].nAt, strWhere, ChunkLabel(children[1].nId) + " after the version");
    return true;
}
}  // namespace

bool CheckDatabase(std::string_view strBytes, SDatabaseView* pView, SCheckProblem& problem) {
    problem = SCheckProblem{};
    SDatabaseView checked;
    checked.strBytes = strBytes;
    CDatabaseChecker checker(strBytes, pView ? &checked : nullptr, problem);
    if (checker.Run()) {
        if (pView) *pView = std::move(checked);
        return true;
    }
    problem.outcome =
        checker.BeginsLikeDatabase() ? ECheckOutcome::Damaged : ECheckOutcome::NotItemDatabase;
    if (pView) *pView = SDatabaseView{};
    return false;
}

bool CheckDatabase(std::string_view strBytes, SDatabaseView& view, std::string& strProblem) {
    SCheckProblem problem;
    const bool bValid = CheckDatabase(strBytes, &view, problem);
    strProblem = problem.strText;
    return bValid;
}

}  // namespace marrow
