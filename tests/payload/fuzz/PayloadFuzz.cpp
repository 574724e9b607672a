// libFuzzer target: the header and table parsing and the write operation, fed with arbitrary
// decompressed archives in arbitrary block sizes; inputs starting with "BZh" go through the whole
// reader (decompression, extraction, failure conversion). Files live in memory.
//
// Build and run: see README.md in this folder.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <system_error>

#include "payload/ExtractionState.h"
#include "payload/MemoryStream.h"
#include "payload/PathText.h"
#include "payload/PayloadReader.h"

namespace {

class MemoryFileSystem : public sv::PayloadFileSystem {
public:
    std::map<sv::Utf16String, std::string> files;

    void PrepareDestination(const sv::Utf16String&) override {}
    std::unique_ptr<sv::OutputFile> CreateOutputFile(const sv::Utf16String& path) override {
        class File : public sv::OutputFile {
        public:
            explicit File(std::string& bytes) : bytes_(bytes) {}
            void Write(const char* data, std::size_t size) override { bytes_.append(data, size); }
            void Close() override {}

        private:
            std::string& bytes_;
        };
        std::string& bytes = files[path];
        bytes.clear();
        return std::make_unique<File>(bytes);
    }
    sv::ReadOutcome ReadBlocks(const sv::Utf16String& path, const BlockSink& sink) override {
        const auto found = files.find(path);
        if (found == files.end()) return sv::ReadOutcome::failed;
        for (std::size_t i = 0; i < found->second.size(); i += 4096) {
            sink(found->second.data() + i, std::min<std::size_t>(4096, found->second.size() - i));
        }
        return sv::ReadOutcome::complete;
    }
    void PauseBeforeRetry() override {}
    sv::Utf16String ShellFolder(int csidl) override {
        return csidl == sv::csidl::kCommonDocuments ? sv::Utf16String() : SV_UTF16("V:\\") + sv::Utf16String(1, sv::Utf16Char('A' + csidl % 26));
    }
    bool IsFolder(const sv::Utf16String& path) override { return !path.empty() && path.size() % 3 != 0; }
    std::optional<bool> SameIdentity(const sv::Utf16String&, const sv::Utf16String&) override { return std::nullopt; }
    bool SameAbsolutePath(const sv::Utf16String& a, const sv::Utf16String& b) override { return a == b; }
    std::optional<sv::FileIdentity> Identity(const sv::Utf16String&) override { return std::nullopt; }
    sv::Utf16String AbsolutePathKey(const sv::Utf16String& path) override { return path; }  // as SameAbsolutePath
    void GrantUsersFullAccess(const sv::Utf16String&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFileSystem files;
    const auto observer = [](sv::notification n) {
        if (const auto* begin = std::get_if<sv::notification::file_begin>(&n.event)) {
            return begin->entry.size % 5 == 1 ? sv::notification::skip : sv::notification::proceed;
        }
        return sv::notification::proceed;
    };
    const auto* bytes = reinterpret_cast<const char*>(data);
    if (size >= 3 && bytes[0] == 'B' && bytes[1] == 'Z' && bytes[2] == 'h') {
        sv::imemstream in(bytes, size);
        sv::ExtractPayload(in, SV_UTF16("I"), SV_UTF16("S"), {}, observer, files);
        return 0;
    }
    if (size == 0) return 0;
    const std::size_t block = 1 + static_cast<unsigned char>(bytes[0]) % 64;
    std::optional<sv::ExtractionState> state;
    state.emplace(SV_UTF16("I"), SV_UTF16("Samples"), SV_UTF16(""), observer, files);
    try {
        const char* archive = bytes + 1;
        const std::size_t length = size - 1;
        for (std::size_t offset = 0; offset < length;) {
            const std::size_t n = std::min(block, length - offset);
            for (std::size_t done = 0; done < n;) done += state->Write(archive + offset + done, n - done);
            offset += n;
        }
        state->CompleteTrailingEmptyEntries();
    } catch (...) {
        sv::DescribeFailure(std::current_exception(), &*state);
    }
    return 0;
}
