#include "payload/ExtractionState.h"

#include <algorithm>
#include <array>
#include <limits>

#include "payload/CompressCategory.h"
#include "payload/FileChecksum.h"
#include "payload/PathText.h"

namespace sv {
namespace {

// Little-endian fields of the buffered header, bounds-checked.
class HeaderReader {
public:
    explicit HeaderReader(const std::string& bytes, std::size_t offset) : bytes_(bytes), offset_(offset) {}

    std::uint64_t Number(std::size_t width) {
        Require(width);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= std::uint64_t{static_cast<unsigned char>(bytes_[offset_ + i])} << (8 * i);
        }
        offset_ += width;
        return value;
    }

    Utf16String Text() {
        const std::uint64_t length = Number(4);
        Require(length * 2);  // length < 2^32: no overflow
        Utf16String text(static_cast<std::size_t>(length), Utf16Char{});
        for (auto& unit : text) unit = static_cast<Utf16Char>(Number(2));
        return text;
    }

private:
    void Require(std::uint64_t count) const {
        if (count > bytes_.size() - offset_) RaiseCompressError(compress_errc::unexpected);
    }

    const std::string& bytes_;
    std::size_t offset_;
};

enum class Root { install, samples, temporary, special, none };

struct Placeholder {
    Utf16View token;
    Root root;
    int csidl;
    std::optional<int> fallback;
    bool shared;
};

constexpr std::array kPlaceholders = {
    Placeholder{SV_UTF16("<InstallPath>"), Root::install, 0, std::nullopt, false},
    Placeholder{SV_UTF16("<SamplePath>"), Root::samples, 0, std::nullopt, false},
    Placeholder{SV_UTF16("<ProgramFiles>"), Root::special, csidl::kProgramFiles, std::nullopt, false},
    Placeholder{SV_UTF16("<ProgramCommon>"), Root::special, csidl::kProgramFilesCommon, std::nullopt, false},
    Placeholder{SV_UTF16("<CommonData>"), Root::special, csidl::kCommonAppData, csidl::kAppData, true},
    Placeholder{SV_UTF16("<UserData>"), Root::special, csidl::kAppData, std::nullopt, false},
    Placeholder{SV_UTF16("<CommonDocuments>"), Root::special, csidl::kCommonDocuments, csidl::kPersonal, true},
    Placeholder{SV_UTF16("<Documents>"), Root::special, csidl::kPersonal, std::nullopt, false},
    Placeholder{SV_UTF16("<CommonDesktop>"), Root::special, csidl::kCommonDesktopDirectory,
                csidl::kDesktopDirectory, true},
    Placeholder{SV_UTF16("<Desktop>"), Root::special, csidl::kDesktopDirectory, std::nullopt, false},
    Placeholder{SV_UTF16("<WinDir>"), Root::special, csidl::kWindows, std::nullopt, false},
    Placeholder{SV_UTF16("<System>"), Root::special, csidl::kSystem, std::nullopt, false},
    Placeholder{SV_UTF16("<Temporary>"), Root::temporary, 0, std::nullopt, false},
};

}  // namespace

std::vector<Utf16View> PlaceholderTokens() {
    std::vector<Utf16View> tokens;
    for (const auto& placeholder : kPlaceholders) tokens.push_back(placeholder.token);
    return tokens;
}

bool IsTokenShaped(Utf16View element) noexcept {
    return element.size() >= 2 && element.front() == '<' && element.back() == '>';
}

bool IsPlaceholderToken(Utf16View element) noexcept {
    return std::any_of(kPlaceholders.begin(), kPlaceholders.end(),
                       [&](const Placeholder& p) { return p.token == element; });
}

