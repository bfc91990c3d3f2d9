#include "records/folders.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace setupkit {
namespace {

std::string SystemDirectory() {
    char buffer[MAX_PATH];
    return std::string(buffer, ::GetSystemDirectoryA(buffer, MAX_PATH));
}

std::string WindowsDirectory() {
    char buffer[MAX_PATH];
    return std::string(buffer, ::GetWindowsDirectoryA(buffer, MAX_PATH));
}

TEST(MachineFolders, EndWithOneBackslash) {
    EXPECT_EQ(GetSystemFolder(), SystemDirectory() + "\\");
    EXPECT_EQ(GetWindowsFolder(), WindowsDirectory() + "\\");
    const std::string programs = GetProgramsFolder();
    ASSERT_GT(programs.size(), 3u);
    EXPECT_EQ(programs.back(), '\\');
    EXPECT_NE(programs[programs.size() - 2], '\\');
    EXPECT_NE(::GetFileAttributesA(programs.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(MachineFolders, ProgramFilesIsOnTheWindowsDrive) {
    EXPECT_EQ(GetProgramFilesFolder(), WindowsDirectory().substr(0, 2) + "\\Program Files\\");
}

} // namespace
} // namespace setupkit
