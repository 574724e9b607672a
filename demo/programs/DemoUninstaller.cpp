// Stand-in for the product's uninstaller, Uninstall.exe of the demo payload: it removes what the
// installer recorded in Uninstall.ulog, the log beside it.
//
//   Uninstall.exe [/quiet]      asks first (Yes/No) unless /quiet, then removes, newest first, every
//                               completed entry of the log: installed files and shortcuts (read-only
//                               or not), the product's Uninstall key, what the product's
//                               registration run wrote, and the folders the installation created
//                               once they are empty; the log itself goes too.
//   Exit codes: 0 done, 1 cancelled (nothing touched), 2 log missing or unreadable (nothing
//   touched; a message box says so unless /quiet), 3 done, but something could be neither removed
//   nor scheduled for removal at the next restart.
//
// What is still in use cannot go at once: this program's own file, a running program, and the
// folders that hold them. Those are handed to a copy of this program in the temporary folder,
// started as  <copy> /after=<handle> <path>...  with an inherited handle of this process: the copy
// waits for this process to end, then deletes the paths in order (a folder only when empty) and
// schedules whatever still resists for deletion at the next restart. The copy's own file is
// opened with FILE_FLAG_DELETE_ON_CLOSE and that handle is inherited by the copy, so the system
// deletes the file when the copy ends; it is scheduled for the next restart as well, in case the
// system keeps it. So the caller still gets this process's exit code, and nothing is left behind.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueHandle.h"
#include "ulog/UlogReader.h"

namespace {

constexpr wchar_t kLogName[] = L"Uninstall.ulog";
constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Sarvelio 6";
constexpr wchar_t kPublisherKey[] = L"Software\\Kavrenco";
constexpr wchar_t kPathValue[] = L"Sarvelio 6 Path";
constexpr wchar_t kTestKey[] = L"Software\\Kavrenco\\Sarvelio 6 Test";
constexpr wchar_t kExtension[] = L".sarv";
constexpr wchar_t kProgId[] = L"Kavrenco.Sarvelio.6";

enum ExitCode { kDone = 0, kCancelled = 1, kNoLog = 2, kIncomplete = 3 };

bool SameText(std::wstring_view a, std::wstring_view b) {
    return ::CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                  TRUE) == CSTR_EQUAL;
}

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

std::wstring TempFolder() {
    wchar_t path[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, path);
    return length && length <= MAX_PATH ? std::wstring(path, length) : std::wstring();
}

