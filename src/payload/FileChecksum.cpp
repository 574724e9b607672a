#include "payload/FileChecksum.h"

#include <boost/crc.hpp>

#include <ios>

namespace sv {

std::uint32_t FileChecksum(PayloadFileSystem& fileSystem, const Utf16String& path) {
    constexpr int kRetries = 3;
    for (int attempt = 0;; ++attempt) {
        boost::crc_32_type crc;
        const ReadOutcome outcome = fileSystem.ReadBlocks(
            path, [&crc](const char* data, std::size_t size) { crc.process_bytes(data, size); });
        if (outcome == ReadOutcome::complete) return crc.checksum();
        if (outcome == ReadOutcome::sharing_violation && attempt < kRetries) {
            fileSystem.PauseBeforeRetry();
            continue;
        }
        throw std::ios_base::failure("cannot read the written file back");
    }
}

}  // namespace sv
