// payloadtool: builds, lists, verifies and extracts installer payloads.
//
//   payloadtool build [OPTIONS] MANIFEST OUT   write the payload described by MANIFEST (see Manifest.h),
//                                              then read it back through the installer's reader
//   payloadtool list PAYLOAD                   print the header and the entry table
//   payloadtool verify [OPTIONS] PAYLOAD       check the table's entries and every file's size and
//                                              CRC-32 through the installer's reader; writes no file
//   payloadtool extract [OPTIONS] PAYLOAD DIR  extract, each placeholder token mapped to DIR/<token name>;
//                                              refuses a payload with any entry resolving outside DIR
// OPTIONS: --allow-absolute-destinations (destinations that are absolute folders, without token),
//          --allow-any-kind (kinds beyond 0 to 5).
//
// Exit status: 0 success, 1 usage, 2 bad manifest or source, 3 damaged or refused payload or failed
// extraction (the reader's failure code is printed). On failure build leaves no file behind.
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>

#include "Manifest.h"
#include "MemoryFileSystem.h"
#include "payload/CompressCategory.h"
#include "payload/EntryRules.h"
#include "payload/ExtractionState.h"
#include "payload/NativeFileSystem.h"
#include "payload/PayloadBuilder.h"
#include "payload/PayloadReader.h"

namespace fs = std::filesystem;
namespace io = boost::iostreams;

namespace {

enum Exit { kOk = 0, kUsage = 1, kBadInput = 2, kBadPayload = 3 };

constexpr const char* kKindNames[] = {"ProgramFile", "MainExecutable", "Uninstaller",
                                      "SharedDataFile", "SampleFile", "TemporaryFile"};

std::string KindName(sv::EntryKind kind) {
    const auto value = static_cast<std::uint32_t>(kind);
    return value < 6 ? kKindNames[value] : std::to_string(value);
}

int Usage() {
    std::cerr << "usage: payloadtool build [OPTIONS] MANIFEST OUT\n"
                 "       payloadtool list PAYLOAD\n"
                 "       payloadtool verify [OPTIONS] PAYLOAD\n"
                 "       payloadtool extract [OPTIONS] PAYLOAD DIR\n"
                 "OPTIONS: --allow-absolute-destinations --allow-any-kind\n";
    return kUsage;
}

void PrintFailure(const sv::notification::failure& failure) {
    std::cerr << "payloadtool: extraction failed: code " << failure.code.value() << " ("
              << failure.code.category().name() << ": " << failure.code.message() << ")";
    if (!failure.message.empty()) std::cerr << ": " << sv::Utf8FromUtf16(failure.message);
    std::cerr << "\n";
}

bool OpenPayload(const fs::path& payload, std::ifstream& in) {
    in.open(payload, std::ios::binary);
    if (!in) std::cerr << "payloadtool: cannot open " << payload.string() << "\n";
    return static_cast<bool>(in);
}

// The header and entry table at the start of the payload, read with the reader's own limits
// and parser. Raises what the reader raises (code 7 of compress_category for a bad header).
std::vector<sv::PayloadEntry> ReadTable(std::istream& file, std::uint64_t& headerSize) {
    io::filtering_istream in;
    in.push(io::bzip2_decompressor());
    in.push(file);
    in.exceptions(std::ios::badbit);  // decompression errors come out as themselves
    std::string header(8, '\0');
    in.read(header.data(), 8);
    headerSize = 0;
    for (int i = 7; i >= 0; --i) headerSize = (headerSize << 8) | static_cast<unsigned char>(header[i]);
    if (!in || headerSize < sv::kArchivePrefixSize || headerSize > sv::kMaximumHeaderSize) {
        sv::RaiseCompressError(sv::compress_errc::unexpected);
    }
    header.resize(headerSize);
    in.read(header.data() + 8, static_cast<std::streamsize>(headerSize - 8));
    if (!in) sv::RaiseCompressError(sv::compress_errc::unexpected);
    return sv::ParseEntryTable(header);
}

int List(const fs::path& payload) {
    std::ifstream file;
    if (!OpenPayload(payload, file)) return kBadInput;
    try {
        std::uint64_t headerSize = 0;
        const auto entries = ReadTable(file, headerSize);
        std::uint64_t total = headerSize;
        std::printf("header %llu bytes, %zu entries\n", static_cast<unsigned long long>(headerSize), entries.size());
        std::printf("%4s  %-14s  %12s  %-8s  %s\n", "#", "kind", "size", "crc", "destination folder | source");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const auto& e = entries[i];
            total += e.size;
            std::printf("%4zu  %-14s  %12llu  %08x  %s | %s\n", i + 1, KindName(e.kind).c_str(),
                        static_cast<unsigned long long>(e.size), e.crc, sv::Utf8FromUtf16(e.destinationPath).c_str(),
                        sv::Utf8FromUtf16(e.sourcePath).c_str());
        }
        std::printf("archive %llu bytes\n", static_cast<unsigned long long>(total));
    } catch (const std::exception&) {
        PrintFailure(sv::DescribeFailure(std::current_exception(), nullptr));
        return kBadPayload;
    }
    return kOk;
}

