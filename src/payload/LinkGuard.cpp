#include "payload/LinkGuard.h"

#include <filesystem>
#include <system_error>

#include "payload/PathText.h"

namespace sv {
namespace {

Utf16Char LowerAscii(Utf16Char c) { return c >= 'A' && c <= 'Z' ? static_cast<Utf16Char>(c - 'A' + 'a') : c; }

bool SameElement(Utf16View a, Utf16View b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// Whether the elements of prefix begin the elements of path (equal counts as a prefix).
bool StartsWithElements(const std::vector<Utf16String>& path, const std::vector<Utf16String>& prefix) {
    if (prefix.empty() || prefix.size() > path.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (!SameElement(path[i], prefix[i])) return false;
    }
    return true;
}

std::filesystem::path NamedPath(const Utf16String& path) {
    try {
#ifdef _WIN32
        return std::filesystem::path(std::wstring(path.begin(), path.end()));
#else
        return std::filesystem::path(std::u16string(path.begin(), path.end()));
#endif
    } catch (...) {
        return {};
    }
}

[[noreturn]] void Refuse(const Utf16String& path) {
    throw std::filesystem::filesystem_error("link_guard", NamedPath(path),
                                            std::error_code(kReparsePointEncountered, std::system_category()));
}

}  // namespace

void LinkGuard::AddUsersWritableFolder(const Utf16String& trustedRoot, const Utf16String& folder, bool shared) {
    if (trustedRoot.empty() || folder.empty()) return;
    const auto elements = path_text::Elements(folder);
    for (auto& known : guarded_) {
        const auto knownElements = path_text::Elements(known.folder);
        if (knownElements.size() == elements.size() && StartsWithElements(elements, knownElements)) {
            known.shared = known.shared || shared;
            return;
        }
    }
    guarded_.push_back({trustedRoot, folder, shared});
}

bool LinkGuard::InSharedFolder(Utf16View path) const {
    const auto elements = path_text::Elements(path);
    for (const auto& known : guarded_) {
        if (known.shared && StartsWithElements(elements, path_text::Elements(known.folder))) return true;
    }
    return false;
}

Utf16String LinkGuard::TrustedRootOf(Utf16View path) const {
    const auto elements = path_text::Elements(path);
    for (const auto& known : guarded_) {
        if (StartsWithElements(elements, path_text::Elements(known.folder))) return known.trustedRoot;
    }
    return {};
}

void LinkGuard::Check(const Utf16String& path) const {
    const Utf16String root = TrustedRootOf(path);
    if (root.empty()) return;
    const auto rootElements = path_text::Elements(root);
    const auto elements = path_text::Elements(path);
    if (!StartsWithElements(elements, rootElements)) Refuse(path);  // a folder registered outside its root
    Utf16String current = root;
    for (std::size_t i = rootElements.size(); i < elements.size(); ++i) {
        current = path_text::Join(current, elements[i]);
        const PathFacts facts = fileSystem_.Inspect(current);
        if (!facts.exists) return;  // nothing below it exists either
        if (facts.reparsePoint) Refuse(current);
        if (!facts.directory && facts.linkCount > 1) Refuse(current);
    }
}

bool LinkGuard::Allows(const Utf16String& path) const noexcept {
    try {
        Check(path);
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace sv
