// Links below the users-writable folders: what the guard refuses, and an extraction that meets a
// refused link. The facts of a path element are given by the test where a file system cannot
// show them (Wine shows no file links or hard-link counts to these tests); natively, real symbolic
// and hard links of the host's file system are planted as well.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <system_error>

#include "PayloadTestSupport.h"
#include "payload/ExtractionState.h"
#include "payload/LinkGuard.h"
#include "payload/PayloadReader.h"

namespace sv::test {
namespace {

namespace fs = std::filesystem;

// The test back-end with planted facts for some paths (by exact text); the others are inspected.
class FactsFileSystem : public TestFileSystem {
public:
    std::map<Utf16String, PathFacts> facts;
    PathFacts Inspect(const Utf16String& path) override {
        const auto found = facts.find(path);
        return found != facts.end() ? found->second : NativeFileSystem::Inspect(path);
    }
};

constexpr PathFacts kFolder{true, true, false, 1};
constexpr PathFacts kFolderLink{true, true, true, 1};  // a junction or a symbolic link to a folder
constexpr PathFacts kFile{true, false, false, 1};
constexpr PathFacts kHardLinkedFile{true, false, false, 2};
constexpr PathFacts kFileLink{true, false, true, 1};
constexpr PathFacts kUnreadable{true, false, true, 0};  // there, but its facts cannot be read

struct GuardCase {
    const char* name;
    std::map<std::string, PathFacts> planted;  // below the sandbox
    const char* checked;                       // below the sandbox
    const char* refusedAt;                     // empty: allowed
};

void PrintTo(const GuardCase& c, std::ostream* os) { *os << c.name; }

class LinkGuardTest : public ::testing::TestWithParam<GuardCase> {
protected:
    Sandbox sandbox;
    FactsFileSystem files;
    LinkGuard guard{files};