std::vector<PayloadEntry> ParseEntryTable(const std::string& header) {
    if (header.size() < kArchivePrefixSize) RaiseCompressError(compress_errc::unexpected);
    HeaderReader reader(header, 8);
    const std::uint64_t count = reader.Number(4);
    if (count > kMaximumEntryCount || count > (header.size() - kArchivePrefixSize) / kMinimumRecordSize) {
        RaiseCompressError(compress_errc::unexpected);
    }
    std::vector<PayloadEntry> entries(static_cast<std::size_t>(count));
    for (auto& entry : entries) {
        entry.sourcePath = reader.Text();
        entry.destinationPath = reader.Text();
        entry.kind = static_cast<EntryKind>(reader.Number(4));
        entry.size = reader.Number(8);
        entry.crc = static_cast<std::uint32_t>(reader.Number(4));
    }
    return entries;
}

ExtractionState::ExtractionState(Utf16String installFolder, Utf16String samplesFolder, Utf16String tempFolder,
                                 PayloadObserver observer, PayloadFileSystem& fileSystem, LinkGuard* guard)
    : installFolder_(std::move(installFolder)),
      samplesFolder_(std::move(samplesFolder)),
      tempFolder_(std::move(tempFolder)),
      observer_(std::move(observer)),
      fileSystem_(fileSystem),
      ownGuard_(guard ? nullptr : std::make_unique<LinkGuard>(fileSystem)),
      guard_(guard ? guard : ownGuard_.get()) {}

ExtractionState::~ExtractionState() = default;

std::size_t ExtractionState::Write(const char* data, std::size_t size) {
    if (failed_) return size;
    try {
        return current_ == 0 ? WriteHeader(data, size) : WriteEntryData(data, size);
    } catch (...) {
        failed_ = true;
        throw;
    }
}

std::size_t ExtractionState::WriteHeader(const char* data, std::size_t size) {
    if (header_.size() < 8) {
        const std::size_t take = std::min<std::size_t>(size, 8 - header_.size());
        header_.append(data, take);
        if (header_.size() == 8) {
            headerSize_ = HeaderReader(header_, 0).Number(8);
            if (headerSize_ < kArchivePrefixSize || headerSize_ > kMaximumHeaderSize) {
                RaiseCompressError(compress_errc::unexpected);
            }
        }
        return take;
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, headerSize_ - header_.size()));
    header_.append(data, take);
    if (header_.size() == headerSize_) ReadTable();
    return take;
}

void ExtractionState::ReadTable() {
    entryTable_ = ParseEntryTable(header_);
    std::string().swap(header_);
    for (auto& entry : entryTable_) {
        const Utf16String folder = ResolveDestination(entry.destinationPath);
        entry.destinationPath = path_text::Join(folder, path_text::FileName(entry.sourcePath));
    }
    std::uint64_t total = headerSize_;
    for (const auto& entry : entryTable_) {
        if (entry.size > std::numeric_limits<std::uint64_t>::max() - total) {
            RaiseCompressError(compress_errc::unexpected);
        }
        total += entry.size;
    }
    position_ = headerSize_;
    total_ = total;
    Notify(notification::progress{position_, total_}, true);
    current_ = 1;
}

std::size_t ExtractionState::WriteEntryData(const char* data, std::size_t size) {
    if (current_ - 1 >= entryTable_.size()) RaiseCompressError(compress_errc::unexpected);  // surplus data
    const PayloadEntry& entry = entryTable_[current_ - 1];
    if (!entryOpen_) {
        // Before the rules or the journal act on the destination (grant, adopt, back up).
        guard_->Check(entry.destinationPath);
        const auto answer = observer_(notification{notification::file_begin{entry}});
        if (answer == notification::abort) RaiseCompressError(compress_errc::interrupted);
        remaining_ = entry.size;
        entryOpen_ = true;
        skipping_ = answer == notification::skip;
        if (!skipping_) OpenEntryFile(entry.destinationPath);
    }
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
    if (!skipping_ && take != 0) output_->Write(data, take);
    remaining_ -= take;
    position_ += take;
    Notify(notification::progress{position_, total_}, true);
    if (remaining_ == 0) {
        if (!skipping_) {
            output_->Close();
            output_.reset();
            if (FileChecksum(fileSystem_, entry.destinationPath) != entry.crc) {
                RaiseCompressError(compress_errc::invalid_checksum);
            }
            Notify(notification::file_end{entry}, true);
        }
        ++current_;
        entryOpen_ = false;
        skipping_ = false;
    }
    return take;
}