bool IsGone(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Whether path lies below a folder that the machine's users (or the user) can write, and a link
// leads there: an element between that folder and path is a reparse point (a junction or a
// symbolic link), or path is a file that is a link or has more than one hard link. Such a path is
// not the product's any more; the uninstaller, running elevated, leaves it alone.
bool BehindUsersLink(const std::wstring& path) {
    for (const int csidl : {CSIDL_COMMON_APPDATA, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_APPDATA}) {
        wchar_t root[MAX_PATH] = {};
        if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, root)) || root[0] == L'\0') continue;
        std::wstring_view rootText = root;
        while (!rootText.empty() && rootText.back() == L'\\') rootText.remove_suffix(1);
        if (path.size() <= rootText.size() + 1 || path[rootText.size()] != L'\\' ||
            !SameText(std::wstring_view(path).substr(0, rootText.size()), rootText))
            continue;
        for (std::size_t end = rootText.size() + 1; end <= path.size(); ++end) {
            if (end != path.size() && path[end] != L'\\') continue;
            const std::wstring element = path.substr(0, end);
            const DWORD attributes = ::GetFileAttributesW(element.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES) return false;  // nothing below it either
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return true;
            if (end == path.size() && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                sv::UniqueFileHandle file(::CreateFileW(element.c_str(), FILE_READ_ATTRIBUTES,
                                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
                BY_HANDLE_FILE_INFORMATION info{};
                if (!file || !::GetFileInformationByHandle(file.get(), &info)) return true;  // not to be inspected
                return (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1;
            }
        }
        return false;
    }
    return false;
}

// Deletes a file (clearing read-only first) or removes an empty folder. True when it is gone, or
// when a link below a users-writable folder leads there (left alone: not the product's).
bool RemovePath(const std::wstring& path) {
    if (BehindUsersLink(path)) return true;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(::GetLastError());
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ::RemoveDirectoryW(path.c_str()) || IsGone(::GetLastError());
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return ::DeleteFileW(path.c_str()) || IsGone(::GetLastError());
}

bool RemoveAtRestart(const std::wstring& path) {
    return ::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// One uninstall run: what could not be removed yet, and whether anything failed for good.
class Remover {
public:
    void File(const std::wstring& path) {
        if (!path.empty() && !RemovePath(path)) later_.push_back(path);
    }

    // A folder the installation created goes once empty, or later when all it holds goes later.
    void Folder(const std::wstring& path) {
        const DWORD attributes = ::GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
        if (RemovePath(path) || !HoldsOnlyLaterItems(path)) return;
        later_.push_back(path);
    }

    void Key(HKEY root, const wchar_t* path) {
        const LSTATUS status = ::RegDeleteTreeW(root, path);
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) failed_ = true;
    }

    // What the product's registration run wrote (Sarvelio.exe /Register /Background).
    void ClassesRoot() {
        wchar_t progId[64] = {};
        DWORD size = sizeof progId - sizeof(wchar_t);
        // The extension only while it still points at the product; another program may own it now.
        if (::RegGetValueW(HKEY_CLASSES_ROOT, kExtension, nullptr, RRF_RT_REG_SZ, nullptr, progId, &size) ==
                ERROR_SUCCESS &&
            SameText(progId, kProgId)) {
            Key(HKEY_CLASSES_ROOT, kExtension);
        }
        Key(HKEY_CLASSES_ROOT, kProgId);
        Key(HKEY_LOCAL_MACHINE, kTestKey);
        sv::UniqueHKey publisher;
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kPublisherKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, publisher.put()) ==
            ERROR_SUCCESS) {
            const LSTATUS status = ::RegDeleteValueW(publisher.get(), kPathValue);
            if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) failed_ = true;
            DWORD subKeys = 1, values = 1;
            ::RegQueryInfoKeyW(publisher.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                               nullptr, nullptr, nullptr, nullptr);
            publisher.reset();
            if (subKeys == 0 && values == 0) ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kPublisherKey);
        }
        ::SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    }

    const std::vector<std::wstring>& Later() const { return later_; }
    bool Failed() const { return failed_; }
    void SetFailed() { failed_ = true; }

private:
    bool HoldsOnlyLaterItems(const std::wstring& folder) const {
        WIN32_FIND_DATAW found;
        sv::UniqueFindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
        if (!find) return false;
        do {
            const std::wstring_view name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = folder + L"\\" + found.cFileName;
            bool later = false;
            for (const auto& item : later_) later = later || SameText(item, child);
            if (!later) return false;
        } while (::FindNextFileW(find.get(), &found));
        return true;
    }

    std::vector<std::wstring> later_;
    bool failed_ = false;
};

bool ReadLog(const std::wstring& path, sv::PreviousLog& log) {
    sv::UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    sv::UlogReader reader;
    char buffer[16384];
    DWORD read = 0;
    while (!reader.Ended()) {
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr)) return false;
        if (read == 0) break;
        reader.Feed(std::string_view(buffer, read));
    }
    reader.Finish();
    // A log cut short by a damaged line is not acted on at all: half a list is worse than none.
    if (reader.Stop() != sv::UlogStop::endOfFile || reader.Result().version != 1) return false;
    log = reader.TakeResult();
    return true;
}

void Remove(const sv::PreviousLog& log, Remover& remover) {
    using Kind = sv::LogEntryKind;
    for (auto entry = log.entries.rbegin(); entry != log.entries.rend(); ++entry) {
        if (!entry->completed) continue;  // the installation did not carry this change out
        switch (entry->kind) {
        case Kind::CreatedFolder: remover.Folder(entry->path); break;
        case Kind::InstalledFile:
        case Kind::MenuShortcut:
        case Kind::UninstallShortcut:
        case Kind::DesktopShortcut: remover.File(entry->path); break;
        case Kind::UninstallKey: remover.Key(HKEY_LOCAL_MACHINE, kUninstallKey); break;
        case Kind::ClassesRoot: remover.ClassesRoot(); break;
        }
    }
}

