#include "payload/PayloadReader.h"

#include <boost/iostreams/concepts.hpp>
#include <boost/iostreams/copy.hpp>
#include <boost/iostreams/device/null.hpp>
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>
#include <boost/system/system_error.hpp>

#include <filesystem>
#include <optional>

#include "payload/CompressCategory.h"

namespace sv {
namespace {

namespace io = boost::iostreams;

// The compressed input: reads through the stream's buffer (leaving the stream's state alone) and
// counts the bytes read.
class CountingSource : public io::source {
public:
    CountingSource(std::istream& in, std::uint64_t& count, const std::function<void()>* afterRead = nullptr)
        : in_(&in), count_(&count), afterRead_(afterRead) {}
    std::streamsize read(char* data, std::streamsize size) {
        std::streambuf* buffer = in_->rdbuf();
        const std::streamsize got = buffer ? buffer->sgetn(data, size) : 0;
        *count_ += static_cast<std::uint64_t>(got);
        if (afterRead_ && *afterRead_) (*afterRead_)();
        return got > 0 ? got : -1;
    }

private:
    std::istream* in_;
    std::uint64_t* count_;
    const std::function<void()>* afterRead_;
};

// The decompressed output of an extraction: offers every block to the write operation until it
// has accepted all of it (the write operation takes less at the end of the header or an entry).
class ArchiveSink : public io::sink {
public:
    explicit ArchiveSink(ExtractionState& state) : state_(&state) {}
    std::streamsize write(const char* data, std::streamsize size) {
        std::size_t done = 0;
        while (done < static_cast<std::size_t>(size)) {
            done += state_->Write(data + done, static_cast<std::size_t>(size) - done);
        }
        return size;
    }

private:
    ExtractionState* state_;
};

void Decompress(std::istream& in, std::uint64_t& compressedBytes, auto sink,
                const std::function<void()>* afterRead = nullptr) {
    io::filtering_istream decompressed;
    decompressed.push(io::bzip2_decompressor(false, kPayloadBlockSize), kPayloadBlockSize);
    decompressed.push(CountingSource(in, compressedBytes, afterRead), kPayloadBlockSize);
    io::copy(decompressed, sink, kPayloadBlockSize);
}

Utf16String PathText(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return path.u16string();
#endif
}

}  // namespace

bool VerifyPayload(std::istream& in, const std::function<void()>& betweenBlocks) noexcept {
    try {
        std::uint64_t compressedBytes = 0;
        Decompress(in, compressedBytes, io::null_sink(), &betweenBlocks);
        return in.good() && in.peek() == std::istream::traits_type::eof();
    } catch (...) {
        return false;
    }
}

bool ExtractPayload(std::istream& in, const Utf16String& installFolder, const Utf16String& samplesFolder,
                    const Utf16String& tempFolder, const PayloadObserver& observer, PayloadFileSystem& fileSystem,
                    LinkGuard* guard) {
    std::optional<ExtractionState> state;
    try {
        observer(notification{notification::started{}});
        state.emplace(installFolder, samplesFolder, tempFolder, observer, fileSystem, guard);
        std::uint64_t compressedBytes = 0;
        Decompress(in, compressedBytes, ArchiveSink(*state));
        state->CompleteTrailingEmptyEntries();
        if (!state->IsComplete()) RaiseCompressError(compress_errc::unexpected);
        observer(notification{notification::finished{compressedBytes, state->Total()}});
        return true;
    } catch (...) {
        auto failure = DescribeFailure(std::current_exception(), state ? &*state : nullptr);
        try {
            observer(notification{std::move(failure)});
        } catch (...) {
            // the answer to failure is ignored, and so is an error raised while handling it
        }
        return false;
    }
}

notification::failure DescribeFailure(std::exception_ptr error, const ExtractionState* state) {
    notification::failure failure;
    std::optional<Utf16String> namedPath;
    try {
        std::rethrow_exception(error);
    } catch (const io::bzip2_error&) {
        failure.code = make_error_code(compress_errc::bzip2_error);
    } catch (const std::filesystem::filesystem_error& e) {
        failure.code = e.code();
        try {
            if (!e.path1().empty()) namedPath = PathText(e.path1());
        } catch (...) {
            // a name that does not convert to UTF-16 is left out
        }
    } catch (const boost::system::system_error& e) {
        // Boost's system and generic codes are the platform's and the runtime's own.
        const auto& category = e.code().category();
        if (category == boost::system::system_category()) {
            failure.code = std::error_code(e.code().value(), std::system_category());
        } else if (category == boost::system::generic_category()) {
            failure.code = std::error_code(e.code().value(), std::generic_category());
        } else {
            failure.code = e.code();
        }
    } catch (const std::system_error& e) {
        failure.code = e.code();  // stream failures, compress_category, platform codes
    } catch (...) {
        failure.code = make_error_code(compress_errc::unexpected);
    }
    if (state && state->EntryOpen()) {
        failure.message = state->CurrentEntry().destinationPath;
    } else if (namedPath) {
        failure.message = std::move(*namedPath);
    }
    return failure;
}

}  // namespace sv
