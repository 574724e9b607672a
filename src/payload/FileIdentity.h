// What a file is, independently of the path that names it: the volume's serial number and the
// file's index on that volume. A file swapped for another at the same path has another identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace sv {

struct FileIdentity {
    std::uint64_t volumeSerial = 0;  // wide enough for a POSIX device number too
    std::uint64_t fileIndex = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

struct FileIdentityHash {
    std::size_t operator()(const FileIdentity& id) const noexcept {
        return std::hash<std::uint64_t>{}(id.volumeSerial * 0x9E3779B97F4A7C15ull ^ id.fileIndex);
    }
};

}  // namespace sv
