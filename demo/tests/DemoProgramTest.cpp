// The product stand-in's registration run, as the installer starts it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace {

std::wstring ProgramPath() {
    wchar_t own[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path = own;
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"Sarvelio.exe";
}

std::wstring ReadString(HKEY root, const wchar_t* subKey, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (::RegGetValueW(root, subKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return L"<none>";
    return value;
}

// Runs the program with arguments and returns its exit code.
DWORD RunProgram(const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + ProgramPath() + L"\"" + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        ADD_FAILURE() << "CreateProcessW failed: " << ::GetLastError();
        return 0;
    }
    sv::UniqueHandle processHandle(process.hProcess);
    sv::UniqueHandle threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, 30000);
    DWORD code = 0;
    ::GetExitCodeProcess(process.hProcess, &code);
    return code;
}

// Removes what the registration writes, before and after each test.
class RegistrationTest : public ::testing::Test {
protected:
    RegistrationTest() { Clean(); }
    ~RegistrationTest() override { Clean(); }
    static void Clean() {
        ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco\\Sarvelio 6 Test");
        ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L".sarv");
        ::RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Kavrenco.Sarvelio.6");
    }
};

TEST_F(RegistrationTest, RegistersItselfRecordsItsArgumentsAndExitsWithMinus10) {
    const struct {
        const wchar_t* arguments;
        const wchar_t* recorded;
    } cases[] = {
        {L" /Register /Background", L"/Register /Background"},
        {L" /Register /Background /update=0006000400080001", L"/Register /Background /update=0006000400080001"},
    };
    for (const auto& c : cases) {
        Clean();
        EXPECT_EQ(static_cast<int>(RunProgram(c.arguments)), -10);
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco\\Sarvelio 6 Test", L"LastArguments"),
                  c.recorded);
        // The path the installer's detection of an earlier installation reads.
        const std::wstring path = ReadString(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path");
        EXPECT_EQ(::lstrcmpiW(path.c_str(), ProgramPath().c_str()), 0) << path.size();
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L".sarv", nullptr), L"Kavrenco.Sarvelio.6");
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"Kavrenco.Sarvelio.6\\shell\\open\\command", nullptr),
                  L"\"" + path + L"\" \"%1\"");
    }
}

TEST_F(RegistrationTest, MalformedUpdateVersionRegistersNothing) {
    for (const wchar_t* arguments : {L" /Register /Background /update=6.4", L" /Register /Background /update=000600040008000G"}) {
        EXPECT_EQ(RunProgram(arguments), 2u);
        EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco", L"Sarvelio 6 Path"), L"<none>");
    }
}

}  // namespace

namespace {

// What the installer reads from the installed program (its version and application id), and the
// same product version on the uninstaller.
TEST(DemoVersionTest, BothProgramsCarryVersion6482OfSarvelio6) {
    const struct {
        const wchar_t* program;
        const wchar_t* applicationId;
    } cases[] = {{L"Sarvelio.exe", L"Sarvelio6"}, {L"Uninstall.exe", L"<none>"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.program);
        const std::wstring own = ProgramPath();
        const std::wstring path = own.substr(0, own.find_last_of(L'\\') + 1) + c.program;
        DWORD ignored = 0;
        std::vector<BYTE> data(::GetFileVersionInfoSizeW(path.c_str(), &ignored));
        ASSERT_FALSE(data.empty());
        ASSERT_TRUE(::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ((std::uint64_t{fixed->dwFileVersionMS} << 32) | fixed->dwFileVersionLS, 0x0006000400080002ull);
        const auto text = [&](const wchar_t* name) {
            wchar_t* value = nullptr;
            UINT size = 0;
            const std::wstring block = std::wstring(L"\\StringFileInfo\\040c04b0\\") + name;
            return ::VerQueryValueW(data.data(), block.c_str(), reinterpret_cast<void**>(&value), &size) && size
                       ? std::wstring(value)
                       : std::wstring(L"<none>");
        };
        EXPECT_EQ(text(L"ApplicationId"), c.applicationId);
        EXPECT_EQ(text(L"ProductName"), L"Sarvelio");
        EXPECT_EQ(text(L"ProductVersion"), L"6.04h");
        EXPECT_EQ(text(L"FileVersion"), L"6.4.8.2");
    }
}

}  // namespace
