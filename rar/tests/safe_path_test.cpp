#include "rar/disk/safe_path.h"

#include <gtest/gtest.h>

namespace rar {
namespace {

TEST(SafePath, ParentReferencesRootsAndDrivesAreDropped) {
    EXPECT_EQ(SafeRelativePath("../extract_evil/pwned.txt"), "extract_evil/pwned.txt");
    EXPECT_EQ(SafeRelativePath("a/../../b"), "a/b");
    EXPECT_EQ(SafeRelativePath("/etc/passwd"), "etc/passwd");
    EXPECT_EQ(SafeRelativePath("C:\\Windows\\win.ini"), "Windows/win.ini");
    EXPECT_EQ(SafeRelativePath("\\\\server\\share\\x"), "server/share/x");
    EXPECT_EQ(SafeRelativePath("./a/./b"), "a/b");
    EXPECT_EQ(SafeRelativePath(".."), "");
}

TEST(SafePath, BackslashesSeparateOnEveryPlatform) {
    EXPECT_EQ(SafeRelativePath("..\\..\\x"), "x");
    EXPECT_EQ(SafeRelativePath("a\\b/c"), "a/b/c");
}

TEST(SafePath, StreamsDevicesAndTrailingDotsCannotAddressOtherFiles) {
    EXPECT_EQ(SafeRelativePath("file.txt:evil"), "file.txt_evil");
    EXPECT_EQ(SafeRelativePath("dir/CON"), "dir/_CON");
    EXPECT_EQ(SafeRelativePath("lpt1.txt"), "_lpt1.txt");
    EXPECT_EQ(SafeRelativePath("COMMON.txt"), "COMMON.txt");
    EXPECT_EQ(SafeRelativePath(".../x"), "x");
    EXPECT_EQ(SafeRelativePath("name. "), "name");
    EXPECT_EQ(SafeRelativePath("a\x01"
                               "b"),
              "a_b");
}

TEST(LinkTargets, OnlyTargetsThatStayInsideAreAccepted) {
    EXPECT_TRUE(LinkStaysInside("data_link", "data.txt"));
    EXPECT_TRUE(LinkStaysInside("links/file_link", "../content/file.txt"));
    EXPECT_FALSE(LinkStaysInside("random_link", "../random123"));
    EXPECT_FALSE(LinkStaysInside("links/bad_link", "../../missing"));
    EXPECT_FALSE(LinkStaysInside("l", "/etc/passwd"));
    EXPECT_FALSE(LinkStaysInside("l", "C:\\Windows"));
    EXPECT_FALSE(LinkStaysInside("l", ""));
}

TEST(LinkTargets, StepsBackAfterANameAreRefusedSinceTheNameMayBeALink) {
    // "s" may itself be a link to "."; "s/.." would then be the parent.
    EXPECT_FALSE(LinkStaysInside("a", "s/.."));
    EXPECT_FALSE(LinkStaysInside("d/a", "../s/../x"));
    EXPECT_TRUE(LinkStaysInside("d/a", "../s/x"));
}

} // namespace
} // namespace rar