// Hands the paths to a copy of this program in the temporary folder (see the top of the file).
bool StartFinishingCopy(const std::vector<std::wstring>& paths) {
    const std::wstring temp = TempFolder();
    wchar_t copy[MAX_PATH] = {};
    if (temp.empty() || !::GetTempFileNameW(temp.c_str(), L"svu", 0, copy)) return false;
    if (!::CopyFileW(OwnPath().c_str(), copy, FALSE)) {
        ::DeleteFileW(copy);
        return false;
    }
    ::SetFileAttributesW(copy, FILE_ATTRIBUTE_NORMAL);  // installed read-only; that would block the deletion
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    sv::UniqueFileHandle selfDeleting(::CreateFileW(copy, DELETE, FILE_SHARE_READ | FILE_SHARE_DELETE, &inherit,
                                                    OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    sv::UniqueHandle self;
    ::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), self.put(), SYNCHRONIZE,
                      TRUE, 0);
    std::wstring commandLine = L"\"" + std::wstring(copy) + L"\" /after=" +
                               std::to_wstring(reinterpret_cast<std::uintptr_t>(self.get()));
    for (std::wstring path : paths) {
        while (path.size() > 3 && path.back() == L'\\') path.pop_back();  // "\"" would escape the quote
        commandLine += L" \"" + path + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!self || !::CreateProcessW(copy, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(),
                                   &startup, &process)) {
        selfDeleting.reset();
        ::DeleteFileW(copy);
        return false;
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return true;
}

// The copy's part: once the uninstaller has ended, the paths it could not remove.
int Finish(HANDLE uninstaller, const std::vector<std::wstring>& paths) {
    ::WaitForSingleObject(uninstaller, INFINITE);
    ::CloseHandle(uninstaller);
    for (const auto& path : paths) {
        bool removed = RemovePath(path);
        for (int attempt = 0; !removed && attempt < 20; ++attempt) {  // an image may stay locked a moment
            ::Sleep(100);
            removed = RemovePath(path);
        }
        if (!removed) RemoveAtRestart(path);
    }
    RemoveAtRestart(OwnPath());  // in case the system keeps this file after all
    return kDone;
}

void Tell(bool quiet, const std::wstring& text, const std::wstring& caption, UINT icon) {
    if (!quiet) ::MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | icon);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    sv::UniqueLocal argvMemory(reinterpret_cast<HLOCAL>(::CommandLineToArgvW(::GetCommandLineW(), &count)));
    const auto argv = reinterpret_cast<wchar_t**>(argvMemory.get());
    std::vector<std::wstring> arguments;
    for (int i = 1; argv && i < count; ++i) arguments.emplace_back(argv[i]);

    // Never hold a folder that is to be removed as the current directory.
    const std::wstring temp = TempFolder();
    if (!temp.empty()) ::SetCurrentDirectoryW(temp.c_str());

    if (!arguments.empty() && arguments[0].starts_with(L"/after=")) {
        const auto handle = static_cast<std::uintptr_t>(std::wcstoull(arguments[0].c_str() + 7, nullptr, 10));
        return Finish(reinterpret_cast<HANDLE>(handle), {arguments.begin() + 1, arguments.end()});
    }
    bool quiet = false;
    for (const auto& argument : arguments) quiet = quiet || SameText(argument, L"/quiet");

    const std::wstring own = OwnPath();
    const std::wstring logPath = own.substr(0, own.find_last_of(L'\\') + 1) + kLogName;
    sv::PreviousLog log;
    if (!ReadLog(logPath, log)) {
        Tell(quiet, L"Sarvelio cannot be uninstalled: its uninstall information is missing or damaged.\n\n" + logPath,
             L"Sarvelio", MB_ICONERROR);
        return kNoLog;
    }
    const std::wstring title = log.installText.empty() ? L"Sarvelio" : log.installText;
    if (!quiet && ::MessageBoxW(nullptr, (L"Uninstall " + title + L"?").c_str(), title.c_str(),
                                MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES) {
        return kCancelled;
    }

    Remover remover;
    remover.File(logPath);  // read already; gone before the folders are looked at
    Remove(log, remover);
    if (!remover.Later().empty() && !StartFinishingCopy(remover.Later())) {
        for (const auto& path : remover.Later()) {
            if (!RemoveAtRestart(path)) remover.SetFailed();
        }
    }
    if (remover.Failed()) {
        Tell(quiet, L"Some parts of " + title + L" could not be removed.", title, MB_ICONWARNING);
        return kIncomplete;
    }
    Tell(quiet, title + L" has been removed from this computer.", title, MB_ICONINFORMATION);
    return kDone;
}
