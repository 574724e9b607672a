// payload_bench: extraction speed and memory of the payload reader beside bzip2 itself.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/crc.hpp>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "payload/NativeFileSystem.h"
#include "payload/PayloadBuilder.h"
#include "payload/PayloadReader.h"

namespace fs = std::filesystem;

namespace {

// Text-like bytes (bzip2 compresses them about 4 to 1), deterministic per seed.
class SyntheticData {
public:
    explicit SyntheticData(std::uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    void Fill(char* data, std::size_t size) {
        static constexpr const char* kWords[] = {"steel ", "profile ", "bracket ", "0.25 ", "1250 ", "weld ",
                                                 "plate ", "bolt M12 ", "length ", "angle ", "\n", "mm ",
                                                 "Sarvelio ", "stock ", "cut ", "x "};
        std::size_t i = 0;
        while (i < size) {
            const std::uint64_t r = Next();
            for (const char* word = kWords[r & 15]; *word && i < size;) data[i++] = *word++;
            if ((r >> 4 & 7) == 0 && i < size) data[i++] = static_cast<char>('0' + (r >> 8) % 10);
        }
    }

private:
    std::uint64_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }
    std::uint64_t state_;
};

using BlockSink = std::function<void(const char*, std::size_t)>;

void Produce(int index, std::uint64_t size, const BlockSink& sink) {
    SyntheticData data(static_cast<std::uint64_t>(index));
    std::vector<char> block(1 << 16);
    for (std::uint64_t done = 0; done < size;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), size - done));
        data.Fill(block.data(), n);
        sink(block.data(), n);
        done += n;
    }
}

sv::ArchiveEntry SyntheticEntry(int index, std::uint64_t size) {
    boost::crc_32_type crc;
    Produce(index, size, [&crc](const char* data, std::size_t n) { crc.process_bytes(data, n); });
    sv::ArchiveEntry entry{sv::Utf16FromUtf8("file" + std::to_string(index) + ".dat"),
                           sv::Utf16FromUtf8(index % 4 ? "<InstallPath>\\Data" : "<InstallPath>"), 0, size,
                           crc.checksum(), {}};
    entry.writeData = [index, size](std::ostream& out) {
        std::uint64_t written = 0;
        Produce(index, size, [&](const char* data, std::size_t n) {
            out.write(data, static_cast<std::streamsize>(n));
            written += n;
        });
        return written;
    };
    return entry;
}

// A payload of about `size` decompressed bytes: 28 entries for small sizes, 16 MB entries above.
void WriteSyntheticPayload(const fs::path& file, std::uint64_t size) {
    const std::uint64_t count = std::max<std::uint64_t>(28, size >> 24);
    std::vector<sv::ArchiveEntry> entries;
    for (std::uint64_t i = 0; i < count; ++i) {
        entries.push_back(SyntheticEntry(static_cast<int>(i), size / count + (i == 3 ? size % count : 0)));
    }
    entries[5] = sv::EntryFromBytes(sv::Utf16FromUtf8("empty.dat"), sv::Utf16FromUtf8("<InstallPath>"), 3, "");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    sv::WritePayload(out, entries);
}

struct Run {
    double seconds = 0;
    long peakRssKb = 0;
    int status = -1;
};

// Runs body in a child process: wall time, and the child's own peak RSS.
Run InChild(const std::function<int()>& body) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) _exit(body());
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakRssKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

int Extract(const fs::path& payload, const fs::path& into) {
    std::ifstream in(payload, std::ios::binary);
    if (!sv::VerifyPayload(in)) return 2;  // the installer checks the whole payload first
    in.clear();
    in.seekg(0);
    sv::NativeFileSystem files;
    const auto observer = [](const sv::notification&) { return sv::notification::proceed; };
    return sv::ExtractPayload(in, sv::FromFsPath(into), {}, {}, observer, files) ? 0 : 1;
}

std::uint64_t ParseSize(const std::string& text) {
    const double value = std::stod(text);
    const char unit = text.empty() ? ' ' : text.back();
    const double factor = unit == 'G' ? 1e9 : unit == 'M' ? 1e6 : unit == 'K' ? 1e3 : 1;
    return static_cast<std::uint64_t>(value * factor);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> sizes;
    fs::path dir = fs::temp_directory_path() / "sv-payload-bench";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dir" && i + 1 < argc) dir = argv[++i];
        else sizes.push_back(arg);
    }
    if (sizes.empty()) sizes.push_back("19M");
#if !defined(NDEBUG) || defined(__SANITIZE_ADDRESS__)
    std::printf("warning: not an optimised build without sanitizers; figures are not meaningful\n");
#endif
    fs::create_directories(dir);
    std::printf("%-6s %12s %12s | %10s %10s | %10s %10s | %8s\n", "size", "archive", "compressed", "bzip2 s",
                "bzip2 RSS", "ours s", "ours RSS", "ratio");
    for (const auto& sizeText : sizes) {
        const fs::path payload = dir / ("payload-" + sizeText + ".bin");
        const fs::path out = dir / ("out-" + sizeText);
        WriteSyntheticPayload(payload, ParseSize(sizeText));
        fs::remove_all(out);
        const std::string command = "bzip2 -dc '" + payload.string() + "' > /dev/null";
        const Run bzip2 = InChild([&] { return std::system(command.c_str()) == 0 ? 0 : 1; });
        const Run ours = InChild([&] { return Extract(payload, out); });
        std::uint64_t archive = 0;
        for (const auto& item : fs::recursive_directory_iterator(out)) {
            if (item.is_regular_file()) archive += item.file_size();
        }
        std::printf("%-6s %12llu %12llu | %10.2f %8ld K | %10.2f %8ld K | %8.2f%s\n", sizeText.c_str(),
                    static_cast<unsigned long long>(archive), static_cast<unsigned long long>(fs::file_size(payload)),
                    bzip2.seconds, bzip2.peakRssKb, ours.seconds, ours.peakRssKb, ours.seconds / (2 * bzip2.seconds),
                    bzip2.status || ours.status ? "  (FAILED)" : "");
        std::fflush(stdout);
        fs::remove_all(out);
        fs::remove(payload);
    }
    std::printf("ratio = our verify+extract time / (2 x bzip2 -dc time); RSS = peak resident set of each run\n");
    return 0;
}