// Every shell folder of the tokens, below root.
void MapShellFolders(sv::NativeFileSystem& files, const fs::path& root) {
    const std::pair<int, const char*> folders[] = {
        {sv::csidl::kProgramFiles, "ProgramFiles"},       {sv::csidl::kProgramFilesCommon, "ProgramCommon"},
        {sv::csidl::kCommonAppData, "CommonData"},        {sv::csidl::kAppData, "UserData"},
        {sv::csidl::kCommonDocuments, "CommonDocuments"}, {sv::csidl::kPersonal, "Documents"},
        {sv::csidl::kCommonDesktopDirectory, "CommonDesktop"}, {sv::csidl::kDesktopDirectory, "Desktop"},
        {sv::csidl::kWindows, "WinDir"},                  {sv::csidl::kSystem, "System"}};
    for (const auto& [csidl, name] : folders) files.SetShellFolder(csidl, sv::FromFsPath(root / name));
}

// What a checked payload holds: its table as stored, and each entry's resolved destination file.
struct CheckedPayload {
    std::vector<sv::PayloadEntry> table;
    std::vector<sv::Utf16String> destinations;
    std::uint64_t total = 0;
};

// Reads the payload through the installer's reader without writing any file: the bzip2 stream,
// the table's entries against the rules, and every file's size and CRC-32 (in memory), with the
// tokens mapped below root. Prints the problem and answers nullopt when anything is wrong, with
// status the exit status.
std::optional<CheckedPayload> CheckPayload(const fs::path& payload, const sv::EntryRules& rules, const fs::path& root,
                                           int& status) {
    status = kBadInput;
    std::ifstream in;
    if (!OpenPayload(payload, in)) return std::nullopt;
    status = kBadPayload;
    if (!sv::VerifyPayload(in)) {
        std::cerr << "payloadtool: damaged payload: code " << static_cast<int>(sv::compress_errc::unknown)
                  << " (compress: the bzip2 stream does not decode)\n";
        return std::nullopt;
    }
    CheckedPayload checked;
    try {
        in.clear();
        in.seekg(0);
        std::uint64_t headerSize = 0;
        checked.table = ReadTable(in, headerSize);
    } catch (const std::exception&) {
        PrintFailure(sv::DescribeFailure(std::current_exception(), nullptr));
        return std::nullopt;
    }
    std::vector<sv::EntryText> texts;
    for (const auto& entry : checked.table) {
        texts.push_back({entry.sourcePath, entry.destinationPath, static_cast<std::uint32_t>(entry.kind)});
    }
    const auto problems = sv::CheckEntries(texts, rules);
    for (const auto& problem : problems) {
        std::cerr << "payloadtool: " << payload.string() << ": entry " << problem.entry + 1 << " ("
                  << sv::Utf8FromUtf16(checked.table[problem.entry].sourcePath) << "): " << problem.message;
        if (problem.sameAs) std::cerr << " (entry " << *problem.sameAs + 1 << ")";
        std::cerr << "\n";
    }
    if (!problems.empty()) return std::nullopt;

    in.clear();
    in.seekg(0);
    sv::tool::MemoryFileSystem files;
    MapShellFolders(files, root);
    const auto observer = [&](sv::notification n) {
        if (const auto* begin = std::get_if<sv::notification::file_begin>(&n.event)) {
            checked.destinations.push_back(begin->entry.destinationPath);
        } else if (const auto* finished = std::get_if<sv::notification::finished>(&n.event)) {
            checked.total = finished->total;
        } else if (const auto* failure = std::get_if<sv::notification::failure>(&n.event)) {
            PrintFailure(*failure);
        }
        return sv::notification::proceed;
    };
    if (!sv::ExtractPayload(in, sv::FromFsPath(root / "InstallPath"), sv::FromFsPath(root / "SamplePath"),
                            sv::FromFsPath(root / "Temporary"), observer, files)) {
        return std::nullopt;
    }
    return checked;
}

