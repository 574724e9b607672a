// The payload reader: a read-through check of the compressed payload, and the streaming
// extraction of its entries into their destination files.
#pragma once

#include <exception>
#include <functional>
#include <istream>

#include "payload/ExtractionState.h"
#include "payload/Notification.h"
#include "payload/PayloadFileSystem.h"

namespace sv {

inline constexpr std::streamsize kPayloadBlockSize = 4096;

// Decompresses the stream from its position to its end and drops the output. True when the
// bzip2 stream decoded without error and the stream is left good and at its end. Never raises.
// `betweenBlocks`, when given, is called after each block of compressed input has been read (the
// installer pumps its window's messages there); it changes nothing of what is read or decided.
bool VerifyPayload(std::istream& in, const std::function<void()>& betweenBlocks = {}) noexcept;

// Streams the archive into its destination files. Sends started first, finished last on success,
// failure (once) on any error, including errors raised by the observer; returns true on success.
// guard (optional) receives the users-writable folders of the destinations and outlives the
// extraction, so that a rollback can consult it.
bool ExtractPayload(std::istream& in, const Utf16String& installFolder, const Utf16String& samplesFolder,
                    const Utf16String& tempFolder, const PayloadObserver& observer, PayloadFileSystem& fileSystem,
                    LinkGuard* guard = nullptr);

// The code and message of the failure notification for an error raised during an extraction.
// state may be null (the error came before the extraction state existed).
notification::failure DescribeFailure(std::exception_ptr error, const ExtractionState* state);

}  // namespace sv
