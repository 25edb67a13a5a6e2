#include "tools/workbook/ZipWriter.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace {

constexpr std::uint64_t MAX_SIZE = 0xFFFFFFFEu;  // 0xFFFFFFFF itself says "look in zip64"
constexpr std::uint32_t MAX_ENTRIES = 0xFFFF;
constexpr std::uint16_t VERSION_NEEDED = 20;  // deflate
constexpr std::uint16_t FLAG_UTF8_NAME = 1u << 11;
constexpr std::uint16_t METHOD_STORED = 0, METHOD_DEFLATED = 8;
constexpr std::uint16_t DOS_DATE_1980 = (1u << 5) | 1u;  // 1 January 1980: reproducible output

void Put16(std::string& str, std::uint32_t n) {
    str += static_cast<char>(n & 0xFF);
    str += static_cast<char>((n >> 8) & 0xFF);
}

void Put32(std::string& str, std::uint64_t n) {
    Put16(str, static_cast<std::uint32_t>(n & 0xFFFF));
    Put16(str, static_cast<std::uint32_t>((n >> 16) & 0xFFFF));
}

// zlib counts in uInt: feed it pieces that fit.
constexpr std::size_t PIECE = 1u << 30;

std::uint32_t Crc32Of(std::string_view data) {
    uLong nCrc = crc32(0L, Z_NULL, 0);
    for (std::size_t nAt = 0; nAt < data.size(); nAt += PIECE) {
        const std::size_t nLength = std::min(PIECE, data.size() - nAt);
        nCrc = crc32(nCrc, reinterpret_cast<const Bytef*>(data.data() + nAt),
                     static_cast<uInt>(nLength));
    }
    return static_cast<std::uint32_t>(nCrc);
}

// Raw deflate, as zip wants it (no zlib header). Empty on failure, which the caller then stores.
// The fastest level: deflating took most of the time of writing a workbook of large tables, and
// the file it saves is only a little larger.
std::string Deflated(std::string_view data) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    std::string strOut;
    char buffer[1u << 16];
    std::size_t nAt = 0;
    int nResult = Z_OK;
    while (nResult != Z_STREAM_END) {
        if (stream.avail_in == 0 && nAt < data.size()) {
            const std::size_t nLength = std::min(PIECE, data.size() - nAt);
            // zlib's interface is not const-correct; it never writes through next_in.
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data() + nAt));
            stream.avail_in = static_cast<uInt>(nLength);
            nAt += nLength;
        }
        stream.next_out = reinterpret_cast<Bytef*>(buffer);
        stream.avail_out = sizeof buffer;
        nResult = deflate(&stream, nAt == data.size() ? Z_FINISH : Z_NO_FLUSH);
        strOut.append(buffer, sizeof buffer - stream.avail_out);
        if (nResult != Z_OK && nResult != Z_STREAM_END && nResult != Z_BUF_ERROR) break;
    }
    deflateEnd(&stream);
    return nResult == Z_STREAM_END ? strOut : std::string();
}

}  // namespace

void CZipWriter::Add(std::string_view strName, std::string_view data) {
    if (strName.size() > 0xFFFF) throw std::length_error("CZipWriter::Add(): too long a name");
    if (data.size() > MAX_SIZE)
        throw std::length_error("CZipWriter::Add(): entry of 4 GiB or more");
    if (m_nEntries >= MAX_ENTRIES) throw std::length_error("CZipWriter::Add(): too many entries");
    if (m_strArchive.size() > MAX_SIZE) {
        throw std::length_error("CZipWriter::Add(): archive of 4 GiB or more");
    }
    const std::uint32_t nCrc = Crc32Of(data);
    std::string strDeflated = data.empty() ? std::string() : Deflated(data);
    const bool bDeflate = !strDeflated.empty() && strDeflated.size() < data.size();
    const std::string_view stored = bDeflate ? std::string_view(strDeflated) : data;

    // The fields a local header and its central record share, from the version needed on.
    std::string strCommon;
    Put16(strCommon, VERSION_NEEDED);
    Put16(strCommon, FLAG_UTF8_NAME);
    Put16(strCommon, bDeflate ? METHOD_DEFLATED : METHOD_STORED);
    Put16(strCommon, 0);  // time
    Put16(strCommon, DOS_DATE_1980);
    Put32(strCommon, nCrc);
    Put32(strCommon, stored.size());
    Put32(strCommon, data.size());
    Put16(strCommon, static_cast<std::uint32_t>(strName.size()));
    Put16(strCommon, 0);  // extra field

    const std::uint64_t nOffset = m_strArchive.size();
    Put32(m_strArchive, 0x04034b50);
    m_strArchive += strCommon;
    m_strArchive += strName;
    m_strArchive += stored;

    Put32(m_strDirectory, 0x02014b50);
    Put16(m_strDirectory, VERSION_NEEDED);  // made by: MS-DOS attributes, version 2.0
    m_strDirectory += strCommon;
    Put16(m_strDirectory, 0);  // comment
    Put16(m_strDirectory, 0);  // disk
    Put16(m_strDirectory, 0);  // internal attributes
    Put32(m_strDirectory, 0);  // external attributes
    Put32(m_strDirectory, nOffset);
    m_strDirectory += strName;
    ++m_nEntries;
}

std::string CZipWriter::Finish() {
    if (m_strArchive.size() > MAX_SIZE || m_strDirectory.size() > MAX_SIZE) {
        throw std::length_error("CZipWriter::Finish(): archive of 4 GiB or more");
    }
    std::string strOut = std::move(m_strArchive);
    const std::uint64_t nDirectoryOffset = strOut.size();
    strOut += m_strDirectory;
    Put32(strOut, 0x06054b50);
    Put16(strOut, 0);  // this disk
    Put16(strOut, 0);  // the directory's disk
    Put16(strOut, m_nEntries);
    Put16(strOut, m_nEntries);
    Put32(strOut, m_strDirectory.size());
    Put32(strOut, nDirectoryOffset);
    Put16(strOut, 0);  // comment
    m_strArchive.clear();
    m_strDirectory.clear();
    m_nEntries = 0;
    return strOut;
}
