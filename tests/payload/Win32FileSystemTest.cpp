// The Win32 file back-end and the installer's entry to the reader, under Wine.
// Wine keeps no file DACLs (only Unix mode bits), so the shared-folder grants are checked by the
// calls made and their results, not by reading the folders' DACLs back.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>

#include "PayloadTestSupport.h"
#include "payload/CompressCategory.h"
#include "payload/ExtractionState.h"
#include "payload/FileChecksum.h"
#include "payload/MemoryStream.h"
#include "payload/Payload.h"
#include "platform/AccessControl.h"
#include "platform/UniqueHandle.h"

namespace sv::test {
namespace {

namespace fs = std::filesystem;

struct GrantCall {
    std::wstring path;
    bool result;
    friend bool operator==(const GrantCall&, const GrantCall&) = default;
};

// The Win32 back-end with the special folders inside the sandbox and the grants recorded (and
// still made through SecureSharedFolder).
class SandboxedWin32FileSystem : public Win32FileSystem {
public:
    std::vector<GrantCall> grants;
    int pauses = 0;
    std::function<void(int)> onPause;
    std::map<int, std::wstring> shellFolders;

    SandboxedWin32FileSystem()
        : Win32FileSystem([this](const std::wstring& path) {
              const bool result = SecureSharedFolder(path);
              grants.push_back({path, result});
              return result;
          }) {}
    Utf16String ShellFolder(int csidl) override {
        const auto found = shellFolders.find(csidl);
        return found == shellFolders.end() ? Win32FileSystem::ShellFolder(csidl) : found->second;
    }
    void PauseBeforeRetry() override {
        ++pauses;
        if (onPause) onPause(pauses);
    }
};

UniqueFileHandle OpenExclusively(const std::wstring& path) {
    return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
}

class Win32ExtractionTest : public ::testing::Test {
protected:
    Sandbox sandbox;
    SandboxedWin32FileSystem files;
    RecordingObserver observer;
    std::vector<ArchiveEntry> entries = {
        Entry("lang_fr.dll", "<InstallPath>\\Lang", std::string(9000, 'f')),
        Entry("C:\\build\\Sarvelio.exe", "<InstallPath>", "new program", 1),
        Entry("empty.dat", "<CommonData>\\Kavrenco\\Sarvelio", "", 3),
        Entry("stock.dat", "<CommonData>\\Kavrenco\\Sarvelio", "stock", 3),
    };

    Win32ExtractionTest() { files.shellFolders[csidl::kCommonAppData] = sandbox.Path("AllData"); }

    bool Extract(const std::wstring& installFolder) {
        const std::string payload = Payload(entries);
        imemstream in(payload.data(), payload.size());
        return sv::ExtractPayload(in, installFolder, L"Sarvelix Examples", {}, observer.Callable(), files);
    }
};

TEST_F(Win32ExtractionTest, OverwritesAReadOnlyFileAndCreatesMissingFolders) {
    WriteFileBytes(sandbox.Root() / "install" / "Sarvelio.exe", "old program");
    ASSERT_TRUE(::SetFileAttributesW(sandbox.Path("install\\Sarvelio.exe").c_str(), FILE_ATTRIBUTE_READONLY));

    ASSERT_TRUE(Extract(sandbox.Path("install")));
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "install" / "Sarvelio.exe"), "new program");
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "install" / "Lang" / "lang_fr.dll"), std::string(9000, 'f'));
    EXPECT_EQ(fs::file_size(sandbox.Root() / "AllData" / "Kavrenco" / "Sarvelio" / "empty.dat"), 0u);
}

// The descriptor each folder gets is SharedFolderDescriptor's (tests/platform).
TEST_F(Win32ExtractionTest, SharedFoldersAreSecuredOnceThroughACheckedHandle_CallsOnlyAsWineKeepsNoDacl) {
    ASSERT_TRUE(Extract(sandbox.Path("install")));
    EXPECT_EQ(files.grants, (std::vector<GrantCall>{{sandbox.Path("AllData\\Kavrenco"), true},
                                                    {sandbox.Path("AllData\\Kavrenco\\Sarvelio"), true}}));
}

