#include "ulog/UninstallLog.h"

#include <shlobj.h>

#include <algorithm>
#include <initializer_list>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/AccessControl.h"
#include "platform/UniqueHandle.h"
#include "ulog/LogFileApi.h"
#include "ulog/LogMerge.h"
#include "ulog/TrustedEntries.h"
#include "ulog/UlogReader.h"
#include "ulog/UlogWriter.h"

namespace sv {
namespace {

constexpr wchar_t kBackupPrivilege[] = L"SeBackupPrivilege";
constexpr wchar_t kRestorePrivilege[] = L"SeRestorePrivilege";
constexpr wchar_t kBackupPrefix[] = L"kv";
// GetTempFileNameW appends up to 14 characters to the folder; the result must fit in MAX_PATH.
constexpr DWORD kLongestTempFolder = MAX_PATH - 14;
constexpr DWORD kLogFileAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;  // 0x2021

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsFolder(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folders a shortcut entry of a previous log may point into: the start menus (their program
// folders below them) and the desktops, for all users and for this one.
std::vector<std::wstring> ShortcutFolders() {
    std::vector<std::wstring> folders;
    for (const int csidl : {CSIDL_COMMON_STARTMENU, CSIDL_STARTMENU, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS,
                            CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY}) {
        wchar_t path[MAX_PATH] = {};
        if (SUCCEEDED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0] != L'\0')
            folders.emplace_back(path);
    }
    return folders;
}

bool IsFile(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

void DeleteWhatever(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(path.c_str());
}

// Length of the root that CreateFolders never creates: "C:\", "\\server\share\", "\".
std::size_t RootLength(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        std::size_t pos = 2;
        for (int element = 0; element < 2 && pos < path.size(); ++element) {
            while (pos < path.size() && !IsSeparator(path[pos])) ++pos;
            if (pos < path.size()) ++pos;
        }
        return pos;
    }
    if (!path.empty() && IsSeparator(path[0])) return 1;
    return 0;
}

std::wstring ParentOf(const std::wstring& path) {
    const std::size_t last = path.find_last_of(L"\\/");
    if (last == std::wstring::npos) return std::wstring();
    const std::size_t root = RootLength(path);
    return path.substr(0, last < root ? root : last);  // a file in a root has the root as parent
}

// The privileges a hive load and a key save need, enabled for one scope.
class PrivilegeScope {
public:
    explicit PrivilegeScope(std::initializer_list<const wchar_t*> names) : names_(names) {
        for (const wchar_t* name : names_) SetPrivilege(name, true);
    }
    ~PrivilegeScope() {
        for (const wchar_t* name : names_) SetPrivilege(name, false);
    }
    PrivilegeScope(const PrivilegeScope&) = delete;
    PrivilegeScope& operator=(const PrivilegeScope&) = delete;

private:
    std::vector<const wchar_t*> names_;
};

std::vector<std::wstring> FullPathElements(const std::wstring& path) {
    std::vector<std::wstring> elements;
    const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0) return elements;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed) return elements;
    full.resize(length);
    std::size_t pos = 0;
    while (pos < full.size()) {
        const std::size_t end = std::min(full.find_first_of(L"\\/", pos), full.size());
        if (end > pos) elements.push_back(full.substr(pos, end - pos));
        pos = end + 1;
    }
    return elements;
}

bool ReadFileInformation(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& info) {
    UniqueFileHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.get(), &info);
}

// What SamePath compares, looked up once per path: the merge compares every old entry with every
// new one of its kind.
class PathFacts {
public:
    bool Same(const std::wstring& a, const std::wstring& b) {
        if (a == b) return true;
        const Facts& factsA = Lookup(a);
        const Facts& factsB = Lookup(b);
        if (factsA.hasIdentity && factsB.hasIdentity) {
            return factsA.volume == factsB.volume && factsA.index == factsB.index;
        }
        if (factsA.elements.empty() || factsA.elements.size() != factsB.elements.size()) return false;
        for (std::size_t i = 0; i < factsA.elements.size(); ++i) {
            const std::wstring& x = factsA.elements[i];
            const std::wstring& y = factsB.elements[i];
            if (CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()),
                                     TRUE) != CSTR_EQUAL) {
                return false;
            }
        }
        return true;
    }

