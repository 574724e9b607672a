// The state of one payload extraction: collects the archive's header, reads its entry table,
// resolves destinations, and streams each entry's data into its file (the "write operation").
// Also holds the destination placeholders' operations and the shared-folder list.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "payload/LinkGuard.h"
#include "payload/Notification.h"
#include "payload/PayloadFileSystem.h"

namespace sv {

// A folder below an all-users folder that the installation opens to the machine's users.
struct SharedFolder {
    Utf16String folderPath;
    bool secured = false;

    friend bool operator==(const SharedFolder&, const SharedFolder&) = default;
};

// Archive header limits beyond which a header is refused as malformed (code 7). The payload tool
// refuses to build beyond them, so that what it builds the installer reads. 65,535 entries of
// 256 bytes on average (two paths of some 58 characters each) fill the largest header.
inline constexpr std::uint64_t kArchivePrefixSize = 12;  // headerSize (8) + entryCount (4)
inline constexpr std::uint64_t kMinimumRecordSize = 24;
inline constexpr std::uint64_t kMaximumHeaderSize = std::uint64_t{16} << 20;
inline constexpr std::uint64_t kMaximumEntryCount = 65535;

// Reads the entry table from a complete header (headerSize bytes, the size field included).
// Raises code 7 of compress_category when a record runs past the header or a count is implausible.
std::vector<PayloadEntry> ParseEntryTable(const std::string& header);

// The 13 placeholder tokens, in the order of the token table.
std::vector<Utf16View> PlaceholderTokens();

// An element shaped like a token: it begins with "<" and ends with ">".
bool IsTokenShaped(Utf16View element) noexcept;

// A token of the table (compared exactly, case-sensitively).
bool IsPlaceholderToken(Utf16View element) noexcept;

class ExtractionState {
public:
    // guard: where the users-writable folders met while resolving destinations are registered and
    // every path below them is checked before it is touched; without one the state keeps its own.
    ExtractionState(Utf16String installFolder, Utf16String samplesFolder, Utf16String tempFolder,
                    PayloadObserver observer, PayloadFileSystem& fileSystem, LinkGuard* guard = nullptr);
    ExtractionState(const ExtractionState&) = delete;
    ExtractionState& operator=(const ExtractionState&) = delete;
    ~ExtractionState();

    // Offered size bytes of the decompressed archive; returns how many it accepted (possibly
    // fewer, at the end of the header or of an entry, none when it completes an empty entry).
    // After a failure it accepts and drops everything.
    std::size_t Write(const char* data, std::size_t size);

    // Once the input is exhausted: writes the empty entries that follow the last data.
    void CompleteTrailingEmptyEntries();

    // The table has been read and every byte it announces has arrived.
    bool IsComplete() const noexcept { return total_ != 0 && position_ == total_; }

    // --- destination placeholders -------------------------------------------------------------
    Utf16String ResolveDestination(const Utf16String& destinationFolder);
    Utf16String SpecialFolder(int csidl, std::optional<int> fallback = std::nullopt);
    void RegisterSharedFolder(const Utf16String& folder);
    void SecureSharedFolders(const Utf16String& fileFolder);
    bool SameFolder(const Utf16String& a, const Utf16String& b);

    // --- inspection -----------------------------------------------------------------------------
    const std::vector<PayloadEntry>& EntryTable() const noexcept { return entryTable_; }
    const std::vector<SharedFolder>& SharedFolders() const noexcept { return sharedFolders_; }
    const LinkGuard& Guard() const noexcept { return *guard_; }
    std::uint64_t HeaderSize() const noexcept { return headerSize_; }
    std::uint64_t Position() const noexcept { return position_; }
    std::uint64_t Total() const noexcept { return total_; }
    bool EntryOpen() const noexcept { return entryOpen_; }
    bool Failed() const noexcept { return failed_; }
    // The entry receiving data (valid while EntryOpen()).
    const PayloadEntry& CurrentEntry() const { return entryTable_.at(current_ - 1); }

private:
    std::size_t WriteHeader(const char* data, std::size_t size);
    std::size_t WriteEntryData(const char* data, std::size_t size);
    void ReadTable();
    void OpenEntryFile(const Utf16String& path);
    void Notify(notification::event_type event, bool abortable);

    // Fields in the order of the extraction's description.
    Utf16String installFolder_;
    Utf16String samplesFolder_;
    Utf16String tempFolder_;
    std::vector<PayloadEntry> entryTable_;
    std::uint64_t headerSize_ = 0;
    std::uint64_t position_ = 0;
    std::uint64_t total_ = 0;
    std::string header_;                  // output while the header is collected
    std::unique_ptr<OutputFile> output_;  // output while an entry is written
    PayloadObserver observer_;
    std::uint32_t current_ = 0;
    std::uint64_t remaining_ = 0;
    bool entryOpen_ = false;
    bool skipping_ = false;
    bool failed_ = false;
    std::vector<SharedFolder> sharedFolders_;

    // Where to look for a folder among sharedFolders_ (indices), so that neither registering nor
    // securing compares a folder with every registered one: candidates come from the folder's
    // text, its identity or its absolute-path key, and SameFolder decides among them.
    struct FolderIndex {
        std::unordered_map<Utf16String, std::vector<std::size_t>> byText;
        std::unordered_map<FileIdentity, std::vector<std::size_t>, FileIdentityHash> byIdentity;
        std::unordered_map<Utf16String, std::vector<std::size_t>> byKey;             // every folder
        std::unordered_map<Utf16String, std::vector<std::size_t>> byKeyNoIdentity;   // identity unreadable
    };
    FolderIndex sharedIndex_;
    std::size_t unsecuredFolders_ = 0;
    // The registered folders that SameFolder may hold for folder (a superset, each once).
    std::vector<std::size_t> SharedFolderCandidates(const Utf16String& folder,
                                                    const std::optional<FileIdentity>& identity,
                                                    const Utf16String& key) const;

    PayloadFileSystem& fileSystem_;
    std::unique_ptr<LinkGuard> ownGuard_;
    LinkGuard* guard_;
};

}  // namespace sv