// A shared data file that a user replaced by a hard link to a file of the system (Wine makes real
// hard links and reports their count by handle): the extraction fails with 1:0000112B before the
// entry begins, and the linked file is unchanged.
TEST_F(Win32ExtractionTest, HardLinkedSharedDataFileFailsWith4395AndIsNotWritten) {
    const std::wstring product = sandbox.Path("AllData\\Kavrenco\\Sarvelio");
    fs::create_directories(fs::path(product));
    WriteFileBytes(sandbox.Root() / "system.ini", "the system's own");
    ASSERT_TRUE(::CreateHardLinkW((product + L"\\stock.dat").c_str(), sandbox.Path("system.ini").c_str(), nullptr))
        << ::GetLastError();
    ASSERT_EQ(files.Inspect(product + L"\\stock.dat").linkCount, 2u);

    EXPECT_FALSE(Extract(sandbox.Path("install")));
    const auto failures = observer.All<notification::failure>();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].code, std::error_code(kReparsePointEncountered, std::system_category()));
    for (const auto& begun : observer.All<notification::file_begin>())
        EXPECT_NE(begun.entry.destinationPath, product + L"\\stock.dat");
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "system.ini"), "the system's own");
    EXPECT_EQ(files.grants.size(), 2u);  // for empty.dat, written into the folder before
}

// Inspect looks at a path without following it: how Wine shows the objects it can make.
TEST_F(Win32ExtractionTest, InspectTellsFoldersFilesAndMissingPaths) {
    WriteFileBytes(sandbox.Root() / "plain.dat", "x");
    const PathFacts file = files.Inspect(sandbox.Path("plain.dat"));
    EXPECT_TRUE(file.exists);
    EXPECT_FALSE(file.directory);
    EXPECT_FALSE(file.reparsePoint);
    EXPECT_EQ(file.linkCount, 1u);
    const PathFacts folder = files.Inspect(sandbox.Path());
    EXPECT_TRUE(folder.exists && folder.directory && !folder.reparsePoint);
    EXPECT_FALSE(files.Inspect(sandbox.Path("missing\\deeper.dat")).exists);
}

// The identity of a written file comes from the handle it was written through.
TEST(Win32FileSystemTest, CreatedFilesAreToldWithTheIdentityOfTheirHandle) {
    Sandbox sandbox;
    Win32FileSystem files;
    std::vector<std::pair<std::wstring, FileIdentity>> told;
    files.SetCreatedFileListener([&](const std::wstring& path, const FileIdentity& identity) {
        told.emplace_back(path, identity);
    });
    const std::wstring path = sandbox.Path("written.dat");
    auto output = files.CreateOutputFile(path);
    output->Write("abc", 3);
    ASSERT_TRUE(output->Identity().has_value());
    output->Close();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first, path);
    BY_HANDLE_FILE_INFORMATION info{};
    UniqueFileHandle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          0, nullptr));
    ASSERT_TRUE(handle && ::GetFileInformationByHandle(handle.get(), &info));
    EXPECT_EQ(told[0].second, (FileIdentity{info.dwVolumeSerialNumber,
                                            (std::uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow}));
}

TEST_F(Win32ExtractionTest, FolderThatCannotBeCreatedFailsWithTheSystemCode) {
    WriteFileBytes(sandbox.Root() / "blocker", "a file, not a folder");
    EXPECT_FALSE(Extract(sandbox.Path("blocker\\install")));
    const auto failures = observer.All<notification::failure>();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].code.category(), std::system_category());
    EXPECT_NE(failures[0].code.value(), 0);
    EXPECT_EQ(failures[0].message, sandbox.Path("blocker\\install\\Lang\\lang_fr.dll"));
}

TEST(Win32FileSystemTest, CreateDirectoriesErrorNamesTheOperationAndTheFolder) {
    Sandbox sandbox;
    WriteFileBytes(sandbox.Root() / "blocker", "x");
    Win32FileSystem files([](const std::wstring&) { return true; });
    try {
        files.PrepareDestination(sandbox.Path("blocker\\a\\b\\file.txt"));
        FAIL() << "no error";
    } catch (const fs::filesystem_error& e) {
        EXPECT_NE(std::string(e.what()).find("create_directories"), std::string::npos) << e.what();
        EXPECT_EQ(e.path1().wstring(), sandbox.Path("blocker\\a\\b"));
        EXPECT_EQ(e.code().category(), std::system_category());
    }
}