private:
    struct Facts {
        bool hasIdentity = false;
        DWORD volume = 0;
        ULONGLONG index = 0;
        std::vector<std::wstring> elements;  // of the full path
    };

    const Facts& Lookup(const std::wstring& path) {
        const auto found = known_.find(path);
        if (found != known_.end()) return found->second;
        Facts facts;
        BY_HANDLE_FILE_INFORMATION info{};
        if (ReadFileInformation(path, info)) {
            facts.hasIdentity = true;
            facts.volume = info.dwVolumeSerialNumber;
            facts.index = (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
        }
        facts.elements = FullPathElements(path);
        return known_.emplace(path, std::move(facts)).first->second;
    }

    std::unordered_map<std::wstring, Facts> known_;
};

bool SameText(const std::wstring& a, const std::wstring& b) {
    return !a.empty() && CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

UniqueFileHandle OpenUnfollowedForDelete(const std::wstring& path) {
    return UniqueFileHandle(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
}

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow};
}

}  // namespace

bool SamePath(const std::wstring& a, const std::wstring& b) { return PathFacts().Same(a, b); }

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
    UniqueFileHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) return std::nullopt;
    return IdentityOfHandle(handle.get());
}

bool DeleteIfSame(const std::wstring& path, const FileIdentity& identity) {
    if (path.empty()) return false;
    UniqueFileHandle handle = OpenUnfollowedForDelete(path);
    if (!handle || IdentityOfHandle(handle.get()) != identity) return false;
    FILE_BASIC_INFO basic{};
    if (GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof basic) &&
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY)) {
        basic.FileAttributes &= ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
        if (basic.FileAttributes == 0) basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(handle.get(), FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(handle.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool RestoreKeyFromFile(HKEY parent, const std::wstring& subKey, const std::wstring& hiveFile) {
    static unsigned loads = 0;
    const std::wstring hive =
        L"SvRestore_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(++loads);
    if (RegLoadKeyW(HKEY_USERS, hive.c_str(), hiveFile.c_str()) != ERROR_SUCCESS) return false;
    bool copied = false;
    {
        UniqueHKey source;
        UniqueHKey target;
        if (RegOpenKeyExW(HKEY_USERS, hive.c_str(), 0, KEY_READ, source.put()) == ERROR_SUCCESS &&
            RegCreateKeyExW(parent, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                            target.put(), nullptr) == ERROR_SUCCESS) {
            const LSTATUS cleared = RegDeleteTreeW(target.get(), nullptr);
            copied = (cleared == ERROR_SUCCESS || cleared == ERROR_FILE_NOT_FOUND) &&
                     RegCopyTreeW(source.get(), nullptr, target.get()) == ERROR_SUCCESS;
        }
    }
    RegUnLoadKeyW(HKEY_USERS, hive.c_str());
    return copied;
}

UninstallLog::UninstallLog(Product product) : product_(std::move(product)), fileApi_(&SystemLogFileApi()) {}

LogEntry& UninstallLog::Append(LogEntryKind kind, std::int32_t value) {
    LogEntry& entry = entries_.emplace_back();
    entry.kind = kind;
    entry.value = value;
    return entry;
}

std::wstring UninstallLog::MakeBackup(const std::wstring* source, bool copy) {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > kLongestTempFolder) return std::wstring();
    wchar_t name[MAX_PATH] = {};
    if (GetTempFileNameW(folder, kBackupPrefix, 0, name) == 0) return std::wstring();
    DeleteFileW(name);  // only the unique name is kept
    if (!source) return name;

    const DWORD attributes = GetFileAttributesW(source->c_str());
    const bool valid = attributes != INVALID_FILE_ATTRIBUTES;
    SetFileAttributesW(source->c_str(), FILE_ATTRIBUTE_NORMAL);
    if (copy) {
        if (CopyFileW(source->c_str(), name, FALSE)) {
            if (valid) {
                SetFileAttributesW(source->c_str(), attributes);
                SetFileAttributesW(name, attributes);
            }
            return name;
        }
        DeleteFileW(name);
    } else if (MoveFileExW(source->c_str(), name, MOVEFILE_COPY_ALLOWED)) {
        if (valid) SetFileAttributesW(name, attributes);
        return name;
    }
    if (valid) SetFileAttributesW(source->c_str(), attributes);
    return std::wstring();
}

void UninstallLog::CreateFolders(const std::wstring& path) {
    std::size_t pos = RootLength(path);
    while (pos < path.size()) {
        const std::size_t end = std::min(path.find_first_of(L"\\/", pos), path.size());
        if (end > pos) {
            const std::wstring prefix = path.substr(0, end);
            if (!IsFolder(prefix)) {
                SECURITY_ATTRIBUTES security{sizeof security, securedFolderDescriptor_, FALSE};
                const bool secured = securedFolderDescriptor_ && SameText(prefix, securedFolder_);
                if (!CreateDirectoryW(prefix.c_str(), secured ? &security : nullptr)) return;
                SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHW, prefix.c_str(), nullptr);
                LogEntry& entry = Append(LogEntryKind::CreatedFolder, kNoEntryValue);
                entry.path = prefix;
                entry.completed = true;
                entry.identity = IdentityOf(prefix);
            }
        }
        pos = end + 1;
    }
}

void UninstallLog::RecordFile(const std::wstring& path, std::int32_t payloadKind, bool keepInPlace) {
    outcomePending_ = true;
    const bool allowed = MayActOn(path);
    if (allowed) CreateFolders(ParentOf(path));
    LogEntry& entry = Append(LogEntryKind::InstalledFile, payloadKind);
    entry.path = path;
    if (IsFile(path)) {
        if (allowed) entry.backupPath = MakeBackup(&path, keepInPlace);
        entry.unsavedOriginal = entry.backupPath.empty();
        entry.keptInPlace = keepInPlace && !entry.unsavedOriginal;
    }
}

void UninstallLog::NoteWrittenFile(const std::wstring& path, const FileIdentity& identity) {
    if (!outcomePending_ || entries_.empty()) return;
    LogEntry& last = entries_.back();
    if (last.kind == LogEntryKind::InstalledFile && last.path == path) last.identity = identity;
}

void UninstallLog::RecordShortcut(int which, const std::wstring& folder) {
    if (which < MenuProgram || which > Desktop) return;
    outcomePending_ = true;
    CreateFolders(folder);
    const auto kind = static_cast<LogEntryKind>(static_cast<int>(LogEntryKind::MenuShortcut) + which);
    LogEntry& entry = Append(kind, kNoEntryValue);
    const auto previous = std::find_if(previousEntries_.begin(), previousEntries_.end(),
                                       [kind](const LogEntry& old) { return old.kind == kind; });
    if (previous != previousEntries_.end() && IsFile(previous->path)) {
        entry.backupPath = MakeBackup(&previous->path, false);
        if (!entry.backupPath.empty()) entry.backupSource = previous->path;
    }
}

void UninstallLog::RecordUninstallKey(HKEY existingKey) {
    outcomePending_ = true;
    LogEntry& entry = Append(LogEntryKind::UninstallKey, kNoEntryValue);
    if (!existingKey) return;
    entry.backupPath = MakeBackup(nullptr, false);
    if (!entry.backupPath.empty()) {
        PrivilegeScope privilege{kBackupPrivilege};
        if (RegSaveKeyW(existingKey, entry.backupPath.c_str(), nullptr) != ERROR_SUCCESS) {
            DeleteWhatever(entry.backupPath);
            entry.backupPath.clear();
        }
    }
    // An existing key that could not be saved is left alone by a rollback rather than deleted.
    entry.unsavedOriginal = entry.backupPath.empty();
}

void UninstallLog::RecordClassesRoot() {
    outcomePending_ = true;
    Append(LogEntryKind::ClassesRoot, kNoEntryValue);
}

void UninstallLog::CompleteLast(bool outcome, const std::wstring& shortcutPath) {
    if (!outcomePending_) return;
    outcomePending_ = false;
    if (entries_.empty()) return;
    LogEntry& last = entries_.back();
    last.completed = outcome;
    if (outcome && !shortcutPath.empty()) last.path = shortcutPath;
}

bool UninstallLog::IsPreviousCompletedFile(const std::wstring& path) const {
    return std::any_of(previousEntries_.begin(), previousEntries_.end(), [&](const LogEntry& entry) {
        return entry.kind == LogEntryKind::InstalledFile && entry.completed && entry.path == path;
    });
}

void UninstallLog::RollbackFile(const LogEntry& entry) {
    const bool file = entry.kind == LogEntryKind::InstalledFile;
    if (file && entry.keptInPlace) {
        DeleteWhatever(entry.backupPath);  // the adopted file never left its place: the copy goes
        return;
    }
    if (file) {
        // Only what this run wrote, as long as it is still there; a file swapped in is left.
        if (!entry.unsavedOriginal && entry.identity) DeleteIfSame(entry.path, *entry.identity);
    } else if (!entry.unsavedOriginal && !entry.path.empty()) {
        DeleteWhatever(entry.path);
    }
    if (entry.backupPath.empty()) return;
    const std::wstring& target = entry.backupSource.empty() ? entry.path : entry.backupSource;
    if (target.empty() || !MayActOn(target)) return;
    const DWORD attributes = GetFileAttributesW(entry.backupPath.c_str());
    const bool valid = attributes != INVALID_FILE_ATTRIBUTES;
    SetFileAttributesW(entry.backupPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A file's backup never replaces what is at its place now: that is not this run's.
    const DWORD replace = file ? 0 : MOVEFILE_REPLACE_EXISTING;
    if (MoveFileExW(entry.backupPath.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED | replace)) {
        if (valid) SetFileAttributesW(target.c_str(), attributes);
    } else if (valid) {
        SetFileAttributesW(entry.backupPath.c_str(), attributes);  // kept where it is rather than lost
    }
}

void UninstallLog::RollbackUninstallKey(const LogEntry& entry) {
    PrivilegeScope privileges{kRestorePrivilege, kBackupPrivilege};
    UniqueHKey root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallRootKey, 0, KEY_ALL_ACCESS, root.put()) != ERROR_SUCCESS) return;
    if (!entry.backupPath.empty()) {
        // The saved copy is deleted only once it is back in the registry.
        if (RestoreKeyFromFile(root.get(), product_.key, entry.backupPath)) DeleteWhatever(entry.backupPath);
    } else if (!entry.unsavedOriginal) {
        RegDeleteTreeW(root.get(), product_.key.c_str());
    }
}

