#include "app/Registry.h"

#include <cstring>
#include <vector>

namespace sv {
namespace {
RegistryOpenHook& OpenHook() {
    static RegistryOpenHook hook;
    return hook;
}
}  // namespace

void SetRegistryOpenHook(RegistryOpenHook hook) { OpenHook() = std::move(hook); }

RegistryError::RegistryError(LSTATUS status, const char* what)
    : std::system_error(static_cast<int>(status), std::system_category(), what) {}

UniqueHKey OpenRegistryKey(HKEY root, const std::wstring& path) {
    UniqueHKey key;
    LSTATUS status = OpenHook() ? OpenHook()(root, path) : ERROR_SUCCESS;
    if (status == ERROR_SUCCESS) status = RegOpenKeyExW(root, path.c_str(), 0, MAXIMUM_ALLOWED, key.put());
    if (status == ERROR_FILE_NOT_FOUND) return {};
    if (status != ERROR_SUCCESS) throw RegistryError(status, "RegOpenKeyExW");
    return key;
}

bool ReadRegistryString(HKEY key, const wchar_t* name, std::wstring& out) {
    DWORD type = 0;
    DWORD size = 0;
    LSTATUS status = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size);
    std::vector<BYTE> data;
    // The value may grow between the two queries: ask again until it fits.
    while (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
        if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
        data.resize(size);
        status = RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
        if (status == ERROR_SUCCESS) break;
    }
    if (status == ERROR_FILE_NOT_FOUND) return false;
    if (status != ERROR_SUCCESS) throw RegistryError(status, "RegQueryValueExW");
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    if (size % 2 != 0 || size < sizeof(wchar_t)) return false;
    const std::size_t units = size / sizeof(wchar_t);
    std::wstring text(units, L'\0');
    std::memcpy(text.data(), data.data(), size);
    if (text.back() != L'\0') return false;
    text.pop_back();
    out = std::move(text);
    return true;
}

}  // namespace sv
