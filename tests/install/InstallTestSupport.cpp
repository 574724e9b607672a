#include "InstallTestSupport.h"

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

#include "install/InstallSequence.h"

namespace sv::test {

PageWindow::PageWindow() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    window_ = CreateWindowExW(0, WC_DIALOG, L"page", WS_POPUP, 0, 0, 420, 260, nullptr, nullptr, nullptr, nullptr);
    CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_READONLY | WS_VSCROLL |
                    ES_AUTOVSCROLL, 0, 0, 400, 150, window_, reinterpret_cast<HMENU>(kIdcInstallLog), nullptr, nullptr);
    CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD, 0, 160, 400, 16, window_,
                    reinterpret_cast<HMENU>(kIdcInstallProgress), nullptr, nullptr);
    CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_NOPREFIX, 0, 190, 400, 16, window_,
                    reinterpret_cast<HMENU>(kIdcStatus), nullptr, nullptr);
    SendDlgItemMessageW(window_, kIdcInstallProgress, PBM_SETRANGE32, 0, 100);
}

PageWindow::~PageWindow() { DestroyWindow(window_); }

std::wstring PageWindow::Text(int id) const {
    const int length = GetWindowTextLengthW(GetDlgItem(window_, id));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    GetDlgItemTextW(window_, id, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

LinkInfo ReadLink(const std::wstring& path) {
    LinkInfo info;
    const HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IShellLinkW* link = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&link)))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
                wchar_t text[MAX_PATH] = {};
                link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
                info.target = text;
                link->GetWorkingDirectory(text, MAX_PATH);
                info.workingDirectory = text;
                link->GetArguments(text, MAX_PATH);
                info.arguments = text;
            }
            file->Release();
        }
        link->Release();
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return info;
}

std::string ReadAll(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

}  // namespace sv::test