void UninstallLog::Rollback() {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
        switch (it->kind) {
        case LogEntryKind::CreatedFolder:
            // Only the folder this run created (not a link or folder put in its place), if empty.
            if (it->identity && DeleteIfSame(it->path, *it->identity)) {
                SHChangeNotify(SHCNE_RMDIR, SHCNF_PATHW, it->path.c_str(), nullptr);
            }
            break;
        case LogEntryKind::UninstallKey:
            RollbackUninstallKey(*it);
            break;
        case LogEntryKind::ClassesRoot:
            break;
        default:
            RollbackFile(*it);
            break;
        }
    }
    entries_.clear();
}

bool UninstallLog::WriteAndCommit(const std::wstring& logPath, const std::wstring& installFolder,
                                  const std::wstring& startMenuFolder) {
    PathFacts paths;
    MergePreviousEntries(previousEntries_, entries_,
                         [&paths](const std::wstring& a, const std::wstring& b) { return paths.Same(a, b); });

    UlogHeader header;
    header.productTitle = product_.displayTitle ? product_.displayTitle() : std::wstring();
    header.previousInstallText = previousInstallText_;
    header.installFolder = installFolder;
    header.startMenuFolder = startMenuFolder;
    header.productKey = product_.key;

    std::vector<std::string> pieces{std::string(kUtf16LeByteOrderMark, sizeof kUtf16LeByteOrderMark)};
    for (const std::wstring& line : FormatUlogLines(header, entries_)) pieces.push_back(Utf16LeBytes(line));
    const bool written = ReplaceFileContents(*fileApi_, logPath, pieces, kLogFileAttributes);

    for (LogEntry& entry : entries_) {
        if (entry.backupPath.empty()) continue;
        DeleteWhatever(entry.backupPath);
        entry.backupPath.clear();
    }
    return written;
}

void UninstallLog::ReadPrevious(const std::wstring& path) {
    previousInstallPath_.clear();
    previousShortcutPath_.clear();
    previousInstallText_.clear();
    previousEntries_.clear();
    if (path.empty()) return;

    UniqueFileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    UlogReader reader;
    char block[4096];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file.get(), block, sizeof block, &read, nullptr)) break;  // a read error ends reading
        if (read == 0) {
            reader.Finish();
            break;
        }
        if (!reader.Feed(std::string_view(block, read))) break;
    }
    PreviousLog previous = reader.TakeResult();
    previousInstallText_ = std::move(previous.installText);
    // Only what has the shape this program writes is used: a header path of another shape counts
    // as absent, and an entry of another shape is neither acted on nor carried into the new log.
    if (IsPlainDrivePath(previous.installPath) && IsFolder(previous.installPath))
        previousInstallPath_ = std::move(previous.installPath);
    if (IsPlainDrivePath(previous.shortcutPath) && IsFolder(previous.shortcutPath))
        previousShortcutPath_ = std::move(previous.shortcutPath);
    DropUntrustedEntries(previous.entries, ShortcutFolders());
    previousEntries_ = std::move(previous.entries);
}

}  // namespace sv
