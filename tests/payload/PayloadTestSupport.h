// Shared pieces of the payload tests: a sandbox folder, a file back-end that records what the
// reader asks of it, an observer that records what it is told, and archive helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "payload/NativeFileSystem.h"
#include "payload/Notification.h"
#include "payload/PayloadBuilder.h"
#include "payload/Utf16.h"

namespace sv::test {

inline Utf16String U(std::string_view utf8) { return Utf16FromUtf8(utf8); }

// A fresh folder under the system's temporary folder, removed with everything below it.
class Sandbox {
public:
    Sandbox() {
        std::random_device random;
        root_ = std::filesystem::temp_directory_path() / ("sv-payload-test-" + std::to_string(random()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_);
    }
    ~Sandbox() {
        std::error_code ec;
        for (const auto& item : std::filesystem::recursive_directory_iterator(root_, ec)) {
            std::filesystem::permissions(item.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        }
        std::filesystem::remove_all(root_, ec);
    }
    Sandbox(const Sandbox&) = delete;
    Sandbox& operator=(const Sandbox&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    // With the platform's separators, as the reader joins paths.
    Utf16String Path(std::string_view relative = {}) const {
        return Preferred(relative.empty() ? root_ : root_ / std::filesystem::path(std::string(relative)));
    }
    static Utf16String Preferred(std::filesystem::path path) { return FromFsPath(path.make_preferred()); }

private:
    std::filesystem::path root_;
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

inline void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The native back-end with every platform question answered by the test: shell folders below the
// sandbox, grants and pauses recorded, sharing violations and tampering on demand.
class TestFileSystem : public NativeFileSystem {
public:
    std::vector<Utf16String> grants;
    int pauses = 0;
    int sharingViolations = 0;        // the next n reads meet a sharing violation
    std::function<void(const Utf16String&)> beforeReadBack;  // e.g. another process changing the file
    std::vector<Utf16String> opened;  // files created for writing

    void GrantUsersFullAccess(const Utf16String& folder) override { grants.push_back(folder); }
    void PauseBeforeRetry() override { ++pauses; }
    ReadOutcome ReadBlocks(const Utf16String& path, const BlockSink& sink) override {
        if (sharingViolations > 0) {
            --sharingViolations;
            return ReadOutcome::sharing_violation;
        }
        if (beforeReadBack) beforeReadBack(path);
        return NativeFileSystem::ReadBlocks(path, sink);
    }
    std::unique_ptr<OutputFile> CreateOutputFile(const Utf16String& path) override {
        opened.push_back(path);
        return NativeFileSystem::CreateOutputFile(path);
    }
};

// Records every notification; answers through a rule (proceed by default).
struct RecordingObserver {
    std::vector<notification> events;
    std::function<notification::result(const notification&)> answer;

    PayloadObserver Callable() {
        return [this](notification n) {
            events.push_back(n);
            return answer ? answer(events.back()) : notification::proceed;
        };
    }
    std::vector<std::size_t> Indexes() const {
        std::vector<std::size_t> indexes;
        for (const auto& n : events) indexes.push_back(n.index());
        return indexes;
    }
    template <typename Alternative>
    std::vector<Alternative> All() const {
        std::vector<Alternative> found;
        for (const auto& n : events) {
            if (const auto* a = std::get_if<Alternative>(&n.event)) found.push_back(*a);
        }
        return found;
    }
};

inline std::string RawArchive(const std::vector<ArchiveEntry>& entries) {
    std::ostringstream out;
    WriteArchive(out, entries);
    return out.str();
}

inline std::string Payload(const std::vector<ArchiveEntry>& entries) {
    std::ostringstream out;
    WritePayload(out, entries);
    return out.str();
}

inline ArchiveEntry Entry(std::string_view source, std::string_view folder, std::string bytes, std::uint32_t kind = 0) {
    return EntryFromBytes(U(source), U(folder), kind, std::move(bytes));
}

}  // namespace sv::test
