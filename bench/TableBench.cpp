// table_bench: how long the installer's reader takes to read an entry table: the header parsed,
// every destination resolved, every shared folder registered; no file is written.
//
//   table_bench [ENTRIES [FOLDERS...]]    default 65535 entries; 1, 4000 and 65535 folders
//
// Entry i goes to <CommonData>\Kavrenco\Sarvelio\D<i mod FOLDERS> (so FOLDERS + 2 shared folders
// are registered) under the name f<i>.dat. The shell folders lie below a folder that does not
// exist, as on a machine where nothing is installed yet. Prints the time of ParseEntryTable alone,
// then of the whole table reading (wall clock and this process's processor time).
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "payload/CompressCategory.h"
#include "payload/ExtractionState.h"
#include "payload/NativeFileSystem.h"
#include "payload/PayloadBuilder.h"

namespace {

std::string Header(std::size_t entries, std::size_t folders) {
    std::vector<sv::ArchiveEntry> table;
    table.reserve(entries);
    for (std::size_t i = 0; i < entries; ++i) {
        table.push_back({sv::Utf16FromUtf8("files/Data/f" + std::to_string(i) + ".dat"),
                         sv::Utf16FromUtf8("<CommonData>\\Kavrenco\\Sarvelio\\D" + std::to_string(i % folders)), 3, 0,
                         0, {}});
    }
    return sv::EncodeHeader(table);
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t entries = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : sv::kMaximumEntryCount;
    std::vector<std::size_t> folderCounts;
    for (int i = 2; i < argc; ++i) folderCounts.push_back(std::strtoul(argv[i], nullptr, 10));
    if (folderCounts.empty()) folderCounts = {1, 4000, entries};
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__)
    std::printf("warning: not an optimised build without sanitizers; figures are not meaningful\n");
#endif
    std::printf("%8s %8s %10s %12s %10s %10s %10s\n", "entries", "folders", "shared", "header B", "parse s", "read s",
                "read CPU s");
    for (const std::size_t folders : folderCounts) {
        const std::string header = Header(entries, folders == 0 ? 1 : folders);
        sv::NativeFileSystem files;
        files.SetShellFolder(sv::csidl::kCommonAppData, sv::Utf16FromUtf8("/nonexistent-table-bench/AllData"));
        // Stops at the first notification after the table: the progress that follows it.
        const auto observer = [](sv::notification n) {
            return std::holds_alternative<sv::notification::progress>(n.event) ? sv::notification::abort
                                                                                : sv::notification::proceed;
        };
        auto start = std::chrono::steady_clock::now();
        const std::size_t parsed = sv::ParseEntryTable(header).size();
        const double parseSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        sv::ExtractionState state(sv::Utf16FromUtf8("/nonexistent-table-bench/Install"), {}, {}, observer, files);
        const std::clock_t cpuStart = std::clock();
        start = std::chrono::steady_clock::now();
        bool read = false;
        try {
            for (std::size_t done = 0; done < header.size();) done += state.Write(header.data() + done, header.size() - done);
        } catch (const std::system_error& e) {
            read = e.code() == sv::compress_errc::interrupted && state.EntryTable().size() == entries;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double cpuSeconds = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        std::printf("%8zu %8zu %10zu %12zu %10.3f %10.3f %10.3f%s\n", entries, folders, state.SharedFolders().size(),
                    header.size(), parseSeconds, seconds, cpuSeconds, read && parsed == entries ? "" : "  (FAILED)");
        std::fflush(stdout);
    }
    return 0;
}
