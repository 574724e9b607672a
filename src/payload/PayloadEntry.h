// One record of the payload archive's entry table.
#pragma once

#include <cstdint>

#include "payload/Utf16.h"

namespace sv {

// What an entry is for. The reader treats every kind alike; the installer's file rules give them
// their meaning and treat unknown values like ProgramFile.
enum class EntryKind : std::uint32_t {
    ProgramFile = 0,
    MainExecutable = 1,
    Uninstaller = 2,
    SharedDataFile = 3,
    SampleFile = 4,
    TemporaryFile = 5,
};

struct PayloadEntry {
    Utf16String sourcePath;       // path on the machine that built the payload; only its file name is used
    Utf16String destinationPath;  // the record's destination folder while the table is read, then the full file path
    EntryKind kind = EntryKind::ProgramFile;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;

    friend bool operator==(const PayloadEntry&, const PayloadEntry&) = default;
};

}  // namespace sv
