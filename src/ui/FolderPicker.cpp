#include "ui/FolderPicker.h"

#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <vector>

#include "app/InstallerState.h"
#include "app/StartUp.h"
#include "ui/framework/WinApp.h"

namespace sv::ui {
namespace {

constexpr std::int32_t kFileNameTooLong = static_cast<std::int32_t>(0x800700CE);

std::wstring WithoutTrailingBackslash(std::wstring path) {
    if (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) path.pop_back();
    return path;
}

std::vector<std::wstring> Elements(const std::wstring& path) {
    std::vector<std::wstring> elements;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = path.find_first_of(L"\\/", start);
        elements.push_back(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    return elements;
}

bool SameElement(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// True when the last `count` elements of `folder` equal the first `count` of `suffix`.
bool EndsWith(const std::vector<std::wstring>& folder, const std::vector<std::wstring>& suffix, std::size_t count) {
    if (count > folder.size()) return false;
    const std::size_t offset = folder.size() - count;
    for (std::size_t i = 0; i < count; ++i)
        if (!SameElement(folder[offset + i], suffix[i])) return false;
    return true;
}

std::wstring Joined(const std::vector<std::wstring>& elements, std::size_t from) {
    std::wstring text;
    for (std::size_t i = from; i < elements.size(); ++i) {
        if (i > from) text += L'\\';
        text += elements[i];
    }
    return text;
}

bool IsBareDrive(const std::wstring& path) { return path.size() == 2 && path[1] == L':' && IsCharAlphaW(path[0]); }

bool ValidPathCharacters(const std::wstring& path) {
    for (std::size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'/') continue;  // a separator, as "\" (the path functions disagree about it)
        const UINT type = PathGetCharTypeW(path[i]);
        if (type == GCT_INVALID || (type & GCT_WILD) != 0) return false;
        if (path[i] == L':' && i != 1) return false;
    }
    return true;
}

bool IsInsideOrSame(const std::wstring& path, const std::wstring& folder) {
    const std::wstring base = WithoutTrailingBackslash(folder);
    if (path.size() < base.size()) return false;
    if (CompareStringOrdinal(path.c_str(), static_cast<int>(base.size()), base.c_str(), static_cast<int>(base.size()),
                             TRUE) != CSTR_EQUAL)
        return false;
    return path.size() == base.size() || path[base.size()] == L'\\';
}

std::wstring PathOf(PCIDLIST_ABSOLUTE pidl) {
    wchar_t path[MAX_PATH] = {};
    if (pidl == nullptr || !SHGetPathFromIDListW(pidl, path)) return {};
    return path;
}

std::wstring Canonical(const std::wstring& path) {
    if (path.size() >= MAX_PATH) return path;
    wchar_t canonical[MAX_PATH] = {};
    if (!PathCanonicalizeW(canonical, path.c_str())) return path;
    return canonical;
}

BOOL CALLBACK TakeFirstWindow(HWND window, LPARAM found) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

BOOL CALLBACK TakeEditBox(HWND child, LPARAM found) {
    wchar_t className[8] = {};
    if (GetClassNameW(child, className, 8) == 0 || lstrcmpiW(className, L"Edit") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

HWND PickerOwner() {
    HWND window = GetActiveWindow();
    if (window == nullptr) {
        EnumThreadWindows(GetCurrentThreadId(), TakeFirstWindow, reinterpret_cast<LPARAM>(&window));
    }
    if (window == nullptr) return nullptr;
    return GetLastActivePopup(GetAncestor(window, GA_ROOTOWNER));
}

void ShowPickerError(HWND owner, std::int32_t code) {
    UINT type = MB_ICONEXCLAMATION | MB_OK;
    if (owner != nullptr && (GetWindowLongPtrW(owner, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0) type |= MB_RTLREADING;
    ShowMessageBox(owner, InstallerState::ErrorCodeText(code), nullptr, type);
}

bool InitialiseComponentLibrary(HWND owner) {
    thread_local bool initialised = false;
    if (initialised) return true;
    const HRESULT result = OleInitialize(nullptr);
    if (FAILED(result)) {
        ShowPickerError(owner, static_cast<std::int32_t>(result));
        return false;
    }
    initialised = true;
    return true;
}

// One Browse: the browser's settings and what it reported.
class FolderPicker {
public:
    FolderPicker(HWND owner, std::wstring suffix, std::optional<std::wstring> rootFolder)
        : owner_(owner), suffix_(std::move(suffix)), rootFolder_(std::move(rootFolder)) {
        if (rootFolder_) rootParent_ = ParentFolder(*rootFolder_);
    }

    // The text shown for a picked folder: joined with the suffix; with a root, relative to the
    // root's parent folder.
    std::wstring TextFor(const std::wstring& folder) const {
        std::wstring text = JoinWithSuffix(folder, suffix_);
        if (rootParent_) {
            if (auto relative = RelativeFolderText(*rootParent_, text)) text = *relative;
        }
        return text;
    }

    ChosenFolder Run(const std::wstring& initialFolder, const std::wstring& title, PCIDLIST_ABSOLUTE root) {
        std::wstring start;
        if (!initialFolder.empty() && !PathIsRelativeW(initialFolder.c_str()))
            start = initialFolder;
        else if (rootFolder_)
            start = *rootFolder_;
        else
            start = LibraryFolders().documents;
        if (IsBareDrive(start)) start += L'\\';
        text_ = TextFor(start);

        BROWSEINFOW info = {};
        info.hwndOwner = owner_;
        info.pidlRoot = root;
        info.lpszTitle = title.c_str();
        info.ulFlags = FolderBrowserFlags(!suffix_.empty());
        info.lpfn = Callback;
        info.lParam = reinterpret_cast<LPARAM>(this);
        PIDLIST_ABSOLUTE picked = SHBrowseForFolderW(&info);
        if (picked == nullptr) return {};
        ChosenFolder chosen;
        chosen.folder = validated_ ? text_ : PathOf(picked);
        CoTaskMemFree(picked);
        if (chosen.folder.empty()) return {};
        chosen.withoutSuffix = RemoveSuffix(chosen.folder, suffix_);
        if (rootParent_) {
            if (auto relative = RelativeFolderText(*rootParent_, chosen.folder)) chosen.relative = *relative;
        }
        return chosen;
    }

private:
    static int CALLBACK Callback(HWND browser, UINT message, LPARAM lParam, LPARAM data) {
        return reinterpret_cast<FolderPicker*>(data)->OnMessage(browser, message, lParam);
    }

    HWND EditBox(HWND browser) const {
        if (suffix_.empty()) return nullptr;
        HWND edit = nullptr;
        EnumChildWindows(browser, TakeEditBox, reinterpret_cast<LPARAM>(&edit));
        return edit;
    }

    void ShowText(HWND browser) const {
        if (HWND edit = EditBox(browser)) {
            SetWindowTextW(edit, text_.c_str());
            SendMessageW(edit, EM_SETSEL, 0, -1);
        }
    }

    // OK with the edit box: the confirmed text is checked here, before the browser acts on it, so
    // that every browser returns the same folder for it (some ignore the text of the edit box when
    // it names no existing folder instead of asking for its validation).
    static LRESULT CALLBACK BrowserProc(HWND browser, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR data) {
        auto* picker = reinterpret_cast<FolderPicker*>(data);
        if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
            if (HWND edit = picker->EditBox(browser)) {
                std::wstring typed(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
                typed.resize(static_cast<std::size_t>(GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()))));
                if (!picker->Validate(browser, typed)) return 0;
            }
        } else if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(browser, BrowserProc, 1);
        }
        return DefSubclassProc(browser, message, wParam, lParam);
    }

    // A typed text: accepted, it becomes the picker's result; refused, the user is told why.
    bool Validate(HWND browser, const std::wstring& typed) {
        const TypedFolder folder = ValidateTypedFolder(typed, rootParent_);
        if (!folder.accepted) {
            ShowPickerError(browser, folder.errorCode);
            return false;
        }
        text_ = folder.fullPath;
        validated_ = true;
        return true;
    }

    int OnMessage(HWND browser, UINT message, LPARAM lParam) {
        switch (message) {
        case BFFM_INITIALIZED: {
            if (!suffix_.empty()) SetWindowSubclass(browser, BrowserProc, 1, reinterpret_cast<DWORD_PTR>(this));
            std::wstring folder = rootParent_ ? CombineFolder(*rootParent_, text_) : text_;
            while (!folder.empty() && !PathIsDirectoryW(folder.c_str())) {
                const std::wstring parent = ParentFolder(folder);
                folder = parent == folder ? std::wstring{} : parent;
            }
            if (!folder.empty()) {
                SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
                SendMessageW(browser, BFFM_SETEXPANDED, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
            }
            ShowText(browser);
            opened_ = true;
            return 0;
        }
        case BFFM_SELCHANGED: {
            if (!opened_) return 0;
            const std::wstring folder = PathOf(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam));
            if (EditBox(browser) != nullptr) {
                if (!folder.empty()) {
                    text_ = TextFor(folder);
                    ShowText(browser);
                }
            } else {
                SendMessageW(browser, BFFM_ENABLEOK, 0, folder.empty() ? FALSE : TRUE);
            }
            return 0;
        }
        case BFFM_VALIDATEFAILEDW:
            return Validate(browser, reinterpret_cast<const wchar_t*>(lParam)) ? 0 : 1;  // 1 keeps it open
        default:
            return 0;
        }
    }

    HWND owner_;
    std::wstring suffix_;
    std::optional<std::wstring> rootFolder_;
    std::optional<std::wstring> rootParent_;
    std::wstring text_;
    bool opened_ = false;
    bool validated_ = false;
};

}  // namespace

std::wstring ShellFolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

std::optional<std::wstring> RelativeFolderText(const std::wstring& base, const std::wstring& folder) {
    if (base.empty() || folder.empty() || base.size() >= MAX_PATH || folder.size() >= MAX_PATH) return std::nullopt;
    wchar_t relative[MAX_PATH] = {};
    if (!PathRelativePathToW(relative, base.c_str(), FILE_ATTRIBUTE_DIRECTORY, folder.c_str(), FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    const std::wstring text = relative;
    if (text == L"." || text == L".\\") return std::wstring{};
    // Canonicalising would drop the leading ".." of a folder outside the base (..\x became
    // \x, a folder at the root of the drive): such a text keeps its ".." so that it combines back.
    if (text.starts_with(L"..")) return text;
    return Canonical(text);
}

std::wstring CombineFolder(const std::wstring& base, const std::wstring& text) {
    wchar_t combined[MAX_PATH] = {};
    if (base.size() >= MAX_PATH || text.size() >= MAX_PATH) return base;
    if (PathCombineW(combined, base.empty() ? nullptr : base.c_str(), text.c_str()) == nullptr) return base;
    return combined;
}

std::wstring JoinWithSuffix(const std::wstring& folder, const std::wstring& suffix) {
    const std::wstring base = WithoutTrailingBackslash(folder);
    const std::wstring tail = WithoutTrailingBackslash(suffix);
    if (tail.empty()) return folder;
    const std::vector<std::wstring> folderElements = Elements(base);
    const std::vector<std::wstring> suffixElements = Elements(tail);
    for (std::size_t count = suffixElements.size(); count > 0; --count) {
        if (!EndsWith(folderElements, suffixElements, count)) continue;
        if (count == suffixElements.size()) return base;
        return base + L'\\' + Joined(suffixElements, count);
    }
    return base + L'\\' + tail;
}

std::wstring RemoveSuffix(const std::wstring& folder, const std::wstring& suffix) {
    const std::wstring tail = WithoutTrailingBackslash(suffix);
    if (tail.empty()) return folder;
    const std::vector<std::wstring> folderElements = Elements(WithoutTrailingBackslash(folder));
    const std::vector<std::wstring> suffixElements = Elements(tail);
    if (!EndsWith(folderElements, suffixElements, suffixElements.size())) return folder;
    std::vector<std::wstring> kept(folderElements.begin(), folderElements.end() - static_cast<std::ptrdiff_t>(suffixElements.size()));
    std::wstring result = Joined(kept, 0);
    if (IsBareDrive(result)) result += L'\\';
    return result;
}

std::wstring CleanSuffix(const std::wstring& suffix) {
    std::wstring cleaned = suffix;
    while (!cleaned.empty() && cleaned.back() == L'.') cleaned.pop_back();
    for (const wchar_t c : cleaned) {
        const UINT type = PathGetCharTypeW(c);
        if (type == GCT_INVALID || (type & GCT_WILD) != 0 || c == L':') return {};
    }
    return cleaned;
}

bool IsFolderOnDrive(const std::wstring& path) {
    if (path.size() < 3) return false;
    const wchar_t drive = path[0];
    const bool letter = (drive >= L'A' && drive <= L'Z') || (drive >= L'a' && drive <= L'z');
    return letter && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/') && ValidPathCharacters(path);
}

TypedFolder ValidateTypedFolder(const std::wstring& typed, const std::optional<std::wstring>& base) {
    TypedFolder result;
    std::wstring text = typed;
    const std::size_t first = text.find_first_not_of(L' ');
    text = first == std::wstring::npos ? std::wstring{} : text.substr(first, text.find_last_not_of(L' ') - first + 1);
    text = WithoutTrailingBackslash(text);
    if (IsBareDrive(text)) text += L'\\';
    if (text.size() > static_cast<std::size_t>(kMaxPathText)) {
        result.errorCode = kFileNameTooLong;
        return result;
    }
    if (text.empty() || (!base && !IsFolderOnDrive(text))) {
        result.errorCode = ERROR_BAD_PATHNAME;
        return result;
    }
    if (base) text = CombineFolder(*base, text);
    wchar_t full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameW(text.c_str(), MAX_PATH, full, nullptr);
    if (length >= MAX_PATH) {
        result.errorCode = kFileNameTooLong;
        return result;
    }
    if (length == 0 || !IsFolderOnDrive(full) || (base && !IsInsideOrSame(full, *base))) {
        result.errorCode = ERROR_BAD_PATHNAME;
        return result;
    }
    result.accepted = true;
    result.fullPath = full;
    return result;
}

UINT FolderBrowserFlags(bool withSuffix) {
    UINT flags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS | BIF_NEWDIALOGSTYLE;
    if (withSuffix) flags |= BIF_EDITBOX | BIF_VALIDATE;
    return flags;
}

ChosenFolder ChooseFolder(const std::wstring& initialFolder, const std::wstring& suffix, const std::wstring& title,
                          std::optional<int> rootCsidl) {
    HWND owner = PickerOwner();
    if (!InitialiseComponentLibrary(owner)) return {};
    PIDLIST_ABSOLUTE root = nullptr;
    std::optional<std::wstring> rootFolder;
    if (rootCsidl) {
        if (SUCCEEDED(SHGetSpecialFolderLocation(owner, *rootCsidl, &root))) rootFolder = PathOf(root);
        if (rootFolder && rootFolder->empty()) rootFolder.reset();
    }
    FolderPicker picker(owner, CleanSuffix(suffix), rootFolder);
    ChosenFolder chosen = picker.Run(initialFolder, title, root);
    if (root != nullptr) CoTaskMemFree(root);
    return chosen;
}

}  // namespace sv::ui
