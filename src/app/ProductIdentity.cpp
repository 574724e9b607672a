#include "app/ProductIdentity.h"

#include <windows.h>

#include "app/Localisation.h"
#include "app/Product.h"
#include "app/Registry.h"
#include "app/VersionInfo.h"

namespace sv {

std::wstring ProductDisplayName(bool withVersion) { return ProductDisplayNameFor(CurrentLanguage(), withVersion); }

std::wstring ProductFolderName() { return ProductFolderNameFor(CurrentLanguage()); }

std::wstring ModulePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool PathExists(const std::wstring& path) {
    return !path.empty() && GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {

std::wstring ComputeApplicationId() {
    const VersionInfo own = VersionInfo::OwnModule();
    std::wstring id = own.StringValue(L"ApplicationId");
    if (id.empty()) id = own.ProductName();
    if (id.empty()) {
        const std::wstring path = ModulePath();
        const auto slash = path.find_last_of(L"\\/");
        id = slash == std::wstring::npos ? path : path.substr(slash + 1);
        const auto dot = id.rfind(L'.');
        if (dot != std::wstring::npos) id.erase(dot);
    }
    return id;
}

}  // namespace

const std::wstring& ApplicationId() {
    static const std::wstring id = ComputeApplicationId();
    return id;
}

void InitApplicationId() { (void)ApplicationId(); }

std::wstring LookUpInstalledProgram() {
    UniqueHKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\") + product::kPublisher);
    if (!key) return {};
    std::wstring path;
    const std::wstring valueName = ProductKey() + L" Path";
    if (!ReadRegistryString(key.get(), valueName.c_str(), path)) return {};
    return PathExists(path) ? path : std::wstring{};
}

const std::wstring& FindInstalledProgram() {
    static const std::wstring path = LookUpInstalledProgram();
    return path;
}

}  // namespace sv
