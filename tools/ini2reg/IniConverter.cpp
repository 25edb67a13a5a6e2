#include "tools/ini2reg/IniConverter.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_set>
#include <vector>

#include "output/ByteOrder.h"
#include "platform/Platform.h"
#include "tableconv/FileRegistry.h"

namespace {
using NoCaseSet = std::unordered_set<std::string_view, SNoCaseHash, SNoCaseEqual>;

// Buffers reused from one section to the next, so that a section costs no allocation.
struct SScratch {
    std::vector<std::uint32_t> homes, slotOf, tail, keyTable;
    std::vector<std::uint16_t> next;
    std::vector<std::uint8_t> used;
    std::vector<std::string_view> elements;
    std::unique_ptr<char[]> pRecord;  // the encoded section record
    size_t nRecordCapacity = 0;
    size_t nRecordSize = 0;

    void Reserve(size_t nBytes) {
        if (nBytes <= nRecordCapacity) return;
        nRecordCapacity = std::max(nBytes, nRecordCapacity * 2);
        pRecord = std::make_unique_for_overwrite<char[]>(nRecordCapacity);
    }
};

// Little-endian output into a buffer whose size has been checked.
struct SWriter {
    char* p;
    void U16(std::uint32_t n) {
        WriteU16(p, n);
        p += 2;
    }
    void U32(std::uint32_t n) {
        WriteU32(p, n);
        p += 4;
    }
    void Bytes(std::string_view str) {
        std::memcpy(p, str.data(), str.size());
        p += str.size();
    }
};

// Slots for n entries with the given home slots: every distinct hash first gets one of its
// entries in its home slot, the rest fill the free slots behind their own chain, so that a
// chain never holds another hash's entry. scratch.next receives the links, scratch.slotOf the
// placement.
void LayOutChains(SScratch& scratch) {
    const std::vector<std::uint32_t>& homes = scratch.homes;
    const size_t n = homes.size();
    constexpr std::uint32_t NONE = 0xFFFFFFFFu;
    scratch.slotOf.assign(n, NONE);
    scratch.next.assign(n, CHAIN_END);
    scratch.tail.assign(n, NONE);
    scratch.used.assign(n, 0);
    for (size_t i = 0; i < n; ++i) {
        if (scratch.tail[homes[i]] != NONE) continue;
        scratch.slotOf[i] = scratch.tail[homes[i]] = homes[i];
        scratch.used[homes[i]] = 1;
    }
    std::uint32_t nFree = 0;
    for (size_t i = 0; i < n; ++i) {
        if (scratch.slotOf[i] != NONE) continue;
        while (scratch.used[nFree]) ++nFree;
        scratch.used[nFree] = 1;
        scratch.slotOf[i] = nFree;
        scratch.next[scratch.tail[homes[i]]] = static_cast<std::uint16_t>(nFree);
        scratch.tail[homes[i]] = nFree;
    }
}

// Cuts the next line (without LF and one trailing CR) from the text at nPos.
bool NextLine(std::string_view strText, size_t& nPos, std::string_view& strLine) {
    if (nPos >= strText.size()) return false;
    size_t nEnd = strText.find('\n', nPos);
    if (nEnd == std::string_view::npos) nEnd = strText.size();
    strLine = strText.substr(nPos, nEnd - nPos);
    if (!strLine.empty() && strLine.back() == '\r') strLine.remove_suffix(1);
    nPos = nEnd + 1;
    return true;
}

std::string_view SectionNameOf(std::string_view strLine) {
    const size_t nClose = strLine.rfind(']');
    return nClose == std::string_view::npos || nClose == 0 ? strLine.substr(1)
                                                             : strLine.substr(1, nClose - 1);
}

struct SSection {
    std::string_view name;
    size_t nBodyBegin;  // offsets into the INI text
    size_t nBodyEnd;
};

struct SEntry {
    std::string_view key;
    std::uint32_t nKeySum;   // NameByteSum of the key: its home slot in the file
    std::uint32_t nKeyHash;  // KeyHash of the key: its place in the table of keys seen
    SIniValue value;
};

// The key's bytes, lowercased, hashed whole: the byte sum the file hashes by is shared by every
// arrangement of the same bytes ("Sword 0001", "Sword 0010"), and a table probed by it turned a
// section of such keys quadratic.
std::uint32_t KeyHash(std::string_view strKey) {
    const std::uint64_t nHash = NoCaseHash(strKey);
    return static_cast<std::uint32_t>(nHash ^ (nHash >> 32));
}

std::string TooMany(const char* pszWhat, std::string_view strWhere) {
    return std::string(pszWhat) + " in \"" + std::string(strWhere.substr(0, 80)) +
           "\": a registry file holds at most 65,535";
}

// True when the key is new among the section's keys so far (ASCII case ignored); the table is
// open addressing over the entries' indexes, sized for the section.
bool AddKey(std::vector<SEntry>& entries, const SEntry& entry, std::vector<std::uint32_t>& table) {
    const size_t nMask = table.size() - 1;
    size_t i = entry.nKeyHash & nMask;
    for (;; i = (i + 1) & nMask) {
        const std::uint32_t nIndex = table[i];
        if (nIndex == 0xFFFFFFFFu) break;
        const SEntry& other = entries[nIndex];
        if (other.nKeyHash == entry.nKeyHash && EqualNoCase(other.key, entry.key)) return false;
    }
    table[i] = static_cast<std::uint32_t>(entries.size());
    entries.push_back(entry);
    return true;
}

std::string ValueTooLong(std::string_view strSection) {
    return "a value longer than 65,535 bytes in section \"" + std::string(strSection.substr(0, 80)) +
           "\"";
}

// Encodes one section record into scratch.record; false with a message when a limit is passed.
// Each limit is checked where the line that passes it is read, so that a section of a million
// keys fails at the 65,536th, not after reading them all.
bool EncodeSection(const SSection& section, std::string_view strIni, std::vector<SEntry>& entries,
                   SScratch& scratch, std::string& strError) {
    entries.clear();
    if (section.name.size() > MAX_REGISTRY_TEXT) {
        strError = "a section name longer than 65,535 bytes";
        return false;
    }
    const std::string_view strBody = strIni.substr(0, section.nBodyEnd);
    // Key lines are at most the body's lines; the key table stays under half full, for as many
    // keys as a section can hold.
    size_t nTable = 64;
    const size_t nBodyBytes = section.nBodyEnd - section.nBodyBegin;
    while (nTable < nBodyBytes / 4 && nTable < (size_t{1} << 17)) nTable <<= 1;
    scratch.keyTable.assign(nTable, 0xFFFFFFFFu);
    size_t nPos = section.nBodyBegin;
    std::string_view strLine;
    while (nPos < section.nBodyEnd && NextLine(strBody, nPos, strLine)) {
        if (strLine.empty() || strLine[0] == ';') continue;
        const size_t nEquals = strLine.find('=');
        if (nEquals == std::string_view::npos) continue;
        const std::string_view strKey = strLine.substr(0, nEquals);
        if (entries.size() * 2 >= scratch.keyTable.size()) {  // rehash into a larger table
            scratch.keyTable.assign(scratch.keyTable.size() * 2, 0xFFFFFFFFu);
            std::vector<SEntry> kept;
            kept.swap(entries);
            for (const SEntry& entry : kept) AddKey(entries, entry, scratch.keyTable);
        }
        // The first of a repeated key wins.
        if (!AddKey(entries, SEntry{strKey, NameByteSum(strKey), KeyHash(strKey), {}},
                    scratch.keyTable))
            continue;
        if (entries.size() > MAX_REGISTRY_ENTRIES) {
            // The key is named: in Marrow's tempreg.ini it is the column past the limit.
            strError = "more than 65,535 values in \"" + std::string(section.name.substr(0, 80)) +
                       "\" (the 65,536th is \"" + std::string(strKey.substr(0, 80)) +
                       "\"): a registry file holds at most 65,535";
            return false;
        }
        if (strKey.size() > MAX_REGISTRY_TEXT) {
            strError = "a value name longer than 65,535 bytes";
            return false;
        }
        SIniValue& value = entries.back().value;
        value = ClassifyValue(TrimBlanks(strLine.substr(nEquals + 1)));
        if (value.nType == RTYPE_STRING &&
            value.strText.size() - value.nDoubledQuotes > MAX_REGISTRY_TEXT) {
            strError = ValueTooLong(section.name);
            return false;
        }
    }

    const std::uint32_t nValues = static_cast<std::uint32_t>(entries.size());
    scratch.homes.resize(nValues);
    for (std::uint32_t i = 0; i < nValues; ++i) scratch.homes[i] = entries[i].nKeySum % nValues;
    LayOutChains(scratch);
    // Limits, and a bound of the record's size; the record reaches the sink only when complete.
    size_t nBound = 4 + section.name.size() + size_t{REGISTRY_SLOT_SIZE} * nValues;
    // A list's elements take at most two length bytes per comma-separated piece.
    for (const SEntry& entry : entries)
        nBound += 3 + entry.key.size() + 4 + 3 * entry.value.strText.size() + 2;
    scratch.Reserve(nBound);
    SWriter out{scratch.pRecord.get()};
    out.U16(nValues);
    out.U16(static_cast<std::uint32_t>(section.name.size()));
    out.Bytes(section.name);
    char* const pSlots = out.p;
    out.p += size_t{REGISTRY_SLOT_SIZE} * nValues;
    std::vector<std::string_view>& elements = scratch.elements;
    for (std::uint32_t i = 0; i < nValues; ++i) {
        const SEntry& entry = entries[i];
        const std::uint32_t nSlot = scratch.slotOf[i];
        WriteU16(pSlots + size_t{REGISTRY_SLOT_SIZE} * nSlot, scratch.next[nSlot]);
        WriteU32(pSlots + size_t{REGISTRY_SLOT_SIZE} * nSlot + 2,
               static_cast<std::uint32_t>(out.p - scratch.pRecord.get()));
        *out.p++ = static_cast<char>(entry.value.nType);
        out.U16(static_cast<std::uint32_t>(entry.key.size()));
        out.Bytes(entry.key);
        switch (entry.value.nType) {
            case RTYPE_INT: out.U32(static_cast<std::uint32_t>(entry.value.nInt)); break;
            case RTYPE_FLOAT: {
                std::uint32_t nBits;
                std::memcpy(&nBits, &entry.value.fFloat, 4);
                out.U32(nBits);
                break;
            }
            case RTYPE_STRING:
                out.U16(static_cast<std::uint32_t>(entry.value.strText.size() -
                                                   entry.value.nDoubledQuotes));
                if (entry.value.nDoubledQuotes == 0) out.Bytes(entry.value.strText);
                else out.Bytes(StoredString(entry.value));
                break;
            default: {  // a list of strings
                SplitListElements(entry.value.strText, elements);
                if (elements.size() > MAX_REGISTRY_ENTRIES) {
                    strError = TooMany("a list of more than 65,535 elements", section.name);
                    return false;
                }
                out.U16(static_cast<std::uint32_t>(elements.size()));
                for (std::string_view strElement : elements) {
                    if (strElement.size() > MAX_REGISTRY_TEXT) {
                        strError = "a list element longer than 65,535 bytes";
                        return false;
                    }
                    out.U16(static_cast<std::uint32_t>(strElement.size()));
                    out.Bytes(strElement);
                }
            }
        }
    }
    scratch.nRecordSize = static_cast<size_t>(out.p - scratch.pRecord.get());
    return true;
}

// Sections are encoded independently; only their order in the file is fixed. With a second
// core, a helper thread encodes every other batch of sections while the caller encodes and
// writes the rest in order. Two batch buffers, each sized once from its INI text, bound the
// memory it adds to a few hundred kilobytes.
constexpr std::uint32_t BATCH_SECTIONS = 64;

class CBatchHelper {
public:
    CBatchHelper(const std::vector<SSection>& sections, std::string_view strIni)
        : m_sections(sections), m_strIni(strIni) {}
    ~CBatchHelper() {
        if (!m_thread.joinable()) return;
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    CBatchHelper(const CBatchHelper&) = delete;
    CBatchHelper& operator=(const CBatchHelper&) = delete;

    void Start() { m_thread = std::thread([this] { Run(); }); }
    // The helper's batches are the odd ones, once it runs.
    bool Takes(std::uint32_t nBatch) const { return m_thread.joinable() && nBatch % 2 == 1; }

    // Waits for the batch and hands its records to put in order; false with the error of the
    // first section that failed, or put's own.
    template <class FPut>
    bool Deliver(std::uint32_t nBatch, FPut& put, std::string& strError) {
        SBatch& batch = m_batches[(nBatch / 2) % 2];
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [&] { return batch.bReady && batch.nBatch == nBatch; });
        }
        const std::uint32_t nBegin = nBatch * BATCH_SECTIONS;
        size_t nAt = 0;
        for (std::uint32_t k = 0; k < batch.sizes.size(); ++k) {
            if (!put(nBegin + k, batch.records.data() + nAt, batch.sizes[k])) return false;
            nAt += batch.sizes[k];
        }
        if (batch.bFailed) {
            strError = batch.strError;
            return false;
        }
        {
            std::lock_guard lock(m_mutex);
            batch.bReady = false;
        }
        m_changed.notify_all();
        return true;
    }

private:
    struct SBatch {
        std::uint32_t nBatch = 0;
        bool bReady = false;   // encoded and not yet delivered
        bool bFailed = false;  // the section after the last size failed with strError
        std::string records;
        std::vector<std::uint32_t> sizes;
        std::string strError;
    };