void ExtractionState::CompleteTrailingEmptyEntries() {
    if (failed_ || current_ == 0) return;
    try {
        while (!entryOpen_ && current_ - 1 < entryTable_.size() && entryTable_[current_ - 1].size == 0) {
            WriteEntryData(nullptr, 0);
        }
    } catch (...) {
        failed_ = true;
        throw;
    }
}

void ExtractionState::OpenEntryFile(const Utf16String& path) {
    guard_->Check(path);
    fileSystem_.PrepareDestination(path);
    guard_->Check(path);  // the folders created meanwhile included
    SecureSharedFolders(path_text::Parent(path));
    output_ = fileSystem_.CreateOutputFile(path);
}

void ExtractionState::Notify(notification::event_type event, bool abortable) {
    const auto answer = observer_(notification{std::move(event)});
    if (abortable && answer == notification::abort) RaiseCompressError(compress_errc::interrupted);
}

// --- destination placeholders -----------------------------------------------------------------

Utf16String ExtractionState::ResolveDestination(const Utf16String& destinationFolder) {
    if (destinationFolder.empty()) return {};
    const std::size_t firstEnd =
        std::find_if(destinationFolder.begin(), destinationFolder.end(), path_text::IsSeparator) -
        destinationFolder.begin();
    const Utf16View first = Utf16View(destinationFolder).substr(0, firstEnd);
    if (!IsTokenShaped(first)) return destinationFolder;

    Utf16String base;
    bool shared = false;
    Utf16String trustedRoot;  // of a users-writable folder: the system folder the token names
    bool sharedRoot = false;
    const auto rule = std::find_if(kPlaceholders.begin(), kPlaceholders.end(),
                                   [&](const Placeholder& p) { return p.token == first; });
    switch (rule == kPlaceholders.end() ? Root::none : rule->root) {
    case Root::install:
        base = installFolder_;
        break;
    case Root::samples:
        if (samplesFolder_.empty()) {
            base = SpecialFolder(csidl::kCommonDesktopDirectory, csidl::kDesktopDirectory);
        } else if (path_text::IsAbsolute(samplesFolder_)) {
            base = samplesFolder_;
        } else {
            trustedRoot = SpecialFolder(csidl::kCommonDesktopDirectory, csidl::kDesktopDirectory);
            base = path_text::Join(trustedRoot, samplesFolder_);
            RegisterSharedFolder(base);
            guard_->AddUsersWritableFolder(trustedRoot, base, true);
        }
        break;
    case Root::temporary:
        base = tempFolder_.empty() ? installFolder_ : tempFolder_;
        break;
    case Root::special:
        base = SpecialFolder(rule->csidl, rule->fallback);
        shared = rule->shared;
        if (shared || rule->csidl == csidl::kAppData) {
            trustedRoot = base;
            sharedRoot = shared;
        }
        break;
    case Root::none:
        break;
    }
    for (const auto& element : path_text::Elements(Utf16View(destinationFolder).substr(firstEnd))) {
        base = path_text::Join(base, element);
        if (shared) RegisterSharedFolder(base);
        if (!trustedRoot.empty()) guard_->AddUsersWritableFolder(trustedRoot, base, sharedRoot);
    }
    return base;
}

Utf16String ExtractionState::SpecialFolder(int csidl, std::optional<int> fallback) {
    Utf16String path = fileSystem_.ShellFolder(csidl);
    if (path.empty() && fallback) path = fileSystem_.ShellFolder(*fallback);
    if (path.empty()) RaiseCompressError(compress_errc::unexpected);
    return path;
}

