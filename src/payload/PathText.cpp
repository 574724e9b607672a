#include "payload/PathText.h"

#include <algorithm>

namespace sv::path_text {
namespace {

bool IsDriveLetter(Utf16Char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Length of the root: "C:\" 3, "C:" 2, "\\server\share\" up to the share, "\" or "/" 1, else 0.
std::size_t RootLength(Utf16View path) {
    if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
        return path.size() >= 3 && IsSeparator(path[2]) ? 3 : 2;
    }
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // \\server\share: the root runs to the end of the share element.
        std::size_t i = 2;
        for (int element = 0; element < 2; ++element) {
            while (i < path.size() && IsSeparator(path[i])) ++i;
            while (i < path.size() && !IsSeparator(path[i])) ++i;
        }
        return i;
    }
    return !path.empty() && IsSeparator(path[0]) ? 1 : 0;
}

std::size_t LeadingSeparators(Utf16View path) {
    std::size_t n = 0;
    while (n < path.size() && IsSeparator(path[n])) ++n;
    return std::min<std::size_t>(n, 2);
}

}  // namespace

std::vector<Utf16String> Elements(Utf16View path) {
    std::vector<Utf16String> elements;
    std::size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && IsSeparator(path[i])) ++i;
        const std::size_t start = i;
        while (i < path.size() && !IsSeparator(path[i])) ++i;
        if (i > start) elements.emplace_back(path.substr(start, i - start));
    }
    return elements;
}

Utf16String Join(Utf16View base, Utf16View element) {
    Utf16String result(base);
    if (element.empty()) return result;
    if (!result.empty() && !IsSeparator(result.back())) result.push_back(kSeparator);
    result.append(element);
    return result;
}

Utf16String FileName(Utf16View path) {
    std::size_t start = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (IsSeparator(path[i])) start = i + 1;
    }
    if (start == 0 && path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') start = 2;
    return Utf16String(path.substr(start));
}

Utf16String Parent(Utf16View path) {
    const std::size_t root = RootLength(path);
    std::size_t end = path.size();
    while (end > root && IsSeparator(path[end - 1])) --end;  // trailing separators
    if (end <= root) return Utf16String(path);              // a root is its own parent
    while (end > root && !IsSeparator(path[end - 1])) --end;  // the last element
    while (end > root && IsSeparator(path[end - 1])) --end;   // its separators
    return Utf16String(path.substr(0, end));
}

bool IsAbsolute(Utf16View path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return true;
#ifndef _WIN32
    if (!path.empty() && path[0] == '/') return true;
#endif
    return false;
}

bool SameElements(Utf16View a, Utf16View b) {
    return LeadingSeparators(a) == LeadingSeparators(b) && Elements(a) == Elements(b);
}

}  // namespace sv::path_text
