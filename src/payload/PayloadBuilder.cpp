#include "payload/PayloadBuilder.h"

#include <boost/crc.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/array.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <algorithm>
#include <array>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace sv {
namespace {

namespace io = boost::iostreams;

void PutNumber(std::string& out, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

void PutText(std::string& out, Utf16View text) {
    PutNumber(out, text.size(), 4);
    for (const Utf16Char unit : text) PutNumber(out, static_cast<std::uint16_t>(unit), 2);
}

void WriteEntries(std::ostream& out, const std::vector<ArchiveEntry>& entries) {
    const std::string header = EncodeHeader(entries);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    for (const auto& entry : entries) {
        const std::uint64_t written = entry.writeData ? entry.writeData(out) : 0;
        if (written != entry.size) {
            throw std::runtime_error("entry data of " + Utf8FromUtf16(entry.sourcePath) + " has " +
                                     std::to_string(written) + " bytes instead of " + std::to_string(entry.size));
        }
    }
}

}  // namespace

std::uint32_t Crc32(std::string_view bytes) {
    boost::crc_32_type crc;
    crc.process_bytes(bytes.data(), bytes.size());
    return crc.checksum();
}

ArchiveEntry EntryFromBytes(Utf16String sourcePath, Utf16String destinationFolder, std::uint32_t kind,
                            std::string bytes) {
    ArchiveEntry entry{std::move(sourcePath), std::move(destinationFolder), kind, bytes.size(), Crc32(bytes), {}};
    entry.writeData = [bytes = std::move(bytes)](std::ostream& out) {
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return std::uint64_t{bytes.size()};
    };
    return entry;
}

std::vector<ArchiveEntry> WritePayloadFromFiles(std::ostream& out, const std::vector<SourceFile>& sources,
                                                std::iostream& spool) {
    std::vector<ArchiveEntry> entries;
    entries.reserve(sources.size());
    std::array<char, 65536> block;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const SourceFile& source = sources[i];
        std::ifstream in(source.file, std::ios_base::binary);
        if (!in) throw SourceReadError(i, "cannot open source file " + source.file.string());
        boost::crc_32_type crc;
        std::uint64_t size = 0;
        try {
            while (in.read(block.data(), block.size()) || in.gcount() > 0) {
                const auto got = static_cast<std::size_t>(in.gcount());
                crc.process_bytes(block.data(), got);
                spool.write(block.data(), static_cast<std::streamsize>(got));
                size += got;
            }
        } catch (const std::exception&) {
            in.setstate(std::ios_base::badbit);
        }
        if (in.bad()) throw SourceReadError(i, "cannot read source file " + source.file.string());
        if (!spool) throw std::runtime_error("cannot write the spool file");
        entries.push_back({source.sourcePath, source.destinationFolder, source.kind, size, crc.checksum(), {}});
    }
    spool.flush();
    spool.seekg(0);
    if (!spool) throw std::runtime_error("cannot read the spool file back");
    for (auto& entry : entries) {
        entry.writeData = [&spool, &block, size = entry.size](std::ostream& sink) {
            std::uint64_t left = size;
            while (left > 0 && spool) {
                const auto want = static_cast<std::streamsize>(std::min<std::uint64_t>(left, block.size()));
                spool.read(block.data(), want);
                sink.write(block.data(), spool.gcount());
                left -= static_cast<std::uint64_t>(spool.gcount());
            }
            return size - left;
        };
    }
    WritePayload(out, entries);
    for (auto& entry : entries) entry.writeData = nullptr;
    return entries;
}

std::string EncodeHeader(const std::vector<ArchiveEntry>& entries) {
    std::string records;
    for (const auto& entry : entries) {
        PutText(records, entry.sourcePath);
        PutText(records, entry.destinationFolder);
        PutNumber(records, entry.kind, 4);
        PutNumber(records, entry.size, 8);
        PutNumber(records, entry.crc, 4);
    }
    std::string header;
    PutNumber(header, 12 + records.size(), 8);
    PutNumber(header, entries.size(), 4);
    return header + records;
}

void WriteArchive(std::ostream& out, const std::vector<ArchiveEntry>& entries) { WriteEntries(out, entries); }

void WritePayload(std::ostream& out, const std::vector<ArchiveEntry>& entries) {
    io::filtering_ostream compressed;
    compressed.push(io::bzip2_compressor());
    compressed.push(out);
    WriteEntries(compressed, entries);
    const bool written = compressed.good();
    compressed.reset();  // ends the bzip2 stream
    if (!written || !out) throw std::runtime_error("cannot write the payload");
}

std::string Bzip2Compress(std::string_view bytes) {
    std::ostringstream result;
    io::filtering_ostream compressed;
    compressed.push(io::bzip2_compressor());
    compressed.push(result);
    compressed.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    compressed.reset();
    return std::move(result).str();
}

std::string Bzip2Decompress(std::string_view compressed) {
    std::ostringstream result;
    io::filtering_istream in;
    in.push(io::bzip2_decompressor());
    in.push(io::array_source(compressed.data(), compressed.size()));
    io::copy(in, result);
    return std::move(result).str();
}

}  // namespace sv
