#include "Manifest.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string_view>

#include "payload/ExtractionState.h"

namespace sv::tool {
namespace {

constexpr std::array<std::string_view, 6> kKindNames = {"ProgramFile",    "MainExecutable", "Uninstaller",
                                                        "SharedDataFile", "SampleFile",     "TemporaryFile"};

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

bool ParseKind(const std::string& text, std::uint32_t& kind) {
    for (std::size_t i = 0; i < kKindNames.size(); ++i) {
        if (text == kKindNames[i]) {
            kind = static_cast<std::uint32_t>(i);
            return true;
        }
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kind);
    return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::vector<ManifestLine> ReadManifest(const std::filesystem::path& manifest, const EntryRules& rules) {
    namespace fs = std::filesystem;
    std::ifstream in(manifest, std::ios::binary);
    if (!in) throw ManifestError("cannot open manifest " + manifest.string());
    const fs::path folder = manifest.parent_path();
    std::vector<ManifestLine> lines;
    std::vector<std::string> problems;
    const auto where = [&](int number) { return manifest.string() + ":" + std::to_string(number) + ": "; };
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (number == 1 && text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // UTF-8 signature
        const std::string trimmed = Trim(text);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        const auto bar1 = trimmed.find('|');
        const auto bar2 = bar1 == std::string::npos ? bar1 : trimmed.find('|', bar1 + 1);
        if (bar2 == std::string::npos || trimmed.find('|', bar2 + 1) != std::string::npos) {
            problems.push_back(where(number) + "expected 'kind | destination folder | source file'");
            continue;
        }
        ManifestLine line;
        line.lineNumber = number;
        const std::string kind = Trim(std::string_view(trimmed).substr(0, bar1));
        line.destination = Trim(std::string_view(trimmed).substr(bar1 + 1, bar2 - bar1 - 1));
        line.source = Trim(std::string_view(trimmed).substr(bar2 + 1));
        if (!ParseKind(kind, line.kind)) {
            problems.push_back(where(number) + "unknown kind '" + kind + "'");
            continue;
        }
        if (line.source.empty()) {
            problems.push_back(where(number) + "empty source file");
            continue;
        }
        std::string portable = line.source;
        for (auto& c : portable) {
            if (c == '\\') c = '/';
        }
        line.sourceFile = folder / fs::path(portable);
        lines.push_back(std::move(line));
    }
    if (in.bad()) throw ManifestError("cannot read manifest " + manifest.string());

    std::vector<EntryText> table;
    for (const auto& line : lines) {
        table.push_back({Utf16FromUtf8(line.source), Utf16FromUtf8(line.destination), line.kind});
    }
    std::vector<std::string> entryProblems(lines.size());
    for (const auto& problem : CheckEntries(table, rules)) {
        entryProblems[problem.entry] = problem.message;
        if (problem.sameAs) entryProblems[problem.entry] += " (line " + std::to_string(lines[*problem.sameAs].lineNumber) + ")";
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const ManifestLine& line = lines[i];
        std::string& problem = entryProblems[i];
        std::error_code ec;
        const fs::file_status status = fs::status(line.sourceFile, ec);
        if (!problem.empty()) {
            // the entry's own mistake comes first
        } else if (!fs::exists(status)) {
            problem = "source file not found: " + line.sourceFile.string();
        } else if (!fs::is_regular_file(status)) {
            problem = "source is not a regular file: " + line.sourceFile.string();
        } else if (!std::ifstream(line.sourceFile, std::ios::binary)) {
            problem = "cannot open source file " + line.sourceFile.string();
        }
        if (!problem.empty()) problems.push_back(where(line.lineNumber) + problem);
    }
    std::stable_sort(problems.begin(), problems.end(), [&](const std::string& a, const std::string& b) {
        const auto number = [&](const std::string& p) { return std::atoi(p.c_str() + manifest.string().size() + 1); };
        return number(a) < number(b);
    });
    if (problems.empty() && lines.empty()) problems.push_back(manifest.string() + ": no entries");
    if (problems.empty()) {
        std::uint64_t headerSize = kArchivePrefixSize;
        for (const auto& entry : table) headerSize += kMinimumRecordSize + 2 * (entry.sourcePath.size() + entry.destinationFolder.size());
        const std::string size = CheckTableSize(lines.size(), headerSize);
        if (!size.empty()) problems.push_back(manifest.string() + ": " + size);
    }
    if (!problems.empty()) {
        std::string all;
        for (const auto& problem : problems) all += (all.empty() ? "" : "\n") + problem;
        throw ManifestError(all);
    }
    return lines;
}

}  // namespace sv::tool
