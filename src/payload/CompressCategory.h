// The payload reader's error category, "compress".
#pragma once

#include <system_error>

namespace sv {

enum class compress_errc {
    invalid_checksum = 3,  // a written file's CRC-32 differs from its table entry
    unknown = 4,           // the read-through check of the payload failed
    interrupted = 5,       // the observer answered abort
    bzip2_error = 6,       // the bzip2 decompressor reported an error
    unexpected = 7,        // malformed or truncated archive, surplus data, missing special folder, ...
};

const std::error_category& compress_category() noexcept;

inline std::error_code make_error_code(compress_errc code) noexcept {
    return {static_cast<int>(code), compress_category()};
}

// Raises std::system_error with the given code of compress_category.
[[noreturn]] void RaiseCompressError(compress_errc code);

}  // namespace sv

template <>
struct std::is_error_code_enum<sv::compress_errc> : std::true_type {};
