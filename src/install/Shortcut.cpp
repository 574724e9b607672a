#include "install/Shortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace sv {
namespace {

bool CopyToPathBuffer(const std::wstring& text, wchar_t (&buffer)[MAX_PATH]) {
    if (text.size() >= MAX_PATH) return false;
    text.copy(buffer, text.size());
    buffer[text.size()] = L'\0';
    return true;
}

// Releases a COM interface at the end of a scope.
template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p != nullptr) p->Release();
    }
};

}  // namespace

bool CreateShortcut(const std::wstring& target, const std::wstring& folder, const std::optional<std::wstring>& name,
                    std::wstring* createdPath) {
    wchar_t workingDirectory[MAX_PATH] = {};
    // A target without a folder part leaves nothing (or nothing removed): no link.
    if (!CopyToPathBuffer(target, workingDirectory) || !PathRemoveFileSpecW(workingDirectory) ||
        workingDirectory[0] == L'\0')
        return false;

    std::wstring linkName;
    if (name) {
        linkName = *name;
    } else {
        wchar_t fileName[MAX_PATH] = {};
        if (!CopyToPathBuffer(PathFindFileNameW(target.c_str()), fileName)) return false;
        PathRemoveExtensionW(fileName);
        linkName = fileName;
    }

    wchar_t joined[MAX_PATH] = {};
    if (!CopyToPathBuffer(folder, joined) || !PathAppendW(joined, linkName.c_str())) return false;
    const std::wstring linkPath = std::wstring(joined) + L".lnk";

    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (init != S_OK && init != S_FALSE) return false;
    HRESULT outcome;
    {
        ComPtr<IShellLinkW> link;
        outcome = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link.p));
        if (SUCCEEDED(outcome)) {
            link.p->SetPath(target.c_str());
            link.p->SetWorkingDirectory(workingDirectory);
            ComPtr<IPersistFile> file;
            outcome = link.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p));
            if (SUCCEEDED(outcome)) outcome = file.p->Save(linkPath.c_str(), TRUE);
        }
    }
    CoUninitialize();
    if (FAILED(outcome)) return false;
    if (createdPath != nullptr) *createdPath = linkPath;
    return true;
}

}  // namespace sv
