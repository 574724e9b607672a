// Pieces shared by the install sequence's tests under Wine.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

namespace sv::test {

// A window holding the install page's three controls (log, progress bar, status text).
class PageWindow {
public:
    PageWindow();
    ~PageWindow();
    PageWindow(const PageWindow&) = delete;
    PageWindow& operator=(const PageWindow&) = delete;
    HWND get() const { return window_; }
    std::wstring Text(int id) const;

private:
    HWND window_ = nullptr;
};

struct LinkInfo {
    std::wstring target;
    std::wstring workingDirectory;
    std::wstring arguments;
};

// A link read back through the shell's own link object (empty fields when it cannot be loaded).
LinkInfo ReadLink(const std::wstring& path);

std::string ReadAll(const std::filesystem::path& file);
std::wstring ShellFolder(int csidl);

}  // namespace sv::test