// A root that names no folder of this machine, for checks that write nothing.
fs::path NowhereRoot() { return fs::path("/payloadtool-verify-writes-nothing"); }

int Verify(const fs::path& payload, const sv::EntryRules& rules) {
    int status = kOk;
    const auto checked = CheckPayload(payload, rules, NowhereRoot(), status);
    if (!checked) return status;
    std::cout << payload.string() << ": " << checked->destinations.size() << " files verified, " << checked->total
              << " bytes\n";
    return kOk;
}

// path lies inside root (both absolute and lexically normal).
bool Inside(const fs::path& root, const fs::path& path) {
    auto r = root.begin();
    auto p = path.begin();
    for (; r != root.end(); ++r, ++p) {
        if (r->empty()) continue;  // a trailing separator of root
        if (p == path.end() || *r != *p) return false;
    }
    return p != path.end();
}

fs::path Normal(const sv::Utf16String& path) { return sv::ToFsPath(path).lexically_normal(); }

int Extract(const fs::path& payload, const fs::path& dir, const sv::EntryRules& rules) {
    std::error_code ec;
    const fs::path root = fs::absolute(dir, ec).lexically_normal();
    if (ec) {
        std::cerr << "payloadtool: cannot make " << dir.string() << " absolute\n";
        return kUsage;
    }
    // Every destination is checked before the first file is written.
    int status = kOk;
    const auto checked = CheckPayload(payload, rules, root, status);
    if (!checked) return status;
    bool outside = false;
    for (std::size_t i = 0; i < checked->destinations.size(); ++i) {
        const fs::path target = Normal(checked->destinations[i]);
        if (!target.is_absolute() || !Inside(root, target)) {
            std::cerr << "payloadtool: " << payload.string() << ": entry " << i + 1 << " ("
                      << sv::Utf8FromUtf16(checked->table[i].sourcePath) << ") resolves to '"
                      << sv::Utf8FromUtf16(checked->destinations[i]) << "', outside " << root.string() << "\n";
            outside = true;
        }
    }
    if (outside) return kBadPayload;

    std::ifstream in;
    if (!OpenPayload(payload, in)) return kBadInput;
    sv::NativeFileSystem files;
    MapShellFolders(files, root);
    std::size_t written = 0;
    std::uint64_t total = 0;
    const auto observer = [&](sv::notification n) {
        if (const auto* begin = std::get_if<sv::notification::file_begin>(&n.event)) {
            const fs::path target = Normal(begin->entry.destinationPath);
            if (!target.is_absolute() || !Inside(root, target)) return sv::notification::abort;  // checked above
        } else if (const auto* end = std::get_if<sv::notification::file_end>(&n.event)) {
            ++written;
            std::cout << sv::Utf8FromUtf16(end->entry.destinationPath) << "\n";
        } else if (const auto* finished = std::get_if<sv::notification::finished>(&n.event)) {
            total = finished->total;
        } else if (const auto* failure = std::get_if<sv::notification::failure>(&n.event)) {
            PrintFailure(*failure);
        }
        return sv::notification::proceed;
    };
    if (!sv::ExtractPayload(in, sv::FromFsPath(root / "InstallPath"), sv::FromFsPath(root / "SamplePath"),
                            sv::FromFsPath(root / "Temporary"), observer, files)) {
        return kBadPayload;
    }
    std::cout << payload.string() << ": " << written << " files verified, " << total << " bytes\n";
    return kOk;
}

