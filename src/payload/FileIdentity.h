// What a file is, independently of the path that names it: the volume's serial number and the
// file's index on that volume. A file swapped for another at the same path has another identity.
#pragma once

#include <cstdint>

namespace sv {

struct FileIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

}  // namespace sv