    void Run() {
        SScratch scratch;
        std::vector<SEntry> entries;
        const auto nSections = static_cast<std::uint32_t>(m_sections.size());
        for (std::uint32_t nBatch = 1; nBatch * BATCH_SECTIONS < nSections; nBatch += 2) {
            SBatch& batch = m_batches[(nBatch / 2) % 2];
            {
                std::unique_lock lock(m_mutex);
                m_changed.wait(lock, [&] { return m_bStop || !batch.bReady; });
                if (m_bStop) return;
            }
            const std::uint32_t nFirst = nBatch * BATCH_SECTIONS;
            const SSection& last = m_sections[std::min(nSections, nFirst + BATCH_SECTIONS) - 1];
            // Records take about 1.4 times their INI text; a section name and slots come on top.
            const size_t nText = last.nBodyEnd - m_sections[nFirst].nBodyBegin;
            batch.records.clear();
            batch.records.reserve(nText + nText / 2 + 4096);
            batch.sizes.clear();
            batch.bFailed = false;
            const std::uint32_t nBegin = nBatch * BATCH_SECTIONS;
            const std::uint32_t nEnd = std::min(nSections, nBegin + BATCH_SECTIONS);
            for (std::uint32_t i = nBegin; i < nEnd; ++i) {
                if (!EncodeSection(m_sections[i], m_strIni, entries, scratch, batch.strError)) {
                    batch.bFailed = true;
                    break;
                }
                batch.records.append(scratch.pRecord.get(), scratch.nRecordSize);
                batch.sizes.push_back(static_cast<std::uint32_t>(scratch.nRecordSize));
            }
            {
                std::lock_guard lock(m_mutex);
                batch.nBatch = nBatch;
                batch.bReady = true;
            }
            m_changed.notify_all();
            if (batch.bFailed) return;  // nothing after a failed section is ever written
        }
    }

