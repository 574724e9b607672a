#include <gtest/gtest.h>

#include <cstring>

#include "TestSupport.h"
#include "app/Registry.h"

namespace sv {
namespace {

const std::wstring kKey = L"Software\\Kavrenco\\RegistryTest";

TEST(Registry, OpenMissingKeyGivesNoHandleAndNoError) {
    test::RegistrySandbox sandbox;
    EXPECT_FALSE(OpenRegistryKey(HKEY_LOCAL_MACHINE, L"Software\\Kavrenco\\Missing"));
    EXPECT_THROW(OpenRegistryKey(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x12345678)), L"x"), RegistryError);
}

TEST(Registry, ReadStringAcceptsOnlyWellFormedStrings) {
    test::RegistrySandbox sandbox;
    struct Case {
        const wchar_t* name;
        DWORD type;
        std::vector<BYTE> bytes;
        bool accepted;
        std::wstring text;
        DWORD count = 0;  // bytes stored; 0: all of them
    };
    auto bytesOf = [](const std::wstring& text, std::size_t extraNuls) {
        std::vector<BYTE> bytes((text.size() + extraNuls) * sizeof(wchar_t), 0);
        std::memcpy(bytes.data(), text.data(), text.size() * sizeof(wchar_t));
        return bytes;
    };
    std::vector<BYTE> odd = bytesOf(L"abc", 1);
    odd.push_back(0);
    const Case cases[] = {
        {L"plain", REG_SZ, bytesOf(L"C:\\Program Files\\x.exe", 1), true, L"C:\\Program Files\\x.exe"},
        {L"expand", REG_EXPAND_SZ, bytesOf(L"%TEMP%\\x", 1), true, L"%TEMP%\\x"},  // not expanded
        {L"empty", REG_SZ, bytesOf(L"", 1), true, L""},
        {L"oddCount", REG_SZ, odd, false, L""},
        // The registry adds a terminator when the one after the counted bytes was forgotten, so a
        // character follows the counted text here.
        {L"noTerminator", REG_SZ, bytesOf(L"abcd", 1), false, L"", 3 * sizeof(wchar_t)},
        {L"noBytes", REG_SZ, {}, false, L""},
        {L"dword", REG_DWORD, {1, 0, 0, 0}, false, L""},
        {L"binary", REG_BINARY, bytesOf(L"abc", 1), false, L""},
        {L"multi", REG_MULTI_SZ, bytesOf(L"abc", 2), false, L""},
    };
    for (const auto& c : cases)
        test::SetValue(HKEY_LOCAL_MACHINE, kKey, c.name, c.type, c.bytes.data(),
                       c.count != 0 ? c.count : static_cast<DWORD>(c.bytes.size()));
    UniqueHKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_TRUE(key);
    for (const auto& c : cases) {
        std::wstring out = L"untouched";
        EXPECT_EQ(ReadRegistryString(key.get(), c.name, out), c.accepted) << test::Narrow(c.name);
        EXPECT_EQ(out, c.accepted ? c.text : L"untouched") << test::Narrow(c.name);
    }
    std::wstring out;
    EXPECT_FALSE(ReadRegistryString(key.get(), L"missing", out));
}

}  // namespace
}  // namespace sv