void RemoveQuietly(const fs::path& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

int Build(const fs::path& manifest, const fs::path& out, const sv::EntryRules& rules) {
    std::vector<sv::tool::ManifestLine> lines;
    try {
        lines = sv::tool::ReadManifest(manifest, rules);
    } catch (const std::exception& e) {
        std::istringstream all(e.what());
        for (std::string line; std::getline(all, line);) std::cerr << "payloadtool: " << line << "\n";
        return kBadInput;
    }
    std::vector<sv::SourceFile> sources;
    for (const auto& line : lines) {
        sources.push_back({line.sourceFile, sv::Utf16FromUtf8(line.source), sv::Utf16FromUtf8(line.destination),
                           line.kind});
    }
    // Written beside OUT, renamed to OUT only once the payload reads back.
    const fs::path partial = out.string() + ".partial";
    const fs::path spoolFile = out.string() + ".spool";
    std::vector<sv::ArchiveEntry> written;
    try {
        if (out.has_parent_path()) fs::create_directories(out.parent_path());
        std::fstream spool(spoolFile, std::ios::binary | std::ios::in | std::ios::out | std::ios::trunc);
        if (!spool) throw std::runtime_error("cannot create " + spoolFile.string());
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (!file) throw std::runtime_error("cannot create " + partial.string());
        written = sv::WritePayloadFromFiles(file, sources, spool);
        file.close();
        if (!file) throw std::runtime_error("cannot write " + partial.string());
    } catch (const sv::SourceReadError& e) {
        RemoveQuietly(spoolFile);
        RemoveQuietly(partial);
        std::cerr << "payloadtool: " << manifest.string() << ":" << lines[e.entry].lineNumber << ": " << e.what()
                  << "\n";
        return kBadInput;
    } catch (const std::exception& e) {
        RemoveQuietly(spoolFile);
        RemoveQuietly(partial);
        std::cerr << "payloadtool: " << e.what() << "\n";
        return kBadInput;
    }
    RemoveQuietly(spoolFile);

    // The finished payload, read back through the installer's reader: the same table, every
    // file of its size and checksum.
    int status = kOk;
    const auto checked = CheckPayload(partial, rules, NowhereRoot(), status);
    bool same = checked && checked->table.size() == written.size();
    for (std::size_t i = 0; same && i < written.size(); ++i) {
        const auto& a = checked->table[i];
        const auto& b = written[i];
        same = a.sourcePath == b.sourcePath && a.destinationPath == b.destinationFolder &&
               static_cast<std::uint32_t>(a.kind) == b.kind && a.size == b.size && a.crc == b.crc;
    }
    if (!same) {
        RemoveQuietly(partial);
        std::cerr << "payloadtool: the payload written does not read back as built; nothing written\n";
        return kBadPayload;
    }
    std::error_code ec;
    fs::rename(partial, out, ec);
    if (ec) {
        RemoveQuietly(partial);
        std::cerr << "payloadtool: cannot rename " << partial.string() << " to " << out.string() << ": "
                  << ec.message() << "\n";
        return kBadInput;
    }
    std::uint64_t total = sv::EncodeHeader(written).size();
    for (const auto& entry : written) total += entry.size;
    std::cout << out.string() << ": " << written.size() << " entries, " << total << " bytes, "
              << fs::file_size(out) << " bytes compressed, read back and verified\n";
    return kOk;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args;
    sv::EntryRules rules;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--allow-absolute-destinations") {
            rules.allowAbsoluteDestinations = true;
        } else if (arg == "--allow-any-kind") {
            rules.allowAnyKind = true;
        } else if (arg.starts_with("--")) {
            std::cerr << "payloadtool: unknown option " << arg << "\n";
            return Usage();
        } else {
            args.push_back(arg);
        }
    }
    if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2], rules);
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    if (args.size() == 2 && args[0] == "verify") return Verify(args[1], rules);
    if (args.size() == 3 && args[0] == "extract") return Extract(args[1], args[2], rules);
    return Usage();
}
