// The version functions, reached at run time in the system folder's version.dll. (That a planted
// version.dll already in the process is not taken is shown with the real installer:
// PlantedLibraries.NeitherIsTakenByTheInstaller in tests/app.)
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "platform/VersionResolver.h"

namespace sv {
namespace {

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

std::wstring SystemFolder() {
    wchar_t path[MAX_PATH] = {};
    GetSystemDirectoryW(path, MAX_PATH);
    return path;
}

std::wstring ModuleFile(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    return path;
}

TEST(VersionResolver, LoadsTheLibraryOfTheSystemFolder) {
    const HMODULE library = version::Library();
    ASSERT_NE(library, nullptr);
    EXPECT_EQ(Lower(ModuleFile(library)), Lower(SystemFolder() + L"\\version.dll"));
    EXPECT_EQ(version::Library(), library);  // loaded once
}

TEST(VersionResolver, ReadsAFilesVersionInformation) {
    const std::wstring kernel = SystemFolder() + L"\\kernel32.dll";
    DWORD handle = 1;
    const DWORD size = version::GetFileVersionInfoSize(kernel.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(version::GetFileVersionInfo(kernel.c_str(), 0, size, block.data()));
    void* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(version::VerQueryValue(block.data(), L"\\", &fixed, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(static_cast<const VS_FIXEDFILEINFO*>(fixed)->dwSignature, 0xFEEF04BDu);
}

TEST(VersionResolver, FileWithoutVersionInformationAnswersZero) {
    DWORD handle = 0;
    EXPECT_EQ(version::GetFileVersionInfoSize(L"C:\\sv-no-such-file.exe", &handle), 0u);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

TEST(SystemFolderLibrary, MissingLibraryAnswersNull) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(LoadSystemFolderLibrary(L"sv-no-such-library.dll"), nullptr);
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
}  // namespace sv
