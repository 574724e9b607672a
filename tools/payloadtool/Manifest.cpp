#include "Manifest.h"

#include <array>
#include <charconv>
#include <fstream>
#include <string_view>

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

std::vector<ManifestLine> ReadManifest(const std::filesystem::path& manifest) {
    std::ifstream in(manifest, std::ios::binary);
    if (!in) throw ManifestError("cannot open manifest " + manifest.string());
    const std::filesystem::path folder = manifest.parent_path();
    std::vector<ManifestLine> lines;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (number == 1 && text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // UTF-8 signature
        const std::string trimmed = Trim(text);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        const std::string where = manifest.string() + ":" + std::to_string(number) + ": ";
        const auto bar1 = trimmed.find('|');
        const auto bar2 = bar1 == std::string::npos ? bar1 : trimmed.find('|', bar1 + 1);
        if (bar2 == std::string::npos || trimmed.find('|', bar2 + 1) != std::string::npos) {
            throw ManifestError(where + "expected 'kind | destination folder | source file'");
        }
        ManifestLine line;
        line.lineNumber = number;
        const std::string kind = Trim(std::string_view(trimmed).substr(0, bar1));
        if (!ParseKind(kind, line.kind)) throw ManifestError(where + "unknown kind '" + kind + "'");
        line.destination = Trim(std::string_view(trimmed).substr(bar1 + 1, bar2 - bar1 - 1));
        if (line.destination.empty()) throw ManifestError(where + "empty destination folder");
        line.source = Trim(std::string_view(trimmed).substr(bar2 + 1));
        if (line.source.empty()) throw ManifestError(where + "empty source file");
        std::string portable = line.source;
        for (auto& c : portable) {
            if (c == '\\') c = '/';
        }
        line.sourceFile = folder / std::filesystem::path(portable);
        std::error_code ec;
        if (!std::filesystem::is_regular_file(line.sourceFile, ec)) {
            throw ManifestError(where + "source file not found: " + line.sourceFile.string());
        }
        lines.push_back(std::move(line));
    }
    if (lines.empty()) throw ManifestError(manifest.string() + ": no entries");
    return lines;
}

}  // namespace sv::tool
