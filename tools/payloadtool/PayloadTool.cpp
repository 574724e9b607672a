// payloadtool: builds, lists, verifies and extracts installer payloads.
//
//   payloadtool build MANIFEST OUT      write the payload described by MANIFEST (see Manifest.h)
//   payloadtool list PAYLOAD            print the header and the entry table
//   payloadtool verify PAYLOAD          check the bzip2 stream, then extract into a scratch folder
//                                       with every checksum verified, and remove it
//   payloadtool extract PAYLOAD DIR     extract, each placeholder token mapped to DIR/<token name>
//
// Exit status: 0 success, 1 usage, 2 bad manifest or missing source, 3 damaged payload or failed
// extraction (the reader's failure code is printed).
#include <boost/iostreams/filter/bzip2.hpp>
#include <boost/iostreams/filtering_stream.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>

#include "Manifest.h"
#include "payload/CompressCategory.h"
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
    std::cerr << "usage: payloadtool build MANIFEST OUT\n"
                 "       payloadtool list PAYLOAD\n"
                 "       payloadtool verify PAYLOAD\n"
                 "       payloadtool extract PAYLOAD DIR\n";
    return kUsage;
}

int Build(const fs::path& manifest, const fs::path& out) {
    std::vector<sv::ArchiveEntry> entries;
    try {
        for (const auto& line : sv::tool::ReadManifest(manifest)) {
            entries.push_back(sv::EntryFromFile(line.sourceFile, sv::Utf16FromUtf8(line.source),
                                                sv::Utf16FromUtf8(line.destination), line.kind));
        }
    } catch (const std::exception& e) {
        std::cerr << "payloadtool: " << e.what() << "\n";
        return kBadInput;
    }
    const fs::path partial = out.string() + ".partial";
    try {
        if (out.has_parent_path()) fs::create_directories(out.parent_path());
        {
            std::ofstream file(partial, std::ios::binary | std::ios::trunc);
            if (!file) throw std::runtime_error("cannot create " + partial.string());
            sv::WritePayload(file, entries);
            file.close();
            if (!file) throw std::runtime_error("cannot write " + partial.string());
        }
        fs::rename(partial, out);
    } catch (const std::exception& e) {
        std::error_code ignored;
        fs::remove(partial, ignored);
        std::cerr << "payloadtool: " << e.what() << "\n";
        return kBadInput;
    }
    std::uint64_t total = sv::EncodeHeader(entries).size();
    for (const auto& entry : entries) total += entry.size;
    std::cout << out.string() << ": " << entries.size() << " entries, " << total << " bytes, "
              << fs::file_size(out) << " bytes compressed\n";
    return kOk;
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

int List(const fs::path& payload) {
    std::ifstream file;
    if (!OpenPayload(payload, file)) return kBadInput;
    try {
        io::filtering_istream in;
        in.push(io::bzip2_decompressor());
        in.push(file);
        in.exceptions(std::ios::badbit);  // decompression errors come out as themselves
        std::string header(8, '\0');
        in.read(header.data(), 8);
        std::uint64_t headerSize = 0;
        for (int i = 7; i >= 0; --i) headerSize = (headerSize << 8) | static_cast<unsigned char>(header[i]);
        if (!in || headerSize < sv::kArchivePrefixSize || headerSize > sv::kMaximumHeaderSize) {
            sv::RaiseCompressError(sv::compress_errc::unexpected);
        }
        header.resize(headerSize);
        in.read(header.data() + 8, static_cast<std::streamsize>(headerSize - 8));
        if (!in) sv::RaiseCompressError(sv::compress_errc::unexpected);
        const auto entries = sv::ParseEntryTable(header);
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

sv::NativeFileSystem MappedFileSystem(const fs::path& root) {
    const std::pair<int, const char*> folders[] = {
        {sv::csidl::kProgramFiles, "ProgramFiles"},       {sv::csidl::kProgramFilesCommon, "ProgramCommon"},
        {sv::csidl::kCommonAppData, "CommonData"},        {sv::csidl::kAppData, "UserData"},
        {sv::csidl::kCommonDocuments, "CommonDocuments"}, {sv::csidl::kPersonal, "Documents"},
        {sv::csidl::kCommonDesktopDirectory, "CommonDesktop"}, {sv::csidl::kDesktopDirectory, "Desktop"},
        {sv::csidl::kWindows, "WinDir"},                  {sv::csidl::kSystem, "System"}};
    sv::NativeFileSystem files;
    for (const auto& [csidl, name] : folders) files.SetShellFolder(csidl, sv::FromFsPath(root / name));
    return files;
}

// Extracts payload below root; prints each file when verbose.
int ExtractInto(const fs::path& payload, const fs::path& root, bool verbose) {
    std::ifstream in;
    if (!OpenPayload(payload, in)) return kBadInput;
    if (!sv::VerifyPayload(in)) {
        std::cerr << "payloadtool: damaged payload: code " << static_cast<int>(sv::compress_errc::unknown)
                  << " (compress: the bzip2 stream does not decode)\n";
        return kBadPayload;
    }
    in.clear();
    in.seekg(0);
    sv::NativeFileSystem files = MappedFileSystem(root);
    std::size_t written = 0;
    std::uint64_t total = 0;
    const auto observer = [&](sv::notification n) {
        if (const auto* end = std::get_if<sv::notification::file_end>(&n.event)) {
            ++written;
            if (verbose) std::cout << sv::Utf8FromUtf16(end->entry.destinationPath) << "\n";
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

int Verify(const fs::path& payload) {
    std::random_device random;
    const fs::path scratch = fs::temp_directory_path() / ("payloadtool-verify-" + std::to_string(random()));
    const int status = ExtractInto(payload, scratch, false);
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "build") return Build(args[1], args[2]);
    if (args.size() == 2 && args[0] == "list") return List(args[1]);
    if (args.size() == 2 && args[0] == "verify") return Verify(args[1]);
    if (args.size() == 3 && args[0] == "extract") return ExtractInto(args[1], args[2], true);
    return Usage();
}
