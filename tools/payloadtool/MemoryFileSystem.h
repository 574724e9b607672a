// The reader's file back-end for checks that write nothing: each entry's bytes are kept in memory
// until the reader has read them back for their checksum, no folder is created or looked at, no
// access is granted. Holds one file at a time (the reader closes and checks each file before it
// opens the next).
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "payload/NativeFileSystem.h"

namespace sv::tool {

class MemoryFileSystem : public NativeFileSystem {
public:
    void PrepareDestination(const Utf16String&) override {}

    std::unique_ptr<OutputFile> CreateOutputFile(const Utf16String& path) override {
        path_ = path;
        bytes_.clear();
        return std::make_unique<MemoryFile>(bytes_);
    }

    ReadOutcome ReadBlocks(const Utf16String& path, const BlockSink& sink) override {
        if (path != path_) return ReadOutcome::failed;
        for (std::size_t at = 0; at < bytes_.size(); at += 4096) {
            sink(bytes_.data() + at, std::min<std::size_t>(4096, bytes_.size() - at));
        }
        std::string().swap(bytes_);
        path_.clear();
        return ReadOutcome::complete;
    }

    void PauseBeforeRetry() override {}
    bool IsFolder(const Utf16String&) override { return false; }
    std::optional<FileIdentity> Identity(const Utf16String&) override { return std::nullopt; }
    std::optional<bool> SameIdentity(const Utf16String&, const Utf16String&) override { return std::nullopt; }
    void GrantUsersFullAccess(const Utf16String&) override {}

private:
    class MemoryFile : public OutputFile {
    public:
        explicit MemoryFile(std::string& bytes) : bytes_(bytes) {}
        void Write(const char* data, std::size_t size) override { bytes_.append(data, size); }
        void Close() override {}

    private:
        std::string& bytes_;
    };

    Utf16String path_;
    std::string bytes_;
};

}  // namespace sv::tool
