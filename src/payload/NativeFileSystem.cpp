#include "payload/NativeFileSystem.h"

#include <array>
#include <chrono>
#include <cwctype>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "payload/PathText.h"

namespace sv {
namespace fs = std::filesystem;

fs::path ToFsPath(Utf16View path) {
#ifdef _WIN32
    return fs::path(std::wstring(path));
#else
    // Both separators divide elements in payload paths.
    Utf16String text(path);
    for (auto& c : text) {
        if (c == '\\') c = '/';
    }
    return fs::path(text);
#endif
}

Utf16String FromFsPath(const fs::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return path.u16string();
#endif
}

namespace {

class NativeOutputFile : public OutputFile {
public:
    explicit NativeOutputFile(const fs::path& path) {
        stream_.exceptions(std::ios_base::failbit | std::ios_base::badbit);
        stream_.open(path, std::ios_base::out | std::ios_base::binary | std::ios_base::trunc);
    }
    ~NativeOutputFile() override {
        try {
            if (stream_.is_open()) stream_.close();
        } catch (...) {
        }
    }
    void Write(const char* data, std::size_t size) override {
        stream_.write(data, static_cast<std::streamsize>(size));
    }
    void Close() override { stream_.close(); }

private:
    std::ofstream stream_;
};

bool SameTextIgnoringCase(Utf16View a, Utf16View b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i]))) return false;
    }
    return true;
}

}  // namespace

void NativeFileSystem::PrepareDestination(const Utf16String& path) {
    const fs::path target = ToFsPath(path);
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(target, ec);
    if (fs::exists(status)) {
        if (fs::is_regular_file(status) || fs::is_symlink(status)) {
            // "Read-only" is the absence of the owner's write permission; follows a link to its target.
            fs::permissions(target, fs::perms::owner_write, fs::perm_options::add, ec);
        }
        return;
    }
    const Utf16String parent = path_text::Parent(path);
    if (parent.empty() || fs::exists(ToFsPath(parent), ec)) return;
    fs::create_directories(ToFsPath(parent), ec);
    if (ec) throw fs::filesystem_error("create_directories", ToFsPath(parent), ec);
}

std::unique_ptr<OutputFile> NativeFileSystem::CreateOutputFile(const Utf16String& path) {
    return std::make_unique<NativeOutputFile>(ToFsPath(path));
}

ReadOutcome NativeFileSystem::ReadBlocks(const Utf16String& path, const BlockSink& sink) {
    std::ifstream in(ToFsPath(path), std::ios_base::in | std::ios_base::binary);
    if (!in) return ReadOutcome::failed;
    std::array<char, 4096> block;
    while (in.read(block.data(), block.size()) || in.gcount() > 0) {
        sink(block.data(), static_cast<std::size_t>(in.gcount()));
    }
    return in.eof() && !in.bad() ? ReadOutcome::complete : ReadOutcome::failed;
}

void NativeFileSystem::PauseBeforeRetry() { std::this_thread::sleep_for(std::chrono::seconds(1)); }

Utf16String NativeFileSystem::ShellFolder(int csidl) {
    const auto found = shellFolders_.find(csidl);
    return found == shellFolders_.end() ? Utf16String() : found->second;
}

bool NativeFileSystem::IsFolder(const Utf16String& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(ToFsPath(path), ec);
}

std::optional<bool> NativeFileSystem::SameIdentity(const Utf16String& a, const Utf16String& b) {
    std::error_code ec;
    const bool same = fs::equivalent(ToFsPath(a), ToFsPath(b), ec);
    if (ec) return std::nullopt;
    return same;
}

bool NativeFileSystem::SameAbsolutePath(const Utf16String& a, const Utf16String& b) {
    std::error_code ec;
    const fs::path absoluteA = fs::absolute(ToFsPath(a), ec);
    if (ec) return false;
    const fs::path absoluteB = fs::absolute(ToFsPath(b), ec);
    if (ec) return false;
    const auto elementsA = path_text::Elements(FromFsPath(absoluteA));
    const auto elementsB = path_text::Elements(FromFsPath(absoluteB));
    if (elementsA.size() != elementsB.size()) return false;
    for (std::size_t i = 0; i < elementsA.size(); ++i) {
        if (!SameTextIgnoringCase(elementsA[i], elementsB[i])) return false;
    }
    return true;
}

std::optional<FileIdentity> NativeFileSystem::Identity(const Utf16String& path) {
#ifdef _WIN32
    (void)path;
    return std::nullopt;  // the standard library has no file numbers
#else
    struct stat status {};
    if (path.empty() || ::stat(ToFsPath(path).c_str(), &status) != 0) return std::nullopt;
    return FileIdentity{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
#endif
}

Utf16String NativeFileSystem::AbsolutePathKey(const Utf16String& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(ToFsPath(path), ec);
    if (ec) return {};
    Utf16String key;
    for (const auto& element : path_text::Elements(FromFsPath(absolute))) {
        key += Utf16Char('/');
        for (const Utf16Char c : element) key += static_cast<Utf16Char>(std::towlower(static_cast<wint_t>(c)));
    }
    return key;
}

void NativeFileSystem::GrantUsersFullAccess(const Utf16String&) {}

PathFacts NativeFileSystem::Inspect(const Utf16String& path) {
    PathFacts facts;
    std::error_code ec;
    const fs::path target = ToFsPath(path);
    const fs::file_status status = fs::symlink_status(target, ec);
    if (ec || !fs::exists(status)) {
        if (ec && ec != std::errc::no_such_file_or_directory && ec != std::errc::not_a_directory)
            facts.exists = facts.reparsePoint = true;  // there, but not to be inspected: refused
        return facts;
    }
    facts.exists = true;
    facts.reparsePoint = fs::is_symlink(status);
    facts.directory = fs::is_directory(status);
    const auto links = fs::hard_link_count(target, ec);
    facts.linkCount = ec ? 0 : static_cast<std::uint32_t>(links);
    return facts;
}

}  // namespace sv
