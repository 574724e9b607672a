// CRC-32 (zlib / IEEE 802.3) of a file as stored on disk.
#pragma once

#include <cstdint>

#include "payload/PayloadFileSystem.h"

namespace sv {

// Reads the closed file back and returns its CRC-32. While another process holds the file the
// read is tried again after a pause, at most three more times. Raises std::ios_base::failure
// when the file cannot be read to its end.
std::uint32_t FileChecksum(PayloadFileSystem& fileSystem, const Utf16String& path);

}  // namespace sv