std::vector<std::size_t> ExtractionState::SharedFolderCandidates(const Utf16String& folder,
                                                                const std::optional<FileIdentity>& identity,
                                                                const Utf16String& key) const {
    std::vector<std::size_t> candidates;
    const auto add = [&](const auto& map, const auto& value) {
        const auto found = map.find(value);
        if (found == map.end()) return;
        for (const std::size_t i : found->second) {
            if (std::find(candidates.begin(), candidates.end(), i) == candidates.end()) candidates.push_back(i);
        }
    };
    add(sharedIndex_.byText, folder);
    if (identity) {
        // SameFolder decides by identity against folders whose identity reads, by path otherwise.
        add(sharedIndex_.byIdentity, *identity);
        if (!key.empty()) add(sharedIndex_.byKeyNoIdentity, key);
    } else if (!key.empty()) {
        add(sharedIndex_.byKey, key);
    }
    return candidates;
}

void ExtractionState::RegisterSharedFolder(const Utf16String& folder) {
    // The same text again (the same destination in many entries) needs no file-system question.
    if (const auto same = sharedIndex_.byText.find(folder); same != sharedIndex_.byText.end()) {
        for (const std::size_t i : same->second) {
            if (SameFolder(folder, sharedFolders_[i].folderPath)) return;
        }
    }
    const auto identity = fileSystem_.Identity(folder);
    const Utf16String key = fileSystem_.AbsolutePathKey(folder);
    for (const std::size_t i : SharedFolderCandidates(folder, identity, key)) {
        if (SameFolder(folder, sharedFolders_[i].folderPath)) return;
    }
    const std::size_t index = sharedFolders_.size();
    sharedFolders_.push_back({folder, false});
    ++unsecuredFolders_;
    sharedIndex_.byText[folder].push_back(index);
    if (identity) sharedIndex_.byIdentity[*identity].push_back(index);
    if (!key.empty()) {
        sharedIndex_.byKey[key].push_back(index);
        if (!identity) sharedIndex_.byKeyNoIdentity[key].push_back(index);
    }
}

void ExtractionState::SecureSharedFolders(const Utf16String& fileFolder) {
    if (unsecuredFolders_ == 0) return;
    // Each registered folder is looked for among the existing folders from the file's folder up
    // to the root; the walk is the same for all of them, so it is made once.
    std::vector<std::size_t> found;
    try {
        Utf16String current = fileFolder;
        while (fileSystem_.IsFolder(current)) {
            try {
                const auto identity = fileSystem_.Identity(current);
                for (const std::size_t i :
                     SharedFolderCandidates(current, identity, fileSystem_.AbsolutePathKey(current))) {
                    if (!sharedFolders_[i].secured && SameFolder(current, sharedFolders_[i].folderPath)) {
                        found.push_back(i);
                    }
                }
            } catch (...) {
                // this folder of the walk is left out; the others are still looked at
            }
            Utf16String parent = path_text::Parent(current);
            if (parent.size() >= current.size()) break;  // the root
            current = std::move(parent);
        }
    } catch (...) {
        // the walk ends here; the folders found so far are secured
    }
    std::sort(found.begin(), found.end());
    found.erase(std::unique(found.begin(), found.end()), found.end());
    for (const std::size_t i : found) {  // in the order of the list
        try {
            guard_->Check(sharedFolders_[i].folderPath);
        } catch (...) {
            continue;  // a link there: not opened to the users; the next file looks again
        }
        sharedFolders_[i].secured = true;
        --unsecuredFolders_;
        try {
            fileSystem_.GrantUsersFullAccess(sharedFolders_[i].folderPath);
        } catch (...) {
            // the grant's failure is not reported; the folder stays marked as secured
        }
    }
}

bool ExtractionState::SameFolder(const Utf16String& a, const Utf16String& b) {
    if (path_text::SameElements(a, b)) return true;
    if (const auto same = fileSystem_.SameIdentity(a, b)) return *same;
    return fileSystem_.SameAbsolutePath(a, b);
}

}  // namespace sv