TEST(Win32FileSystemTest, OutputFileIsNotSharedWhileWritten) {
    Sandbox sandbox;
    Win32FileSystem files([](const std::wstring&) { return true; });
    const std::wstring path = sandbox.Path("out.bin");
    auto output = files.CreateOutputFile(path);
    output->Write("abc", 3);
    const auto tryOpen = [&] {
        return UniqueFileHandle(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    EXPECT_FALSE(tryOpen());
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    output->Close();
    EXPECT_TRUE(tryOpen());
    EXPECT_EQ(ReadFileBytes(sandbox.Root() / "out.bin"), "abc");
}

struct HolderCase {
    const char* name;
    int releaseAtPause;  // 0: never
    bool succeeds;
    int pauses;
};

class ChecksumSharingTest : public ::testing::TestWithParam<HolderCase> {};

TEST_P(ChecksumSharingTest, RetriesWhileAnotherHandleHoldsTheFile) {
    Sandbox sandbox;
    WriteFileBytes(sandbox.Root() / "held.bin", "123456789");
    SandboxedWin32FileSystem files;
    UniqueFileHandle holder = OpenExclusively(sandbox.Path("held.bin"));
    ASSERT_TRUE(holder);
    files.onPause = [&](int pause) {
        if (pause == GetParam().releaseAtPause) holder.reset();
    };
    if (GetParam().succeeds) {
        EXPECT_EQ(FileChecksum(files, sandbox.Path("held.bin")), 0xCBF43926u);
    } else {
        EXPECT_THROW(FileChecksum(files, sandbox.Path("held.bin")), std::ios_base::failure);
    }
    EXPECT_EQ(files.pauses, GetParam().pauses);
}

INSTANTIATE_TEST_SUITE_P(Holders, ChecksumSharingTest,
                         ::testing::Values(HolderCase{"released_after_second_pause", 2, true, 2},
                                           HolderCase{"released_after_third_pause", 3, true, 3},
                                           HolderCase{"never_released", 0, false, 3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Win32FileSystemTest, EveryTokensShellFolderHasAPath) {
    Win32FileSystem files([](const std::wstring&) { return true; });
    for (const int csidl : {csidl::kProgramFiles, csidl::kProgramFilesCommon, csidl::kCommonAppData, csidl::kAppData,
                            csidl::kCommonDocuments, csidl::kPersonal, csidl::kCommonDesktopDirectory,
                            csidl::kDesktopDirectory, csidl::kWindows, csidl::kSystem}) {
        EXPECT_FALSE(files.ShellFolder(csidl).empty()) << csidl;
    }
    EXPECT_TRUE(files.ShellFolder(0x7F).empty());  // no such folder
}

TEST(Win32FileSystemTest, SameFolder) {
    Sandbox sandbox;
    fs::create_directories(sandbox.Root() / "Dir");
    fs::create_directories(sandbox.Root() / "Other");
    Win32FileSystem files([](const std::wstring&) { return true; });
    RecordingObserver observer;
    ExtractionState state(L"i", {}, {}, observer.Callable(), files);
    const std::wstring root = sandbox.Path();
    struct Case {
        std::wstring a, b;
        bool same;
    };
    const std::vector<Case> cases = {
        {root + L"\\Dir", root + L"/Dir/", true},             // same elements
        {root + L"\\Dir", root + L"\\.\\DIR", true},          // same file identity
        {root + L"\\Dir", root + L"\\Other", false},          // different identities
        {root + L"\\Missing\\A", root + L"\\MISSING\\a", true},  // absolute, ignoring case
        {root + L"\\Missing\\A", root + L"\\Missing\\AB", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(state.SameFolder(c.a, c.b), c.same) << Utf8FromUtf16(c.a) << " / " << Utf8FromUtf16(c.b);
    }
}

// --- the payload resource ----------------------------------------------------------------------------

TEST(ResourceStreamTest, PayloadResourceVerifiesAndExtracts) {
    imemstream in = OpenResourceStream(kPayloadResourceType, kPayloadResourceId);
    ASSERT_GT(in.size(), 0u);
    EXPECT_TRUE(VerifyPayload(in));
    in.clear();
    in.seekg(0);

    Sandbox sandbox;
    SandboxedWin32FileSystem files;
    files.shellFolders[csidl::kCommonAppData] = sandbox.Path("AllData");
    RecordingObserver observer;
    ASSERT_TRUE(sv::ExtractPayload(in, sandbox.Path("install"), sandbox.Path("samples"), {}, observer.Callable(), files));
    EXPECT_EQ(observer.All<notification::file_end>().size(), 4u);
    EXPECT_TRUE(fs::exists(sandbox.Root() / "samples" / "sample.sarv"));
}

TEST(ResourceStreamTest, ResourceModuleWithoutThePayloadFallsBackToTheMainExecutable) {
    imemstream in = OpenResourceStream(kPayloadResourceType, kPayloadResourceId, ::GetModuleHandleW(L"kernel32.dll"));
    EXPECT_GT(in.size(), 0u);
}

TEST(ResourceStreamTest, MissingResourceGivesAnEmptyStreamThatFailsVerification) {
    imemstream in = OpenResourceStream(kPayloadResourceType, 999);
    EXPECT_EQ(in.size(), 0u);
    EXPECT_FALSE(VerifyPayload(in));
    in.clear();
    in.seekg(0);
    RecordingObserver observer;
    Win32FileSystem files([](const std::wstring&) { return true; });
    EXPECT_FALSE(sv::ExtractPayload(in, L"C:\\never", {}, {}, observer.Callable(), files));
    EXPECT_TRUE(observer.All<notification::file_begin>().empty());
    EXPECT_EQ(observer.All<notification::failure>().size(), 1u);
}

}  // namespace
}  // namespace sv::test
