#include "payload/EntryRules.h"

#include <algorithm>
#include <cwctype>
#include <unordered_map>

#include "payload/ExtractionState.h"
#include "payload/PathText.h"

namespace sv {
namespace {

constexpr const char* kKindNames = "ProgramFile, MainExecutable, Uninstaller, SharedDataFile, SampleFile, TemporaryFile";

std::string Utf8(Utf16View text) { return Utf8FromUtf16(Utf16String(text)); }

Utf16String Folded(Utf16View text) {
    Utf16String folded(text);
    for (auto& c : folded) c = static_cast<Utf16Char>(std::towlower(static_cast<wint_t>(c)));
    return folded;
}

std::size_t EditDistance(Utf16View a, Utf16View b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            const bool same = std::towlower(static_cast<wint_t>(a[i - 1])) == std::towlower(static_cast<wint_t>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// " (did you mean '<InstallPath>'?)" for a near miss, else the list of tokens.
std::string Suggestion(Utf16View element) {
    Utf16View best;
    std::size_t bestDistance = 4;
    Utf16String shaped(element);
    if (shaped.empty() || shaped.front() != '<') shaped.insert(shaped.begin(), Utf16Char('<'));
    if (shaped.back() != '>') shaped.push_back(Utf16Char('>'));
    for (const Utf16View token : PlaceholderTokens()) {
        const std::size_t distance = EditDistance(shaped, token);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = token;
        }
    }
    if (!best.empty()) return " (did you mean '" + Utf8(best) + "'?)";
    std::string list;
    for (const Utf16View token : PlaceholderTokens()) list += (list.empty() ? "" : " ") + Utf8(token);
    return " (the tokens: " + list + ")";
}

// The problem of a destination folder, or empty.
std::string DestinationProblem(const Utf16String& destination, const EntryRules& rules) {
    const auto elements = path_text::Elements(destination);
    if (elements.empty()) {
        return "empty destination folder: it must begin with a placeholder token such as <InstallPath>";
    }
    const Utf16String& first = elements.front();
    const bool leadingSeparator = path_text::IsSeparator(destination.front());
    if (!leadingSeparator && IsTokenShaped(first)) {
        if (!IsPlaceholderToken(first)) {
            return "unknown placeholder token '" + Utf8(first) + "'" + Suggestion(first) +
                   "; tokens are case-sensitive";
        }
    } else if (!leadingSeparator && (first.front() == '<' || first.back() == '>')) {
        return "malformed placeholder token '" + Utf8(first) + "'" + Suggestion(first);
    } else if (path_text::IsAbsolute(destination)) {
        if (!rules.allowAbsoluteDestinations) {
            return "destination folder '" + Utf8(destination) +
                   "' is an absolute folder without a placeholder token (--allow-absolute-destinations allows it)";
        }
    } else {
        return "destination folder '" + Utf8(destination) +
               "' does not begin with a placeholder token such as <InstallPath>: the installer would write "
               "relative to its current folder";
    }
    for (const auto& element : elements) {
        if (element == SV_UTF16(".") || element == SV_UTF16("..")) {
            return "destination folder '" + Utf8(destination) + "' has a '" + Utf8(element) + "' element";
        }
    }
    return {};
}

// The destination file as the installer compares it: the token exactly, the rest ignoring case.
Utf16String DestinationKey(const EntryText& entry) {
    Utf16String key;
    const auto elements = path_text::Elements(entry.destinationFolder);
    for (std::size_t i = 0; i < elements.size(); ++i) {
        key += i == 0 && IsTokenShaped(elements[i]) ? elements[i] : Folded(elements[i]);
        key += Utf16Char('\\');
    }
    return key + Folded(path_text::FileName(entry.sourcePath));
}

}  // namespace

std::vector<EntryProblem> CheckEntries(const std::vector<EntryText>& entries, const EntryRules& rules) {
    std::vector<EntryProblem> problems;
    std::unordered_map<Utf16String, std::size_t> written;  // destination file -> first entry
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const EntryText& entry = entries[i];
        const Utf16String name = path_text::FileName(entry.sourcePath);
        std::string problem = DestinationProblem(entry.destinationFolder, rules);
        if (problem.empty() && name.empty()) {
            problem = "empty file name: the source '" + Utf8(entry.sourcePath) + "' names no file";
        } else if (problem.empty() && (name == SV_UTF16(".") || name == SV_UTF16(".."))) {
            problem = "the source '" + Utf8(entry.sourcePath) + "' has no file name ('" + Utf8(name) + "')";
        }
        if (problem.empty() && entry.kind > 5 && !rules.allowAnyKind) {
            problem = "kind " + std::to_string(entry.kind) + " is outside 0 to 5 (" + kKindNames +
                      "; --allow-any-kind allows it)";
        }
        if (!problem.empty()) {
            problems.push_back({i, std::move(problem), std::nullopt});
            continue;
        }
        const auto [first, inserted] = written.emplace(DestinationKey(entry), i);
        if (!inserted) {
            problems.push_back({i,
                                "destination file '" + Utf8(path_text::Join(entry.destinationFolder, name)) +
                                    "' is written by an earlier entry too (names are compared ignoring case)",
                                first->second});
        }
    }
    return problems;
}

std::string CheckTableSize(std::uint64_t entryCount, std::uint64_t headerSize) {
    if (entryCount > kMaximumEntryCount) {
        return std::to_string(entryCount) + " entries: the installer reads at most " +
               std::to_string(kMaximumEntryCount);
    }
    if (headerSize > kMaximumHeaderSize) {
        return "the entry table takes " + std::to_string(headerSize) + " bytes: the installer reads at most " +
               std::to_string(kMaximumHeaderSize);
    }
    return {};
}

}  // namespace sv
