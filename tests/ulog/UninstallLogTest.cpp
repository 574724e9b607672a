// The journal on real files, folders and registry keys of the test prefix: nothing a user had is
// lost by a rollback, and a commit writes the exact log and leaves no backup behind.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <set>
#include <string>
#include <vector>

#include "JournalTestSupport.h"
#include "UlogTestText.h"
#include "payload/FileRules.h"
#include "payload/LinkGuard.h"
#include "payload/NativeFileSystem.h"
#include "platform/AccessControl.h"
#include "platform/UniqueHandle.h"
#include "ulog/LogFileApi.h"
#include "ulog/UninstallLog.h"
#include "ulog/UninstallLogRuleHost.h"
#include "ulog/UlogWriter.h"

namespace sv {
namespace {

using test::Ascii;
using test::Exists;
using test::ReadBytes;
using test::WriteBytes;

UninstallLog::Product TestProduct(const std::wstring& key, const wchar_t* title = L"Sarvelio 6.04h") {
    return {key, [t = std::wstring(title)] { return t; }};
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

std::wstring ShellFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Writes path as the payload reader does, and tells the journal the identity of the handle.
void WriteAsTheReader(UninstallLog& log, const std::wstring& path, const std::string& bytes) {
    WriteBytes(path, bytes);
    const auto identity = IdentityOf(path);
    ASSERT_TRUE(identity.has_value());
    log.NoteWrittenFile(path, *identity);
}

// Puts another file (another identity) at path, as a user with delete access to it could.
void SwapFor(const std::wstring& path, const std::string& bytes) {
    const std::wstring other = path + L".other";
    WriteBytes(other, bytes);  // made while the original still exists: another file index
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(MoveFileW(other.c_str(), path.c_str()));
}

class Journal : public testing::Test {
protected:
    test::Sandbox box{test::TestName()};
    test::UninstallKeySandbox key{L"Sarvelio ulog " + test::TestName()};
    UninstallLog log{TestProduct(key.name())};
};

// A folder of this test in the user's start-menu programs, where a previous log's shortcut may
// lie; removed before and after.
class MenuSandbox {
public:
    MenuSandbox() : path_(ShellFolder(CSIDL_PROGRAMS) + L"\\sv-ulog-" + test::TestName()) {
        test::RemoveTree(path_);
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~MenuSandbox() { test::RemoveTree(path_); }
    MenuSandbox(const MenuSandbox&) = delete;
    MenuSandbox& operator=(const MenuSandbox&) = delete;
    std::wstring operator/(const std::wstring& relative) const { return path_ + L"\\" + relative; }

private:
    std::wstring path_;
};

// --- files and folders -----------------------------------------------------------------------------

struct ReplaceCase {
    DWORD attributes;
    bool keepInPlace;  // an adopted shared data file: copied to the backup, left in place
};

void PrintTo(const ReplaceCase& c, std::ostream* os) { *os << c.attributes << (c.keepInPlace ? " keep" : " move"); }

class ReplacedFile : public Journal, public testing::WithParamInterface<ReplaceCase> {};

TEST_P(ReplacedFile, RollbackPutsTheOldFileBackWithItsAttributes) {
    const std::wstring path = box / L"prog.exe";
    const std::string old("old\0bytes\xFF", 10);
    WriteBytes(path, old, GetParam().attributes);
    const DWORD before = Attributes(path);

    log.RecordFile(path, GetParam().keepInPlace ? 3 : 0, GetParam().keepInPlace);
    ASSERT_EQ(log.Entries().size(), 1u);
    const std::wstring backup = log.Entries().back().backupPath;
    ASSERT_FALSE(backup.empty());
    EXPECT_EQ(ReadBytes(backup), old);
    EXPECT_EQ(Attributes(backup), before);
    if (GetParam().keepInPlace) {
        EXPECT_EQ(ReadBytes(path), old);
        EXPECT_EQ(Attributes(path), before);
    } else {
        EXPECT_FALSE(Exists(path));  // moved aside for the new file
        WriteAsTheReader(log, path, "new");
    }

    log.CompleteLast(true);
    log.Rollback();
    EXPECT_TRUE(log.Entries().empty());
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(Attributes(path), before);
    EXPECT_FALSE(Exists(backup));
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, ReplacedFile,
    testing::Values(ReplaceCase{FILE_ATTRIBUTE_ARCHIVE, false}, ReplaceCase{FILE_ATTRIBUTE_READONLY, false},
                    ReplaceCase{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE, false},
                    ReplaceCase{FILE_ATTRIBUTE_ARCHIVE, true}, ReplaceCase{FILE_ATTRIBUTE_READONLY, true}));

TEST_F(Journal, MissingFoldersAreJournalledOutermostFirstAndRemovedInnermostFirst) {
    const std::wstring file = box / L"A\\B\\C\\f.dat";
    log.RecordFile(file, 4, false);
    WriteAsTheReader(log, file, "x");
    log.CompleteLast(true);

    std::vector<std::string> seen;
    for (const LogEntry& e : log.Entries()) seen.push_back(std::to_string(int(e.kind)) + " " + Ascii(e.path));
    const std::string root = Ascii(box.path());
    EXPECT_EQ(seen, (std::vector<std::string>{"0 " + root + "\\A", "0 " + root + "\\A\\B", "0 " + root + "\\A\\B\\C",
                                              "1 " + root + "\\A\\B\\C\\f.dat"}));
    EXPECT_TRUE(log.Entries().front().completed);
    EXPECT_EQ(log.Entries().back().value, 4);

    WriteBytes(box / L"A\\user.txt", "the user's own file");  // A is no longer empty
    log.Rollback();
    EXPECT_FALSE(Exists(file));
    EXPECT_FALSE(Exists(box / L"A\\B"));
    EXPECT_TRUE(Exists(box / L"A\\user.txt"));
    EXPECT_TRUE(Exists(box.path()));  // existed before: not journalled, not removed
}

// Without a usable temporary folder an existing file cannot be backed up; a rollback then leaves
// it where it is instead of deleting the only copy.
TEST_F(Journal, FileThatCouldNotBeBackedUpIsLeftByRollback) {
    const std::wstring path = box / L"stock.dat";
    WriteBytes(path, "user data", FILE_ATTRIBUTE_READONLY);
    const DWORD before = Attributes(path);
    wchar_t saved[MAX_PATH + 1] = {};
    GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TMP", (L"C:\\" + std::wstring(250, L't')).c_str());
    log.RecordFile(path, 3, true);
    SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);

    ASSERT_EQ(log.Entries().size(), 1u);
    EXPECT_TRUE(log.Entries().back().backupPath.empty());
    EXPECT_EQ(Attributes(path), before);  // attributes put back
    log.CompleteLast(true);
    log.Rollback();
    EXPECT_EQ(ReadBytes(path), "user data");
}

// What a user with delete access below a shared folder may have put in place of what this run made
// between the write and the rollback: the rollback leaves it and still undoes everything else.
struct SwapCase {
    const char* name;
    bool swapFile;    // the written file replaced by another
    bool swapFolder;  // the created folder replaced by another (emptied, removed, made again)
    bool noted;       // the reader told the journal what it wrote
};

void PrintTo(const SwapCase& c, std::ostream* os) { *os << c.name; }

class SwappedObject : public Journal, public testing::WithParamInterface<SwapCase> {};

TEST_P(SwappedObject, RollbackDeletesOnlyWhatThisRunMadeAndGoesOn) {
    const SwapCase& c = GetParam();
    const std::wstring earlier = box / L"prog.exe";
    const std::wstring folder = box / L"Data";
    const std::wstring file = folder + L"\\stock.dat";
    const std::wstring later = box / L"later.dll";
    const std::string previous = "the previous version";
    WriteBytes(later, previous, FILE_ATTRIBUTE_READONLY);

    log.RecordFile(earlier, 1, false);
    WriteAsTheReader(log, earlier, "program");
    log.CompleteLast(true);
    log.RecordFile(file, 3, true);
    if (c.noted) {
        WriteAsTheReader(log, file, "written by the run");
    } else {
        WriteBytes(file, "written by someone else");
    }
    log.CompleteLast(true);
    log.RecordFile(later, 0, false);  // the previous version moved aside
    WriteAsTheReader(log, later, "new library");
    log.CompleteLast(false);

    if (c.swapFile) SwapFor(file, "the user's file");
    if (c.swapFolder) {
        const std::wstring kept = box / L"kept.dat";
        ASSERT_TRUE(MoveFileW(file.c_str(), kept.c_str()));
        const std::wstring spare = box / L"Spare";
        ASSERT_TRUE(CreateDirectoryW(spare.c_str(), nullptr));  // made while Data exists: another index
        ASSERT_TRUE(RemoveDirectoryW(folder.c_str()));
        ASSERT_TRUE(MoveFileW(spare.c_str(), folder.c_str()));
    }
    const std::string atFile = ReadBytes(file);

    log.Rollback();
    // The rest of the rollback: the program deleted, the previous library back in place.
    EXPECT_FALSE(Exists(earlier));
    EXPECT_EQ(ReadBytes(later), previous);
    EXPECT_NE(Attributes(later) & FILE_ATTRIBUTE_READONLY, 0u);
    if (c.swapFolder) {
        EXPECT_TRUE(Exists(folder));  // not the folder this run made: left, although empty
    } else if (c.swapFile || !c.noted) {
        EXPECT_EQ(ReadBytes(file), atFile);  // not the file this run wrote: left
        EXPECT_TRUE(Exists(folder));
    } else {
        EXPECT_FALSE(Exists(file));
        EXPECT_FALSE(Exists(folder));
    }
}

INSTANTIATE_TEST_SUITE_P(Swaps, SwappedObject,
                         testing::Values(SwapCase{"nothing_swapped", false, false, true},
                                         SwapCase{"written_file_swapped", true, false, true},
                                         SwapCase{"created_folder_swapped", false, true, true},
                                         SwapCase{"file_the_reader_never_created", false, false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// An adopted shared data file never left its place: a rollback leaves that very file (not a
// copy put back in its place) and deletes only the backup copy.
TEST_F(Journal, RollbackLeavesAnAdoptedSharedDataFileInPlace) {
    const std::wstring path = box / L"stock.dat";
    WriteBytes(path, "the user's stock");
    const auto before = IdentityOf(path);
    ASSERT_TRUE(before.has_value());
    log.RecordFile(path, 3, true);
    log.CompleteLast(true);
    const std::wstring backup = log.Entries().back().backupPath;
    ASSERT_FALSE(backup.empty());

    log.Rollback();
    EXPECT_EQ(ReadBytes(path), "the user's stock");
    EXPECT_EQ(IdentityOf(path), before);
    EXPECT_FALSE(Exists(backup));
}

// A journal told that a path may not be acted on (a link below a users-writable folder) creates
// no folder and makes no backup there, and a rollback does not restore a backup to it.
TEST_F(Journal, PathsTheCheckRefusesAreNotTouched) {
    const std::wstring refused = box / L"Linked\\stock.dat";
    CreateDirectoryW((box / L"Linked").c_str(), nullptr);
    WriteBytes(refused, "the system's file");
    const std::wstring missing = box / L"NotMade\\x.dat";
    log.SetPathCheck([&](const std::wstring& path) { return path != refused && path != missing; });
    log.RecordFile(missing, 0, false);
    log.CompleteLast(false);
    log.RecordFile(refused, 0, false);
    log.CompleteLast(false);
    EXPECT_FALSE(Exists(box / L"NotMade"));
    EXPECT_TRUE(log.Entries().back().backupPath.empty());
    EXPECT_EQ(ReadBytes(refused), "the system's file");
    log.Rollback();
    EXPECT_EQ(ReadBytes(refused), "the system's file");
    log.SetPathCheck(nullptr);
}

TEST_F(Journal, SecondCompleteLastChangesNothing) {
    log.RecordFile(box / L"a", 0, false);
    log.CompleteLast(false);
    log.CompleteLast(true, L"ignored");
    EXPECT_FALSE(log.Entries().back().completed);
    EXPECT_EQ(log.Entries().back().path, box / L"a");
    EXPECT_FALSE(log.OutcomePending());
}

// --- shared data files through the file rules --------------------------------------------------------

struct NoTemporaryFiles final : TemporaryFileList {
    void AddTemporaryFile(const Utf16String&) override { ADD_FAILURE(); }
};

PayloadEntry SharedData(const std::wstring& path) {
    PayloadEntry entry;
    entry.kind = EntryKind::SharedDataFile;
    entry.destinationPath = path;
    return entry;
}

// The users' access grant is called on the file; Wine keeps no DACL (it maps the grant of write
// access onto the file's mode, clearing the read-only attribute), so only the file's content, the
// backup and the journal are checked here. The attributes of a copied backup are checked by
// ReplacedFile above.
TEST_F(Journal, ExistingSharedDataFileIsAdoptedUnchanged) {
    const std::wstring path = box / L"Data\\stock.dat";
    CreateDirectoryW((box / L"Data").c_str(), nullptr);
    WriteBytes(path, "the user's stock", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    const DWORD before = Attributes(path);
    UninstallLogRuleHost host(log);
    NoTemporaryFiles temporary;
    InstalledPaths paths;
    FileRules rules(InstallMode::FreshInstall, host, temporary, paths);

    EXPECT_EQ(rules.Begin(SharedData(path)).answer, notification::skip);
    ASSERT_EQ(log.Entries().size(), 1u);
    const LogEntry& entry = log.Entries().back();
    EXPECT_EQ(entry.kind, LogEntryKind::InstalledFile);
    EXPECT_EQ(entry.value, 3);
    EXPECT_TRUE(entry.completed);
    EXPECT_EQ(ReadBytes(path), "the user's stock");
    EXPECT_EQ(ReadBytes(entry.backupPath), "the user's stock");  // copied, not moved
    EXPECT_EQ(Attributes(entry.backupPath), before);
    const std::wstring backup = entry.backupPath;

    EXPECT_TRUE(log.WriteAndCommit(box / L"Uninstall.ulog", box.path(), L""));
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(ReadBytes(path), "the user's stock");
    const std::string text = ReadBytes(box / L"Uninstall.ulog");
    EXPECT_NE(text.find(test::Utf16LeFile("0000:0103:1 -- " + Ascii(path) + "\r\n", false)), std::string::npos);
}

// A shared data file's grant reaches only files inside the shared folders: a per-user data file
// in the installing user's own data folder gets none. Limited by Wine: it keeps no DACL, but maps
// a grant of write access onto the file's mode, so a granted read-only file loses its read-only
// attribute; that is what is looked at here.
TEST_F(Journal, SharedDataFilesAreGrantedOnlyInsideTheSharedFolders) {
    const std::wstring shared = box / L"AllData\\Kavrenco\\stock.dat";
    const std::wstring own = box / L"UserData\\Kavrenco\\user.dat";
    for (const std::wstring* path : {&shared, &own}) {
        const std::wstring folder = path->substr(0, path->find_last_of(L'\\'));
        CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
        CreateDirectoryW(folder.c_str(), nullptr);
        WriteBytes(*path, "kept as it is", FILE_ATTRIBUTE_READONLY);
    }
    NativeFileSystem files;
    LinkGuard guard(files);
    guard.AddUsersWritableFolder(box / L"AllData", box / L"AllData\\Kavrenco", true);
    guard.AddUsersWritableFolder(box / L"UserData", box / L"UserData\\Kavrenco", false);
    UninstallLogRuleHost host(log, &guard);
    NoTemporaryFiles temporary;
    InstalledPaths paths;
    FileRules rules(InstallMode::FreshInstall, host, temporary, paths);

    EXPECT_EQ(rules.Begin(SharedData(shared)).answer, notification::skip);  // adopted, granted
    EXPECT_EQ(rules.Begin(SharedData(own)).answer, notification::skip);     // adopted, not granted
    EXPECT_EQ(Attributes(shared) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_NE(Attributes(own) & FILE_ATTRIBUTE_READONLY, 0u);
    EXPECT_EQ(ReadBytes(shared), "kept as it is");
    EXPECT_EQ(ReadBytes(own), "kept as it is");
}

// An installation folder made outside the program folders is created with the access list given
// (results only: Wine keeps no DACL to read back); a folder below it inherits from it.
TEST_F(Journal, FolderCreatedWithTheSecurityGivenForIt) {
    const ProgramFilesChildDescriptor security;
    const std::wstring install = box / L"Apps\\Sarvelix 6";
    log.SetCreatedFolderSecurity(install, security.get());
    log.RecordFile(install + L"\\Lang\\fr.dll", 0, false);
    log.CompleteLast(true);
    log.SetCreatedFolderSecurity(std::wstring(), nullptr);
    std::vector<std::wstring> created;
    for (const LogEntry& e : log.Entries())
        if (e.kind == LogEntryKind::CreatedFolder) created.push_back(e.path);
    EXPECT_EQ(created, (std::vector<std::wstring>{box / L"Apps", install, install + L"\\Lang"}));
    EXPECT_TRUE(Exists(install + L"\\Lang"));
}

TEST_F(Journal, UpdateKeepsSharedDataListedByThePreviousLogEvenWhenDeleted) {
    const std::wstring kept = box / L"kept.dat";
    const std::wstring deleted = box / L"deleted.dat";
    WriteBytes(kept, "changed by the user");
    WriteBytes(box / L"old.ulog",
               test::Utf16LeFile(test::HeaderText(Ascii(box.path()), "") + "0000:0103:1 -- " + Ascii(kept) + "\r\n" +
                                 "0001:0103:1 -- " + Ascii(deleted) + "\r\n"));
    log.ReadPrevious(box / L"old.ulog");
    EXPECT_TRUE(log.IsPreviousCompletedFile(kept));
    EXPECT_FALSE(log.IsPreviousCompletedFile(box / L"KEPT.dat"));  // exact text only

    UninstallLogRuleHost host(log);
    NoTemporaryFiles temporary;
    InstalledPaths paths;
    FileRules rules(InstallMode::Update, host, temporary, paths);
    EXPECT_EQ(rules.Begin(SharedData(kept)).answer, notification::skip);
    EXPECT_EQ(rules.Begin(SharedData(deleted)).answer, notification::skip);
    EXPECT_TRUE(log.Entries().empty());
    EXPECT_EQ(ReadBytes(kept), "changed by the user");
    EXPECT_FALSE(Exists(deleted));

    ASSERT_TRUE(log.WriteAndCommit(box / L"Uninstall.ulog", box.path(), L""));
    const std::string text = ReadBytes(box / L"Uninstall.ulog");
    EXPECT_NE(text.find(test::Utf16LeFile("0000:0103:1 -- " + Ascii(kept) + "\r\n" + "0001:0103:1 -- " +
                                              Ascii(deleted) + "\r\n",
                                          false)),
              std::string::npos);
}

// --- the Uninstall key ----------------------------------------------------------------------------------

std::wstring ReadString(HKEY key, const wchar_t* name) {
    wchar_t buffer[256] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return L"<none>";
    }
    return buffer;
}

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

UniqueHKey CreateKey(const std::wstring& path) {
    UniqueHKey key;
    EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    return key;
}

UniqueHKey OpenKey(const std::wstring& path) {
    UniqueHKey key;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put());
    return key;
}

// Wine's RegRestoreKeyW answers success and restores nothing: this proves the old key really
// comes back, values and sub-keys, without what the run added.
TEST_F(Journal, RollbackRestoresAnExistingUninstallKey) {
    {
        UniqueHKey product = CreateKey(key.fullPath());
        SetString(product.get(), L"DisplayName", L"Sarvelix 6.04g");
        SetString(product.get(), L"UserNote", L"kept by the user");
        UniqueHKey sub = CreateKey(key.fullPath() + L"\\Extra");
        SetString(sub.get(), L"Inner", L"deep");
    }
    UniqueHKey product = CreateKey(key.fullPath());
    log.RecordUninstallKey(product.get());
    const std::wstring backup = log.Entries().back().backupPath;
    ASSERT_FALSE(backup.empty());
    EXPECT_TRUE(Exists(backup));
    SetString(product.get(), L"DisplayName", L"Sarvelix 6.04h");
    SetString(product.get(), L"AddedByRun", L"x");
    RegDeleteTreeW(product.get(), L"Extra");
    log.CompleteLast(true);
    product.reset();

    log.Rollback();
    UniqueHKey restored = OpenKey(key.fullPath());
    ASSERT_TRUE(restored);
    EXPECT_EQ(ReadString(restored.get(), L"DisplayName"), L"Sarvelix 6.04g");
    EXPECT_EQ(ReadString(restored.get(), L"UserNote"), L"kept by the user");
    EXPECT_EQ(ReadString(restored.get(), L"AddedByRun"), L"<none>");
    UniqueHKey sub = OpenKey(key.fullPath() + L"\\Extra");
    ASSERT_TRUE(sub);
    EXPECT_EQ(ReadString(sub.get(), L"Inner"), L"deep");
    EXPECT_FALSE(Exists(backup));
    UniqueHKey hive;
    EXPECT_NE(RegOpenKeyExW(HKEY_USERS, (L"SvRestore_" + std::to_wstring(GetCurrentProcessId()) + L"_1").c_str(), 0,
                            KEY_READ, hive.put()),
              ERROR_SUCCESS);  // the temporary hive is unloaded
}

TEST_F(Journal, RollbackDeletesANewUninstallKey) {
    UniqueHKey product = CreateKey(key.fullPath());
    log.RecordUninstallKey(nullptr);
    EXPECT_TRUE(log.Entries().back().backupPath.empty());
    SetString(product.get(), L"DisplayName", L"Sarvelix 6.04h");
    CreateKey(key.fullPath() + L"\\Sub");
    log.CompleteLast(true);
    product.reset();
    log.Rollback();
    EXPECT_FALSE(OpenKey(key.fullPath()));
}

// An existing key that cannot be saved (no usable temporary folder here) is left by a rollback:
// deleting it would drop the earlier installation from the list of installed programs.
TEST_F(Journal, RollbackLeavesAnExistingKeyThatCouldNotBeSaved) {
    UniqueHKey product = CreateKey(key.fullPath());
    SetString(product.get(), L"DisplayName", L"Sarvelix 6.04g");
    wchar_t saved[MAX_PATH + 1] = {};
    GetEnvironmentVariableW(L"TMP", saved, MAX_PATH + 1);
    SetEnvironmentVariableW(L"TMP", (L"C:\\" + std::wstring(250, L't')).c_str());
    log.RecordUninstallKey(product.get());
    SetEnvironmentVariableW(L"TMP", saved[0] ? saved : nullptr);
    EXPECT_TRUE(log.Entries().back().backupPath.empty());
    log.CompleteLast(true);
    product.reset();
    log.Rollback();
    UniqueHKey kept = OpenKey(key.fullPath());
    ASSERT_TRUE(kept);
    EXPECT_EQ(ReadString(kept.get(), L"DisplayName"), L"Sarvelix 6.04g");
}

// --- shortcuts -------------------------------------------------------------------------------------------

// The previous installation's shortcut is moved away while the new one is made; a rollback puts
// it back where it was, also when the new one went elsewhere.
TEST_F(Journal, RollbackPutsThePreviousShortcutBackAtItsOwnPlace) {
    const MenuSandbox menu;  // a previous log's shortcut counts only inside a start-menu or desktop folder
    const std::wstring oldLink = menu / L"Sarvelix.lnk";
    WriteBytes(oldLink, "old link");
    WriteBytes(box / L"old.ulog",
               test::Utf16LeFile(test::HeaderText() + "0000:02ff:1 -- " + Ascii(oldLink) + "\r\n"));
    log.ReadPrevious(box / L"old.ulog");

    log.RecordShortcut(UninstallLog::MenuProgram, box / L"New");
    EXPECT_FALSE(Exists(oldLink));
    const std::wstring newLink = box / L"New\\Sarvelix.lnk";
    WriteBytes(newLink, "new link");
    log.CompleteLast(true, newLink);
    EXPECT_EQ(log.Entries().back().kind, LogEntryKind::MenuShortcut);
    EXPECT_EQ(log.Entries().back().path, newLink);

    log.Rollback();
    EXPECT_EQ(ReadBytes(oldLink), "old link");
    EXPECT_FALSE(Exists(box / L"New"));
}

// --- the log file ------------------------------------------------------------------------------------------

// A first installation, then an update reading its log: the exact bytes of both files.
TEST_F(Journal, WritesTheExactLogAndMergesItIntoTheNextOne) {
    const std::wstring app = box / L"App";
    const std::wstring logPath = app + L"\\Uninstall.ulog";
    const std::string keyLine = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" +
                                Ascii(key.name());
    log.RecordFile(app + L"\\prog.exe", 1, false);
    WriteBytes(app + L"\\prog.exe", "v1");
    log.CompleteLast(true);
    log.RecordUninstallKey(nullptr);
    log.CompleteLast(true);
    log.RecordClassesRoot();
    log.CompleteLast(false);
    ASSERT_TRUE(log.WriteAndCommit(logPath, app, L""));

    const std::string header = "// Uninstall Log File v1\r\n"
                               "// ############ WARNING: Do not delete or modify this file. ############\r\n";
    const std::string first = header + "// Install Sarvelio 6.04h\r\n// Install Path : " + Ascii(app) +
                              "\r\n// Shortcut Path : \r\n// ----------------\r\n0000:00ff:1 -- " + Ascii(app) +
                              "\r\n0001:0101:1 -- " + Ascii(app) + "\\prog.exe\r\n0002:05ff:1 -- " + keyLine +
                              "\r\n0003:06ff:0 -- HKEY_CLASSES_ROOT\\...\r\n";
    EXPECT_EQ(ReadBytes(logPath), test::Utf16LeFile(first));
    // read-only and archive; Wine does not keep the not-content-indexed attribute (0x2000)
    EXPECT_EQ(Attributes(logPath) & ~DWORD{FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
              DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});

    // The update: the old log is read-only, prog.exe is replaced, new.dll is added.
    UninstallLog update(TestProduct(key.name(), L"Sarvelio 6.04i"));
    update.ReadPrevious(logPath);
    EXPECT_EQ(update.PreviousInstallPath(), app);
    EXPECT_EQ(update.PreviousShortcutPath(), L"");
    EXPECT_EQ(update.PreviousInstallText(), L"Sarvelio 6.04h");
    EXPECT_EQ(update.PreviousEntries().size(), 4u);
    update.RecordFile(app + L"\\PROG.EXE", 1, false);  // the same file by another spelling
    const std::wstring backup = update.Entries().back().backupPath;
    EXPECT_EQ(ReadBytes(backup), "v1");
    WriteBytes(app + L"\\prog.exe", "v2");
    update.CompleteLast(true);
    update.RecordFile(app + L"\\new.dll", 0, false);
    WriteBytes(app + L"\\new.dll", "n");
    update.CompleteLast(true);
    ASSERT_TRUE(update.WriteAndCommit(logPath, app, L"C:\\Menu"));

    const std::string second = header + "// Install Sarvelio 6.04i -- Update (Sarvelio 6.04h)\r\n// Install Path : " +
                               Ascii(app) + "\r\n// Shortcut Path : C:\\Menu\r\n// -----------------------\r\n" +
                               "0000:00ff:1 -- " + Ascii(app) + "\r\n0001:05ff:1 -- " + keyLine +
                               "\r\n0002:06ff:0 -- HKEY_CLASSES_ROOT\\...\r\n0003:0101:1 -- " + Ascii(app) +
                               "\\PROG.EXE\r\n0004:0100:1 -- " + Ascii(app) + "\\new.dll\r\n";
    EXPECT_EQ(ReadBytes(logPath), test::Utf16LeFile(second));
    EXPECT_EQ(Attributes(logPath) & FILE_ATTRIBUTE_READONLY, DWORD{FILE_ATTRIBUTE_READONLY});
    EXPECT_FALSE(Exists(backup));
    EXPECT_EQ(ReadBytes(app + L"\\prog.exe"), "v2");
}

// The file calls of the log's replacement, failing the n-th call that can fail (from 1; 0: none).
class FailingLogFileApi : public LogFileApi {
public:
    explicit FailingLogFileApi(int failAt) : failAt_(failAt) {}

    UniqueFileHandle CreateNew(const std::wstring& path) override {
        return Fail() ? UniqueFileHandle() : LogFileApi::CreateNew(path);
    }
    bool Write(HANDLE file, const void* data, DWORD size) override {
        return !Fail() && LogFileApi::Write(file, data, size);
    }
    bool Flush(HANDLE file) override { return !Fail() && LogFileApi::Flush(file); }
    bool SetAttributes(const std::wstring& path, DWORD attributes) override {
        return !Fail() && LogFileApi::SetAttributes(path, attributes);
    }
    bool Replace(const std::wstring& from, const std::wstring& to) override {
        return !Fail() && LogFileApi::Replace(from, to);
    }

private:
    bool Fail() {
        if (++calls_ != failAt_) return false;
        SetLastError(ERROR_DISK_FULL);
        return true;
    }
    int failAt_;
    int calls_ = 0;
};

std::set<std::wstring> FolderNames(const std::wstring& folder) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.insert(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// Each call that can fail is made to fail in turn, over a read-only old log: the old log keeps its
// bytes and attributes, no temporary file is left, the backups are gone, the answer is false.
TEST_F(Journal, AFailureAtAnyStepOfTheLogWriteLeavesTheOldLogAsItWas) {
    const std::wstring logPath = box / L"Uninstall.ulog";
    const std::wstring file = box / L"prog.exe";
    const std::string oldLog = test::Utf16LeFile(test::HeaderText() + "0000:0100:1 -- D:\\Apps\\Tools\\old.exe\r\n");
    const DWORD oldAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    int failAt = 1;
    for (;; ++failAt) {
        ASSERT_LT(failAt, 100);
        WriteBytes(logPath, oldLog, oldAttributes);
        WriteBytes(file, "old");
        UninstallLog run(TestProduct(key.name()));
        run.RecordFile(file, 0, false);
        const std::wstring backup = run.Entries().back().backupPath;
        ASSERT_TRUE(Exists(backup));
        WriteBytes(file, "new");
        run.CompleteLast(true);
        FailingLogFileApi api(failAt);
        run.SetLogFileApi(api);
        const bool written = run.WriteAndCommit(logPath, box.path(), L"");
        EXPECT_FALSE(Exists(backup)) << failAt;
        if (written) break;  // every call was made to fail once
        EXPECT_EQ(ReadBytes(logPath), oldLog) << failAt;
        EXPECT_EQ(Attributes(logPath), oldAttributes) << failAt;
        EXPECT_EQ(FolderNames(box.path()), (std::set<std::wstring>{L"Uninstall.ulog", L"prog.exe"})) << failAt;
    }
    // The calls that were made to fail: creating the temporary file; the mark, the six header
    // lines and the one entry line; the flush; its attributes; the old log's read-only attribute
    // cleared; the move.
    EXPECT_EQ(failAt - 1, 1 + (1 + 6 + 1) + 1 + 1 + 1 + 1);
    EXPECT_EQ(FolderNames(box.path()), (std::set<std::wstring>{L"Uninstall.ulog", L"prog.exe"}));
}

// The new log replaces a read-only old one: exactly the new bytes, read-only and archive again.
TEST_F(Journal, AReadOnlyOldLogIsReplacedByExactlyTheNewLog) {
    const std::wstring logPath = box / L"Uninstall.ulog";
    WriteBytes(logPath, "an older log, longer than the new one will be" + std::string(4096, '.'),
               FILE_ATTRIBUTE_READONLY);
    log.RecordClassesRoot();
    log.CompleteLast(true);
    ASSERT_TRUE(log.WriteAndCommit(logPath, box.path(), L""));
    const std::string text = "// Uninstall Log File v1\r\n"
                             "// ############ WARNING: Do not delete or modify this file. ############\r\n"
                             "// Install Sarvelio 6.04h\r\n// Install Path : " + Ascii(box.path()) +
                             "\r\n// Shortcut Path : \r\n// ----------------\r\n0000:06ff:1 -- HKEY_CLASSES_ROOT\\...\r\n";
    EXPECT_EQ(ReadBytes(logPath), test::Utf16LeFile(text));
    // Wine does not keep the not-content-indexed attribute (0x2000)
    EXPECT_EQ(Attributes(logPath) & ~DWORD{FILE_ATTRIBUTE_NOT_CONTENT_INDEXED},
              DWORD{FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE});
    EXPECT_EQ(FolderNames(box.path()), std::set<std::wstring>{L"Uninstall.ulog"});
}

TEST_F(Journal, BackupsAreDeletedEvenWhenTheLogCannotBeWritten) {
    const std::wstring path = box / L"f.txt";
    WriteBytes(path, "old");
    log.RecordFile(path, 0, false);
    const std::wstring backup = log.Entries().back().backupPath;
    ASSERT_TRUE(Exists(backup));
    WriteBytes(path, "new");
    log.CompleteLast(true);
    EXPECT_FALSE(log.WriteAndCommit(box / L"no such folder\\Uninstall.ulog", box.path(), L""));
    EXPECT_FALSE(Exists(backup));
    EXPECT_TRUE(log.Entries().back().backupPath.empty());
}

TEST_F(Journal, ReadPreviousKeepsOnlyFoldersThatStillExist) {
    WriteBytes(box / L"old.ulog",
               test::HeaderText(Ascii(box.path()), Ascii(box / L"gone")) + "0000:0100:1 -- " + Ascii(box / L"x") +
                   "\r\n");  // 8-bit
    log.ReadPrevious(box / L"old.ulog");
    EXPECT_EQ(log.PreviousInstallPath(), box.path());
    EXPECT_EQ(log.PreviousShortcutPath(), L"");
    EXPECT_EQ(log.PreviousEntries().size(), 1u);

    log.ReadPrevious(L"");  // told to read nothing
    EXPECT_EQ(log.PreviousInstallPath(), L"");
    log.ReadPrevious(box / L"missing.ulog");
    EXPECT_TRUE(log.PreviousEntries().empty());
}

// What a previous log names is used only in the shape this program writes it: a header path of
// another shape counts as absent (even when it reaches an existing folder), an entry of another
// shape is dropped, so that it is neither acted on nor carried into the next log.
TEST_F(Journal, ReadPreviousDropsPathsThisProgramNeverWrites) {
    const MenuSandbox menu;
    const std::wstring sane = box / L"App\\prog.exe";
    const std::wstring link = menu / L"Sarvelix.lnk";
    const std::wstring victim = box / L"Victim.lnk";  // a file outside the shortcut folders
    WriteBytes(victim, "not the product's");
    WriteBytes(link, "old link");
    const std::string lines[] = {
        "0000:0200:1 -- " + Ascii(victim),                                // menu shortcut outside the folders
        "0001:0300:1 -- " + Ascii(menu / L"..\\..\\Victim.lnk"),         // escapes the folder
        "0002:0400:1 -- " + Ascii(menu / L"Sarvelio.exe"),                // not a shortcut
        "0003:0100:1 -- \\\\server\\share\\prog.exe",                      // UNC
        "0004:0100:1 -- \\\\?\\" + Ascii(sane),                           // device path
        "0005:0000:1 -- " + Ascii(box / L"App\\..\\..\\Windows"),          // ".." element
        "0006:0100:1 -- App\\prog.exe",                                    // relative
        "0007:0100:1 -- " + Ascii(sane),                                  // kept
        "0008:0200:1 -- " + Ascii(link),                                  // kept
        "0009:05ff:1 -- HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\X"};
    std::string text = test::HeaderText(Ascii(box / L"App\\..\\App"), "\\\\?\\" + Ascii(box.path()));
    for (const auto& line : lines) text += line + "\r\n";
    CreateDirectoryW((box / L"App").c_str(), nullptr);
    WriteBytes(box / L"old.ulog", test::Utf16LeFile(text));

    log.ReadPrevious(box / L"old.ulog");
    EXPECT_EQ(log.PreviousInstallPath(), L"");
    EXPECT_EQ(log.PreviousShortcutPath(), L"");
    std::vector<std::wstring> kept;
    for (const LogEntry& entry : log.PreviousEntries()) kept.push_back(entry.path);
    EXPECT_EQ(kept, (std::vector<std::wstring>{sane, link, L""}));

    // The menu shortcut moved aside for the new one is the product's, never the dropped one.
    log.RecordShortcut(UninstallLog::MenuProgram, box / L"New");
    EXPECT_EQ(ReadBytes(victim), "not the product's");
    EXPECT_FALSE(Exists(link));
    log.CompleteLast(false);
    log.Rollback();
    EXPECT_EQ(ReadBytes(link), "old link");
}

TEST_F(Journal, SamePathByTextIdentityOrFullForm) {
    WriteBytes(box / L"File.txt", "x");
    struct {
        std::wstring a, b;
        bool same;
    } const cases[] = {
        {box / L"File.txt", box / L"File.txt", true},
        {box / L"File.txt", box / L"FILE.TXT", true},                  // one file, two spellings
        {box / L"File.txt", box / L"sub\\..\\File.txt", true},
        {box / L"none\\A.txt", box / L"NONE\\a.TXT", true},            // absent: full forms, any case
        {box / L"File.txt", box / L"Other.txt", false},
        {box / L"none\\A.txt", box / L"none\\B.txt", false},
    };
    for (const auto& c : cases) EXPECT_EQ(SamePath(c.a, c.b), c.same) << Ascii(c.a) << " | " << Ascii(c.b);
}

}  // namespace
}  // namespace sv
