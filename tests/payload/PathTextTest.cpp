// Path arithmetic on UTF-16 text.
#include <gtest/gtest.h>

#include "PayloadTestSupport.h"
#include "payload/PathText.h"

namespace sv::test {
namespace {

using namespace path_text;

TEST(PathTextTest, Parent) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"C:\\a\\b", "C:\\a"},  {"C:\\a\\b\\", "C:\\a"}, {"C:\\a", "C:\\"},
        {"C:\\", "C:\\"},       {"C:/a//b", "C:/a"},     {"\\\\srv\\share\\x", "\\\\srv\\share"},
        {"\\\\srv\\share", "\\\\srv\\share"},            {"a\\b", "a"},
        {"a", ""},              {"/a", "/"},             {"/", "/"},
    };
    for (const auto& [path, parent] : cases) EXPECT_EQ(Parent(U(path)), U(parent)) << path;
}

TEST(PathTextTest, FileName) {
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"C:\\build\\x.dll", "x.dll"}, {"/build/x.dll", "x.dll"}, {"x.dll", "x.dll"},
        {"C:x.dll", "x.dll"},          {"dir\\", ""},
    };
    for (const auto& [path, name] : cases) EXPECT_EQ(FileName(U(path)), U(name)) << path;
}

TEST(PathTextTest, IsAbsolute) {
    for (const char* path : {"C:\\x", "c:/x", "\\\\server\\share", "//?/C:/x"}) EXPECT_TRUE(IsAbsolute(U(path))) << path;
    for (const char* path : {"", "C:", "C:x", "Sarvelix Examples", "x\\y"}) EXPECT_FALSE(IsAbsolute(U(path))) << path;
}

TEST(PathTextTest, SameElementsIgnoresTheSeparatorsKindAndRepetition) {
    EXPECT_TRUE(SameElements(U("C:\\a\\b"), U("C:/a//b/")));
    EXPECT_FALSE(SameElements(U("C:\\a\\b"), U("C:\\a\\B")));
    EXPECT_FALSE(SameElements(U("\\a"), U("a")));
    EXPECT_FALSE(SameElements(U("\\\\a\\b"), U("\\a\\b")));
}

TEST(PathTextTest, JoinInsertsOneSeparator) {
    const Utf16String sep(1, kSeparator);
    EXPECT_EQ(Join(U("C:\\a"), U("b")), U("C:\\a") + sep + U("b"));
    EXPECT_EQ(Join(U("C:\\"), U("b")), U("C:\\b"));
    EXPECT_EQ(Join(U(""), U("b")), U("b"));
    EXPECT_EQ(Join(U("a"), U("")), U("a"));
}

}  // namespace
}  // namespace sv::test