    const std::vector<SSection>& m_sections;
    std::string_view m_strIni;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    SBatch m_batches[2];
    bool m_bStop = false;
    std::thread m_thread;
};

class CMemorySink : public IRegistrySink {
public:
    explicit CMemorySink(std::string& strOut) : m_strOut(strOut) { m_strOut.clear(); }
    bool Append(const void* pData, std::size_t nSize) override {
        m_strOut.append(static_cast<const char*>(pData), nSize);
        return true;
    }
    bool Patch(std::uint64_t nOffset, const void* pData, std::size_t nSize) override {
        if (nOffset > m_strOut.size() || nSize > m_strOut.size() - nOffset) return false;
        std::memcpy(m_strOut.data() + nOffset, pData, nSize);
        return true;
    }

private:
    std::string& m_strOut;
};

class CFileSink : public IRegistrySink {
public:
    // nExpected: about what will be written, so that the block buffer is sized once.
    bool Open(const char* pszPath, std::uint64_t nExpected) {
        m_buffer.reserve(static_cast<size_t>(std::min<std::uint64_t>(nExpected, BUFFER_LIMIT)));
        return m_file.Open(pszPath, platform::FileMode::CreateNew);
    }
    bool Append(const void* pData, std::size_t nSize) override {
        const auto* p = static_cast<const char*>(pData);
        // Gathered into large writes: one system call per 256 KiB rather than per section.
        if (m_buffer.size() + nSize > BUFFER_LIMIT && !Flush()) return false;
        if (nSize > BUFFER_LIMIT) return m_file.Write(p, static_cast<std::uint32_t>(nSize));
        m_buffer.append(p, nSize);
        return true;
    }
    bool Patch(std::uint64_t nOffset, const void* pData, std::size_t nSize) override {
        return Flush() && m_file.Seek(nOffset) &&
               m_file.Write(pData, static_cast<std::uint32_t>(nSize));
    }
    bool Close() { return Flush() && m_file.Close(); }

private:
    // Small enough to stay in the cache and to cost few page faults on a small file.
    static constexpr std::size_t BUFFER_LIMIT = 256 << 10;
    bool Flush() {
        const bool bWritten =
            m_buffer.empty() || m_file.Write(m_buffer.data(), static_cast<std::uint32_t>(m_buffer.size()));
        m_buffer.clear();
        return bWritten;
    }
    platform::CFile m_file;
    std::string m_buffer;
};
}  // namespace

