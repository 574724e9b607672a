// The events the payload reader sends to its observer, and the observer's answer.
#pragma once

#include <cstdint>
#include <functional>
#include <system_error>
#include <variant>

#include "payload/PayloadEntry.h"

namespace sv {

struct notification {
    // The observer's answer. abort is honoured after file_begin, progress and file_end; skip after
    // file_begin. Any other value counts as proceed.
    enum result : int { proceed = 0, abort = 1, skip = 2 };

    struct started {};
    struct finished {
        std::uint64_t compressedBytes = 0;  // bytes read from the compressed input
        std::uint64_t total = 0;            // size of the decompressed archive
    };
    struct file_begin {
        PayloadEntry entry;  // destinationPath already resolved
    };
    struct file_end {
        PayloadEntry entry;
    };
    struct progress {
        std::uint64_t done = 0;   // archive bytes consumed, header included
        std::uint64_t total = 0;  // header size + all entry sizes
    };
    struct failure {
        std::error_code code;
        Utf16String message;  // the path concerned, or empty
    };

    // The index of each alternative is part of the contract: 0 started ... 5 failure.
    using event_type = std::variant<started, finished, file_begin, file_end, progress, failure>;
    event_type event;

    std::size_t index() const noexcept { return event.index(); }
};

using PayloadObserver = std::function<notification::result(notification)>;

}  // namespace sv
