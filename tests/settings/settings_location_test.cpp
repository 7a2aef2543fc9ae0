#include <gtest/gtest.h>

#include <filesystem>

#include "failure/failure.h"
#include "settings/placement_file.h"
#include "settings/settings_location.h"
#include "tests/support/files.h"

using namespace test_support;

TEST(PlacementFileName, ReplacesTheFileNamesExtensionOrAppendsOne) {
    const std::pair<const char*, const char*> cases[] = {
        {"/tools/CONV.EXE", "/tools/CONV.ini"},
        {"/my.dir/CONV", "/my.dir/CONV.ini"},
        {"/a/Conv.Tar.Gz", "/a/Conv.Tar.ini"},
        {"/x/conv.", "/x/conv.ini"},
        {"conv.bin", "conv.ini"},
        {"/x/.hidden", "/x/.hidden.ini"},
        {"/x/..conv", "/x/..conv.ini"},
        {"/x/.hidden.bin", "/x/.hidden.ini"},
    };
    for (const auto& [path, expected] : cases) EXPECT_EQ(PlacementFileName(path), expected) << path;
}

TEST(PerUserPlacementFileName, PrefersAnAbsoluteConfigFolderThenHome) {
    struct Case {
        const char* xdgConfigHome;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {"/xdg", "/home/u", "/xdg/runamika/runamika.ini"},
        {"/xdg/", "/home/u", "/xdg/runamika/runamika.ini"},
        {"/xdg//", nullptr, "/xdg/runamika/runamika.ini"},
        {nullptr, "/home/u", "/home/u/.config/runamika/runamika.ini"},
        {"", "/home/u", "/home/u/.config/runamika/runamika.ini"},
        {"relative/xdg", "/home/u", "/home/u/.config/runamika/runamika.ini"},
        {nullptr, "/home/u/", "/home/u/.config/runamika/runamika.ini"},
        {nullptr, "/", "/.config/runamika/runamika.ini"},
        {"/", nullptr, "/runamika/runamika.ini"},
        {"/設定 folder", nullptr, "/設定 folder/runamika/runamika.ini"},
        {nullptr, nullptr, ""},
        {"", "", ""},
        {"xdg", "home", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PerUserPlacementFileName(c.xdgConfigHome, c.home), c.expected)
            << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)") << " | "
            << (c.home ? c.home : "(unset)");
    }
}

TEST(PlacementFileFor, PortableIgnoresTheEnvironmentAndPerUserFallsBackBesideTheExecutable) {
    struct Case {
        SettingsLocation location;
        const char* xdgConfigHome;
        const char* home;
        const char* expected;
    };
    const Case cases[] = {
        {SettingsLocation::BesideExecutable, "/xdg", "/home/u", "/opt/r/runamika.ini"},
        {SettingsLocation::BesideExecutable, nullptr, nullptr, "/opt/r/runamika.ini"},
        {SettingsLocation::PerUser, "/xdg", "/home/u", "/xdg/runamika/runamika.ini"},
        {SettingsLocation::PerUser, nullptr, "/home/u", "/home/u/.config/runamika/runamika.ini"},
        {SettingsLocation::PerUser, nullptr, nullptr, "/opt/r/runamika.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PlacementFileFor(c.location, "/opt/r/runamika", c.xdgConfigHome, c.home),
                  c.expected);
    }
}

TEST(PlacementFileFor, ThisBuildsDefaultKeepsTheFileBesideTheExecutable) {
    if (kSettingsLocation != SettingsLocation::BesideExecutable) GTEST_SKIP() << "per-user build";
    EXPECT_EQ(PlacementFileFor("/tools/CONV.EXE"), "/tools/CONV.ini");
}

TEST(EnsureParentFolder, MakesMissingFoldersOwnerOnlyAndLeavesExistingOnes) {
    namespace fs = std::filesystem;
    TempFolder root;
    fs::create_directory(root / "existing");
    fs::permissions(root / "existing", fs::perms(0755));
    WriteBytes(root / "plain-file", "x");

    EXPECT_TRUE(EnsureParentFolder(root / "existing/runamika.ini"));
    EXPECT_EQ(fs::status(root / "existing").permissions(), fs::perms(0755));

    EXPECT_TRUE(EnsureParentFolder(root / "a/b/runamika/runamika.ini"));
    for (const char* made : {"a", "a/b", "a/b/runamika"}) {
        EXPECT_TRUE(fs::is_directory(root / made)) << made;
        EXPECT_EQ(fs::status(root / made).permissions(), fs::perms::owner_all) << made;
    }
    EXPECT_TRUE(EnsureParentFolder(root / "a/b/runamika/runamika.ini"));

    // A file where a folder should be: nothing to make, and the caller's write reports it.
    EXPECT_FALSE(EnsureParentFolder(root / "plain-file/runamika/runamika.ini"));
    EXPECT_FALSE(fs::exists(root / "plain-file/runamika"));
}

// Only the per-user build makes the placement file's folder before a write; the portable
// build's folder is the executable's and is never made.
TEST(PreparePlacementFolder, MakesTheFolderInThePerUserBuildOnly) {
    TempFolder root;
    const std::string file = root / "gone/runamika.ini";
    PreparePlacementFolder(file);
    EXPECT_EQ(std::filesystem::is_directory(root / "gone"),
              kSettingsLocation == SettingsLocation::PerUser);
}

// The per-user file in a folder just made is written; where no folder can be made the write
// fails (its message is the placement file's business).
TEST(EnsureParentFolder, ThenTheWriteCreatesTheFileOrFails) {
    TempFolder root;
    const std::string file = PerUserPlacementFileName(nullptr, root.Path().c_str());
    ASSERT_TRUE(EnsureParentFolder(file));
    WritePlacement(file, {-8, -31, 800, 600});
    EXPECT_EQ(ReadBytes(file), "[form]\nleft=-8\ntop=-31\nwidth=800\nheight=600\n");

    WriteBytes(root / "blocked", "");
    const std::string blocked = PerUserPlacementFileName(nullptr, (root / "blocked").c_str());
    EXPECT_FALSE(EnsureParentFolder(blocked));
    EXPECT_THROW(WritePlacement(blocked, {1, 2, 3, 4}), Failure);
}