bool ConvertIni(std::string_view strIni, IRegistrySink& sink, std::string& strError) {
    // Pass 1: the sections, each named once (the first of a repeated name wins). Section lines
    // are rare among key lines: look for '[' and check that it starts a line.
    std::vector<SSection> sections;
    // Reserved once, for a section per 32 bytes of text (a file of smaller sections only grows
    // it): growing by doubling copied the list sixteen times. Untouched capacity costs no memory.
    sections.reserve(std::min<size_t>(strIni.size() / 32 + 16, MAX_REGISTRY_ENTRIES + 1));
    NoCaseSet names;
    bool bInKeptSection = false;
    for (size_t nBracket = strIni.find('['); nBracket != std::string_view::npos;
         nBracket = strIni.find('[', nBracket + 1)) {
        if (nBracket != 0 && strIni[nBracket - 1] != '\n') continue;
        size_t nPos = nBracket;
        std::string_view strLine;
        NextLine(strIni, nPos, strLine);
        if (bInKeptSection) sections.back().nBodyEnd = nBracket;
        const std::string_view strName = SectionNameOf(strLine);
        bInKeptSection = names.insert(strName).second;
        if (!bInKeptSection) continue;
        // Refused where it is met: the rest of a file that cannot be converted is not read.
        if (sections.size() == MAX_REGISTRY_ENTRIES) {
            strError = "the INI file holds at least 65536 sections (the 65,536th is \"" +
                       std::string(strName.substr(0, 80)) +
                       "\"); a registry file holds at most 65,535";
            return false;
        }
        sections.push_back(SSection{strName, std::min(nPos, strIni.size()), strIni.size()});
    }
    NoCaseSet().swap(names);  // not needed from here on: its memory goes before the output's

    // Pass 2: header space, then one record per section, written as they are encoded.
    const std::uint32_t nSections = static_cast<std::uint32_t>(sections.size());
    const std::uint64_t nHeaderSize = REGISTRY_HEADER_SIZE + std::uint64_t{REGISTRY_SLOT_SIZE} * nSections;
    std::string strHeader(static_cast<size_t>(nHeaderSize), '\0');
    if (!sink.Append(strHeader.data(), strHeader.size())) {
        strError = "cannot write the registry file";
        return false;
    }
    std::vector<std::uint32_t> recordOffset(nSections);
    std::uint64_t nWritten = nHeaderSize;
    SScratch scratch;
    std::vector<SEntry> entries;
    // Records in section order; a section that cannot be encoded, or the first record past
    // 2 GiB, ends the conversion there, whichever comes first in that order.
    auto put = [&](std::uint32_t i, const char* pRecord, size_t nSize) {
        if (nWritten + nSize > MAX_REGISTRY_FILE) {
            strError = "the registry file would pass 2 GiB";
            return false;
        }
        recordOffset[i] = static_cast<std::uint32_t>(nWritten);
        if (!sink.Append(pRecord, nSize)) {
            strError = "cannot write the registry file";
            return false;
        }
        nWritten += nSize;
        return true;
    };
    CBatchHelper helper(sections, strIni);
    if (nSections >= 2 * BATCH_SECTIONS && std::thread::hardware_concurrency() > 1) helper.Start();
    for (std::uint32_t nBatch = 0; nBatch * BATCH_SECTIONS < nSections; ++nBatch) {
        const std::uint32_t nBegin = nBatch * BATCH_SECTIONS;
        const std::uint32_t nEnd = std::min(nSections, nBegin + BATCH_SECTIONS);
        if (helper.Takes(nBatch)) {
            if (!helper.Deliver(nBatch, put, strError)) return false;
            continue;
        }
        for (std::uint32_t i = nBegin; i < nEnd; ++i)
            if (!EncodeSection(sections[i], strIni, entries, scratch, strError) ||
                !put(i, scratch.pRecord.get(), scratch.nRecordSize))
                return false;
    }

    scratch.homes.resize(nSections);
    for (std::uint32_t i = 0; i < nSections; ++i)
        scratch.homes[i] = HashName(sections[i].name, nSections);
    LayOutChains(scratch);
    const std::vector<std::uint32_t>& slotOf = scratch.slotOf;
    const std::vector<std::uint16_t>& next = scratch.next;
    WriteU32(strHeader.data(), REGISTRY_MAGIC);
    WriteU16(strHeader.data() + 4, nSections);
    for (std::uint32_t i = 0; i < nSections; ++i) {
        char* pSlot = strHeader.data() + REGISTRY_HEADER_SIZE + std::size_t{REGISTRY_SLOT_SIZE} * slotOf[i];
        WriteU16(pSlot, next[slotOf[i]]);
        WriteU32(pSlot + 2, recordOffset[i]);
    }
    if (!sink.Patch(0, strHeader.data(), strHeader.size())) {
        strError = "cannot write the registry file";
        return false;
    }
    return true;
}

