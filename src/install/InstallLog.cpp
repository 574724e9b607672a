#include "install/InstallLog.h"

#include "install/LogText.h"

namespace sv {

void AppendInstallLog(HWND log, HWND fontOwner, const std::wstring& text, bool heading) {
    if (log == nullptr) return;
    std::wstring line = text;
    if (text.empty() || heading) {
        RECT client = {};
        GetClientRect(log, &client);
        const DWORD margins = static_cast<DWORD>(SendMessageW(log, EM_GETMARGINS, 0, 0));
        const int available = (client.right - client.left) - LOWORD(margins) - HIWORD(margins) - 2;
        HDC dc = GetDC(log);
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(fontOwner, WM_GETFONT, 0, 0));
        HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
        SIZE textSize = {}, hyphenSize = {};
        if (!text.empty()) {
            const std::wstring padded = L" " + text + L" ";
            GetTextExtentPoint32W(dc, padded.c_str(), static_cast<int>(padded.size()), &textSize);
        }
        GetTextExtentPoint32W(dc, L"-", 1, &hyphenSize);
        if (previous != nullptr) SelectObject(dc, previous);
        ReleaseDC(log, dc);
        line = HeadingLine(text, available, textSize.cx, hyphenSize.cx);
    }
    const int end = GetWindowTextLengthW(log);
    SendMessageW(log, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(log, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageW(log, EM_SCROLL, SB_LINEDOWN, 0);
}

std::wstring QuotedPath(const std::wstring& path) {
    // Quoted here rather than by PathQuoteSpacesW, which leaves a path of 257 characters or more
    // without quotes: a command line would then be split at its first space.
    std::wstring text = path.substr(0, MAX_PATH - 1);
    if (text.find(L' ') != std::wstring::npos) text = L"\"" + text + L"\"";
    return text;
}

}  // namespace sv
