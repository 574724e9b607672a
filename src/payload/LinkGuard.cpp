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

// The first `count` elements, ASCII letters in lower case, joined by '\\' (which no element holds).
Utf16String KeyOf(const std::vector<Utf16String>& elements, std::size_t count) {
    Utf16String key;
    for (std::size_t i = 0; i < count; ++i) {
        if (i != 0) key += Utf16Char('\\');
        for (const Utf16Char c : elements[i]) key += LowerAscii(c);
    }
    return key;
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
    if (elements.empty()) return;
    const auto [known, added] = byKey_.try_emplace(KeyOf(elements, elements.size()), guarded_.size());
    if (!added) {
        guarded_[known->second].shared = guarded_[known->second].shared || shared;
        return;
    }
    guarded_.push_back({trustedRoot, folder, shared});
}

const LinkGuard::Guarded* LinkGuard::Holder(Utf16View path, bool shared) const {
    const auto elements = path_text::Elements(path);
    const Guarded* first = nullptr;
    std::size_t firstIndex = guarded_.size();
    for (std::size_t depth = 1; depth <= elements.size(); ++depth) {
        const auto found = byKey_.find(KeyOf(elements, depth));
        if (found == byKey_.end() || found->second >= firstIndex) continue;
        if (shared && !guarded_[found->second].shared) continue;
        firstIndex = found->second;
        first = &guarded_[firstIndex];
    }
    return first;
}

bool LinkGuard::InSharedFolder(Utf16View path) const { return Holder(path, true) != nullptr; }

Utf16String LinkGuard::TrustedRootOf(Utf16View path) const {
    const Guarded* holder = Holder(path, false);
    return holder != nullptr ? holder->trustedRoot : Utf16String();
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
