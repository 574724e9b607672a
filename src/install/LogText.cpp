#include "install/LogText.h"

#include <boost/format.hpp>

namespace sv {

int ProgressPercent(std::uint64_t done, std::uint64_t total) {
    if (total == 0) return 100;
    const double ratio = static_cast<double>(done) / static_cast<double>(total);
    int percent = static_cast<int>(ratio * 100.0 + 0.5);
    if (percent >= 100 && done < total) percent = 99;
    return percent;
}

HeadingRuns HeadingHyphens(int available, int textWidth, int hyphenWidth, bool hasText) {
    if (hyphenWidth <= 0) return {};
    int remaining = available - (hasText ? textWidth : 0);
    if (remaining < 0) remaining = 0;
    const int n = remaining / hyphenWidth;
    if (!hasText) return {n, 0};
    return {n / 2, (n + 1) / 2};
}

std::wstring HeadingLine(const std::wstring& text, int available, int paddedTextWidth, int hyphenWidth) {
    const bool hasText = !text.empty();
    const HeadingRuns runs = HeadingHyphens(available, paddedTextWidth, hyphenWidth, hasText);
    return std::wstring(static_cast<std::size_t>(runs.left), L'-') + (hasText ? L" " + text + L" " : L"") +
           std::wstring(static_cast<std::size_t>(runs.right), L'-') + L"\r\n";
}

std::wstring RegistrationCommandLine(const std::wstring& quotedMainExe, std::uint64_t updateFromVersion) {
    std::wstring command = quotedMainExe + L" /Register /Background";
    if (updateFromVersion != 0)
        command += L" /update=" + (boost::wformat(L"%|1$016x|") % updateFromVersion).str();
    return command;
}

}  // namespace sv
