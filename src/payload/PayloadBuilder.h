// Writes payload archives: the header with its entry table, the entries' data in table order,
// all in one bzip2 stream. Used by the publisher's payload tool, the benchmark and the tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "payload/Utf16.h"

namespace sv {

struct ArchiveEntry {
    Utf16String sourcePath;
    Utf16String destinationFolder;  // may begin with a placeholder token
    std::uint32_t kind = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    // Writes the entry's data and returns the byte count written (checked against size).
    std::function<std::uint64_t(std::ostream&)> writeData;
};

std::uint32_t Crc32(std::string_view bytes);

ArchiveEntry EntryFromBytes(Utf16String sourcePath, Utf16String destinationFolder, std::uint32_t kind,
                            std::string bytes);

// An entry whose data is a file of the machine that builds the payload.
struct SourceFile {
    std::filesystem::path file;
    Utf16String sourcePath;  // stored in the table as given
    Utf16String destinationFolder;
    std::uint32_t kind = 0;
};

// A source file that cannot be read (entry: its index in the list given).
struct SourceReadError : std::runtime_error {
    SourceReadError(std::size_t entryIndex, const std::string& message)
        : std::runtime_error(message), entry(entryIndex) {}
    std::size_t entry;
};

// Writes the payload of files reading each source once: its bytes go into spool (a read-write
// stream, truncated) while its size and CRC-32 are measured from those very bytes; then the
// header and the spooled bytes are compressed into out. A file that changes meanwhile cannot
// make its entry's size or checksum disagree with its data. Returns the table written (without
// writeData). Raises SourceReadError for a source that cannot be read, std::runtime_error when
// the spool or out fails.
std::vector<ArchiveEntry> WritePayloadFromFiles(std::ostream& out, const std::vector<SourceFile>& sources,
                                                std::iostream& spool);

// The header: headerSize, entryCount and the records, little-endian.
std::string EncodeHeader(const std::vector<ArchiveEntry>& entries);

// The decompressed archive (header and data) into out.
void WriteArchive(std::ostream& out, const std::vector<ArchiveEntry>& entries);

// The payload: the archive compressed as one bzip2 stream. Raises std::runtime_error when an
// entry's data does not have its announced size.
void WritePayload(std::ostream& out, const std::vector<ArchiveEntry>& entries);

// One bzip2 stream holding bytes, and its inverse.
std::string Bzip2Compress(std::string_view bytes);
std::string Bzip2Decompress(std::string_view compressed);

}  // namespace sv
