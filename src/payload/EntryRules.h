// The mistakes that the payload tool refuses in an entry table, before it builds a payload and
// when it checks one: destinations that do not begin with a placeholder token the installer
// knows (the installer would write relative to its current folder, or anywhere), empty file
// names, kinds the installer does not know, and two entries writing the same file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "payload/Utf16.h"

namespace sv {

struct EntryRules {
    bool allowAbsoluteDestinations = false;  // a destination that is an absolute folder, without token
    bool allowAnyKind = false;               // kinds beyond 0 to 5
};

struct EntryText {
    Utf16String sourcePath;         // its file name is the installed file's name
    Utf16String destinationFolder;  // as stored in the table
    std::uint32_t kind = 0;
};

struct EntryProblem {
    std::size_t entry = 0;                 // index in the table
    std::string message;                   // UTF-8, without the entry's place
    std::optional<std::size_t> sameAs;     // for a duplicate: the entry written first
};

// Every problem of every entry, in table order; at most one per entry.
std::vector<EntryProblem> CheckEntries(const std::vector<EntryText>& entries, const EntryRules& rules);

// What a table must stay below for the installer to read it: count and header size.
// Empty when it fits; otherwise the message.
std::string CheckTableSize(std::uint64_t entryCount, std::uint64_t headerSize);

}  // namespace sv