    LinkGuardTest() {
        // <CommonData>\Kavrenco\Sarvelio with its trusted root, the all-users data folder.
        guard.AddUsersWritableFolder(sandbox.Path("AllData"), sandbox.Path("AllData/Kavrenco"), true);
        guard.AddUsersWritableFolder(sandbox.Path("AllData"), sandbox.Path("AllData/Kavrenco/Sarvelio"), true);
    }
};

TEST_P(LinkGuardTest, RefusesAReparsePointOrAMultiplyLinkedFileBelowTheTrustedRoot) {
    for (const auto& [relative, facts] : GetParam().planted) files.facts[sandbox.Path(relative)] = facts;
    const Utf16String checked = sandbox.Path(GetParam().checked);
    const std::string refusedAt = GetParam().refusedAt;

    EXPECT_EQ(guard.Allows(checked), refusedAt.empty());
    try {
        guard.Check(checked);
        EXPECT_TRUE(refusedAt.empty()) << "not refused";
    } catch (const fs::filesystem_error& e) {
        EXPECT_FALSE(refusedAt.empty()) << "refused";
        EXPECT_EQ(e.code(), std::error_code(kReparsePointEncountered, std::system_category()));
        EXPECT_EQ(FromFsPath(e.path1()), sandbox.Path(refusedAt));
    }
}

const std::map<std::string, PathFacts> kPlainTree = {{"AllData/Kavrenco", kFolder},
                                                     {"AllData/Kavrenco/Sarvelio", kFolder},
                                                     {"AllData/Kavrenco/Sarvelio/stock.dat", kFile}};

std::map<std::string, PathFacts> PlainTreeWith(const std::string& relative, PathFacts facts) {
    auto tree = kPlainTree;
    tree[relative] = facts;
    return tree;
}

INSTANTIATE_TEST_SUITE_P(
    HostileInputs, LinkGuardTest,
    ::testing::Values(
        GuardCase{"plain_folders_and_file", kPlainTree, "AllData/Kavrenco/Sarvelio/stock.dat", ""},
        GuardCase{"nothing_there_yet", {}, "AllData/Kavrenco/Sarvelio/stock.dat", ""},
        GuardCase{"publisher_folder_a_link", PlainTreeWith("AllData/Kavrenco", kFolderLink),
                  "AllData/Kavrenco/Sarvelio/stock.dat", "AllData/Kavrenco"},
        GuardCase{"product_folder_a_link", PlainTreeWith("AllData/Kavrenco/Sarvelio", kFolderLink),
                  "AllData/Kavrenco/Sarvelio/stock.dat", "AllData/Kavrenco/Sarvelio"},
        GuardCase{"product_folder_a_link_checked_itself", PlainTreeWith("AllData/Kavrenco/Sarvelio", kFolderLink),
                  "AllData/Kavrenco/Sarvelio", "AllData/Kavrenco/Sarvelio"},
        GuardCase{"data_file_a_hard_link", PlainTreeWith("AllData/Kavrenco/Sarvelio/stock.dat", kHardLinkedFile),
                  "AllData/Kavrenco/Sarvelio/stock.dat", "AllData/Kavrenco/Sarvelio/stock.dat"},
        GuardCase{"data_file_a_symbolic_link", PlainTreeWith("AllData/Kavrenco/Sarvelio/stock.dat", kFileLink),
                  "AllData/Kavrenco/Sarvelio/stock.dat", "AllData/Kavrenco/Sarvelio/stock.dat"},
        GuardCase{"element_that_cannot_be_inspected", PlainTreeWith("AllData/Kavrenco/Sarvelio", kUnreadable),
                  "AllData/Kavrenco/Sarvelio/stock.dat", "AllData/Kavrenco/Sarvelio"},
        // Registered as Kavrenco, named KAVRENCO (the file system, ignoring case, shows the link).
        GuardCase{"letter_case_of_the_path_differs", {{"AllData/KAVRENCO", kFolderLink}},
                  "AllData/KAVRENCO/Sarvelio/stock.dat", "AllData/KAVRENCO"},
        // The trusted root is the system's own folder: what it is, is not the users' doing.
        GuardCase{"trusted_root_itself_a_link", PlainTreeWith("AllData", kFolderLink),
                  "AllData/Kavrenco/Sarvelio/stock.dat", ""},
        // Outside the users-writable folders the guard does not look (the installation folder).
        GuardCase{"link_outside_the_users_folders", {{"install", kFolderLink}}, "install/Sarvelio.exe", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LinkGuard, SharedFoldersAndTheUserDataFolderAreTold) {
    Sandbox sandbox;
    TestFileSystem files;
    files.SetShellFolder(csidl::kCommonAppData, sandbox.Path("AllData"));
    files.SetShellFolder(csidl::kAppData, sandbox.Path("UserData"));
    files.SetShellFolder(csidl::kCommonDesktopDirectory, sandbox.Path("AllDesktop"));
    files.SetShellFolder(csidl::kPersonal, sandbox.Path("Documents"));
    ExtractionState state(sandbox.Path("install"), U("Sarvelix Examples"), {}, [](notification) {
        return notification::proceed;
    }, files);
    for (const char* destination : {"<CommonData>\\Kavrenco\\Sarvelio", "<UserData>\\Kavrenco\\Sarvelio",
                                    "<SamplePath>", "<Documents>\\Kavrenco", "<InstallPath>\\Lang"}) {
        state.ResolveDestination(U(destination));
    }
    const LinkGuard& guard = state.Guard();
    struct Expected {
        const char* path;
        const char* trustedRoot;  // empty: not users-writable
        bool shared;
    };
    for (const Expected& e : {Expected{"AllData/Kavrenco/Sarvelio/stock.dat", "AllData", true},
                              Expected{"AllData/Kavrenco", "AllData", true},
                              Expected{"UserData/Kavrenco/Sarvelio/user.dat", "UserData", false},
                              Expected{"AllDesktop/Sarvelix Examples/a.sarv", "AllDesktop", true},
                              Expected{"AllData/other.dat", "", false},
                              Expected{"Documents/Kavrenco/x", "", false},
                              Expected{"install/Lang/fr.dll", "", false}}) {
        EXPECT_EQ(guard.TrustedRootOf(sandbox.Path(e.path)), e.trustedRoot[0] ? sandbox.Path(e.trustedRoot) : U(""))
            << e.path;
        EXPECT_EQ(guard.InSharedFolder(sandbox.Path(e.path)), e.shared) << e.path;
    }
}

// An extraction whose shared data folder is a link fails with the system's code before the rules
// or the journal see the entry, and writes nothing there.
TEST(LinkGuard, ExtractionFailsWith4395BeforeTheLinkedFoldersEntryBegins) {
    Sandbox sandbox;
    FactsFileSystem files;
    files.SetShellFolder(csidl::kCommonAppData, sandbox.Path("AllData"));
    fs::create_directories(sandbox.Root() / "AllData" / "Kavrenco" / "Sarvelio");
    files.facts[sandbox.Path("AllData/Kavrenco/Sarvelio")] = kFolderLink;
    RecordingObserver observer;
    const std::string payload = Payload({Entry("Sarvelio.exe", "<InstallPath>", "program", 1),
                                         Entry("stock.dat", "<CommonData>\\Kavrenco\\Sarvelio", "stock", 3)});
    std::istringstream in(payload);
    LinkGuard guard(files);

    EXPECT_FALSE(ExtractPayload(in, sandbox.Path("install"), {}, {}, observer.Callable(), files, &guard));
    const auto failures = observer.All<notification::failure>();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0].code, std::error_code(kReparsePointEncountered, std::system_category()));
    const auto begun = observer.All<notification::file_begin>();
    ASSERT_EQ(begun.size(), 1u);  // the program only
    EXPECT_EQ(begun[0].entry.destinationPath, sandbox.Path("install/Sarvelio.exe"));
    EXPECT_EQ(files.opened, std::vector<Utf16String>{sandbox.Path("install/Sarvelio.exe")});
    EXPECT_TRUE(files.grants.empty());
    // The guard outlives the extraction, for the rollback.
    EXPECT_FALSE(guard.Allows(sandbox.Path("AllData/Kavrenco/Sarvelio/stock.dat")));
}

#ifndef _WIN32
// Real links of the host's file system (Wine cannot show file links or hard-link counts).
struct RealLinkCase {
    const char* name;
    bool folderLink;  // else a hard link of the data file
};

class RealLinkTest : public ::testing::TestWithParam<RealLinkCase> {};

TEST_P(RealLinkTest, ExtractionRefusesItAndLeavesTheLinkAndItsTargetAsTheyWere) {
    Sandbox sandbox;
    TestFileSystem files;
    files.SetShellFolder(csidl::kCommonAppData, sandbox.Path("AllData"));
    const fs::path product = sandbox.Root() / "AllData" / "Kavrenco" / "Sarvelio";
    const fs::path system = sandbox.Root() / "system";
    fs::create_directories(system);
    WriteFileBytes(system / "config.sys", "the system's own");
    if (GetParam().folderLink) {
        fs::create_directories(product.parent_path());
        fs::create_directory_symlink(system, product);
    } else {
        fs::create_directories(product);
        fs::create_hard_link(system / "config.sys", product / "stock.dat");
    }
    RecordingObserver observer;
    const std::string payload = Payload({Entry("stock.dat", "<CommonData>\\Kavrenco\\Sarvelio", "stock", 3),
                                         Entry("more.dat", "<CommonData>\\Kavrenco\\Sarvelio", "more", 3)});
    std::istringstream in(payload);

    EXPECT_FALSE(ExtractPayload(in, sandbox.Path("install"), {}, {}, observer.Callable(), files));
    ASSERT_EQ(observer.All<notification::failure>().size(), 1u);
    EXPECT_EQ(observer.All<notification::failure>()[0].code.value(), kReparsePointEncountered);
    EXPECT_TRUE(observer.All<notification::file_begin>().empty());
    EXPECT_TRUE(files.opened.empty());
    EXPECT_EQ(ReadFileBytes(system / "config.sys"), "the system's own");
    EXPECT_EQ(std::distance(fs::directory_iterator(system), fs::directory_iterator()), 1);
    EXPECT_EQ(fs::is_symlink(fs::symlink_status(product)), GetParam().folderLink);
}

INSTANTIATE_TEST_SUITE_P(Links, RealLinkTest,
                         ::testing::Values(RealLinkCase{"product_folder_a_symbolic_link", true},
                                           RealLinkCase{"data_file_a_hard_link", false}),
                         [](const auto& info) { return std::string(info.param.name); });
#endif

}  // namespace
}  // namespace sv::test
