// The file installation rules by entry kind and installation mode.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "payload/FileRules.h"

namespace sv {
namespace {

std::string Ascii(const Utf16String& text) { return std::string(text.begin(), text.end()); }
Utf16String Text(const std::string& ascii) { return Utf16String(ascii.begin(), ascii.end()); }

// Records every call the rules make, as text.
class FakeHost final : public FileRuleHost, public TemporaryFileList {
public:
    std::set<std::string> previousCompleted;
    std::set<std::string> existing;
    std::vector<std::string> calls;

    bool IsPreviousCompletedFile(const Utf16String& path) override { return previousCompleted.count(Ascii(path)) != 0; }
    void RecordFile(const Utf16String& path, std::uint32_t kind, bool keepInPlace) override {
        calls.push_back("record " + Ascii(path) + " " + std::to_string(kind) + (keepInPlace ? " keep" : " move"));
    }
    void CompleteLast(bool outcome) override { calls.push_back(outcome ? "complete 1" : "complete 0"); }
    bool FileExists(const Utf16String& path) override { return existing.count(Ascii(path)) != 0; }
    void GrantUsersAccess(const Utf16String& path, std::uint32_t access, std::uint32_t inheritance) override {
        char mask[16];
        std::snprintf(mask, sizeof mask, "%#x", static_cast<unsigned>(access));
        calls.push_back("grant " + Ascii(path) + " " + mask + " " + std::to_string(inheritance));
    }
    void AddTemporaryFile(const Utf16String& path) override { calls.push_back("temporary " + Ascii(path)); }
};

constexpr auto F = InstallMode::FreshInstall;
constexpr auto S = InstallMode::SameVersion;
constexpr auto U = InstallMode::Update;
constexpr auto kProceed = notification::proceed;
constexpr auto kSkip = notification::skip;

struct RuleCase {
    std::uint32_t kind;
    InstallMode mode;
    bool listedByPreviousLog;
    bool fileExists;
    notification::result answer;
    bool keepInPlace;
    bool record;
    std::vector<std::string> beginCalls;
    std::vector<std::string> completeCalls;
};

const std::string kPath = "D:\\x";
const std::string kGrant = "grant D:\\x 0x13019f 0";

std::vector<RuleCase> Cases() {
    std::vector<RuleCase> cases;
    for (const InstallMode mode : {F, S, U}) {
        for (const bool exists : {false, true}) {
            // program files, main executable, uninstaller, unknown kinds: always written and recorded
            for (const std::uint32_t kind : {0u, 1u, 2u, 7u, 0x100u}) {
                cases.push_back({kind, mode, true, exists, kProceed, false, true, {}, {}});
            }
            // temporary files: written, handed to the sweeper, not recorded
            cases.push_back({5, mode, false, exists, kProceed, false, false, {"temporary " + kPath}, {}});
        }
        // samples: not written over an older version
        cases.push_back({4, mode, false, false, mode == U ? kSkip : kProceed, false, mode != U, {}, {}});
        cases.push_back({4, mode, false, true, mode == U ? kSkip : kProceed, false, mode != U, {}, {}});
        // shared data not listed by a previous log: written when absent, adopted when present
        cases.push_back({3, mode, false, false, kProceed, true, true, {}, {kGrant}});
        cases.push_back({3, mode, false, true, kSkip, false, false,
                         {"record " + kPath + " 3 keep", "complete 1", kGrant}, {kGrant}});
    }
    // shared data listed by the previous log: kept as it is (even when the user deleted it)
    for (const InstallMode mode : {S, U}) {
        for (const bool exists : {false, true}) {
            cases.push_back({3, mode, true, exists, kSkip, false, false, {kGrant}, {kGrant}});
        }
    }
    // a fresh installation has no previous log to ask
    cases.push_back({3, F, true, false, kProceed, true, true, {}, {kGrant}});
    return cases;
}

void PrintTo(const RuleCase& c, std::ostream* os) { *os << "kind " << c.kind << " mode " << static_cast<int>(c.mode); }

class FileRuleCases : public testing::TestWithParam<RuleCase> {};

TEST_P(FileRuleCases, DecideAndAct) {
    const RuleCase& c = GetParam();
    FakeHost host;
    if (c.listedByPreviousLog) host.previousCompleted.insert(kPath);
    if (c.fileExists) host.existing.insert(kPath);
    InstalledPaths paths;
    FileRules rules(c.mode, host, host, paths);
    PayloadEntry entry;
    entry.destinationPath = Text(kPath);
    entry.kind = static_cast<EntryKind>(c.kind);

    const BeginDecision decision = rules.Begin(entry);
    EXPECT_EQ(decision.answer, c.answer);
    EXPECT_EQ(decision.keepInPlace, c.keepInPlace);
    EXPECT_EQ(decision.record, c.record);
    EXPECT_EQ(host.calls, c.beginCalls);
    EXPECT_EQ(paths.mainExePath, c.kind == 1 ? Text(kPath) : Utf16String());
    EXPECT_EQ(paths.uninstallerPath, c.kind == 2 ? Text(kPath) : Utf16String());

    host.calls.clear();
    rules.Complete(entry);
    EXPECT_EQ(host.calls, c.completeCalls);
}

std::string CaseName(const testing::TestParamInfo<RuleCase>& info) {
    const RuleCase& c = info.param;
    const char* mode = c.mode == F ? "Fresh" : c.mode == S ? "Same" : "Update";
    return "Kind" + std::to_string(c.kind) + mode + (c.listedByPreviousLog ? "Listed" : "") +
           (c.fileExists ? "Exists" : "") + "_" + std::to_string(info.index);
}

INSTANTIATE_TEST_SUITE_P(ByKindAndMode, FileRuleCases, testing::ValuesIn(Cases()), CaseName);

TEST(FileRules, LastMainExecutableAndUninstallerWin) {
    FakeHost host;
    InstalledPaths paths;
    FileRules rules(F, host, host, paths);
    const auto begin = [&](std::uint32_t kind, const char* path) {
        PayloadEntry entry;
        entry.kind = static_cast<EntryKind>(kind);
        entry.destinationPath = Text(path);
        rules.Begin(entry);
    };
    begin(1, "a.exe");
    begin(2, "u1.exe");
    begin(0, "other.dll");
    begin(1, "b.exe");
    begin(4, "sample");
    EXPECT_EQ(paths.mainExePath, Text("b.exe"));
    EXPECT_EQ(paths.uninstallerPath, Text("u1.exe"));
}

}  // namespace
}  // namespace sv