bool ConvertIniToMemory(std::string_view strIni, std::string& strRegistry, std::string& strError) {
    CMemorySink sink(strRegistry);
    return ConvertIni(strIni, sink, strError);
}

namespace {
// The INI file mapped read-only (no copy of it in memory); an empty file maps as empty text.
class CInputView {
public:
    ~CInputView() {
        platform::UnmapView(m_pData, m_nSize);
        if (m_hMapping != platform::INVALID_HANDLE) platform::CloseMapping(m_hMapping);
        platform::CloseFileHandle(m_hFile);
    }
    bool Open(const char* pszPath, std::string& strError) {
        if (!platform::OpenForMapping(pszPath, m_hFile) || !platform::FileSize(m_hFile, m_nSize)) {
            strError = std::string("cannot open \"") + pszPath + "\"";
            return false;
        }
        if (m_nSize >= MAX_REGISTRY_FILE) {
            strError = std::string("\"") + pszPath + "\" is larger than 2 GiB";
            return false;
        }
        if (m_nSize > 0 && (!platform::CreateReadOnlyMapping(m_hFile, m_nSize, m_hMapping) ||
                            !platform::MapView(m_hMapping, m_hFile, m_nSize, m_pData))) {
            strError = std::string("cannot read \"") + pszPath + "\"";
            return false;
        }
        return true;
    }
    std::string_view Text() const {
        return m_pData ? std::string_view(reinterpret_cast<const char*>(m_pData), m_nSize) : "";
    }

private:
    platform::Handle m_hFile = platform::INVALID_HANDLE;
    platform::Handle m_hMapping = platform::INVALID_HANDLE;
    const std::uint8_t* m_pData = nullptr;
    std::uint64_t m_nSize = 0;
};
}  // namespace

bool ConvertIniFile(const char* pszIniPath, const char* pszRegPath, std::string& strError) {
    CInputView input;
    if (!input.Open(pszIniPath, strError)) return false;
    const std::string_view strIni = input.Text();

    const auto write = [&](const char* pszTemp) {
        CFileSink sink;
        // A registry file comes out about 1.4 times the size of its INI text.
        if (!sink.Open(pszTemp, strIni.size() + strIni.size() / 2 + REGISTRY_HEADER_SIZE)) {
            strError = std::string("cannot create \"") + pszTemp + "\"";
            return false;
        }
        bool bConverted = ConvertIni(strIni, sink, strError);
        if (!sink.Close() && bConverted) {
            strError = std::string("cannot write \"") + pszTemp + "\"";
            bConverted = false;
        }
        return bConverted;
    };
    return platform::WriteThroughTemporary(pszRegPath, write, [&](bool bRenaming) {
        if (bRenaming) strError = std::string("cannot create \"") + pszRegPath + "\"";
    });
}
