#include "builder/rar_writer.h"
#include "extract/archive_walker.h"
#include "extract/payload.h"
#include "extract/unrar_library.h"
#include "lib/path.h"
#include "tests/support/paths.h"
#include "tests/support/scratch.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <climits>

namespace setupkit {
namespace {

TEST(ProgressScale, SmallPayloadsAreCountedInBytes) {
    const ProgressScale scale(8106);
    EXPECT_EQ(scale.Position(8106), 8106);
    EXPECT_EQ(ProgressScale(0).Position(0), 0);
}

TEST(ProgressScale, PayloadsBeyondTwoGigabytesStillFitTheBar) {
    for (const std::uint64_t total : {std::uint64_t(INT_MAX) + 1, std::uint64_t(5) << 30,
                                      std::uint64_t(1) << 40, ~std::uint64_t(0)}) {
        const ProgressScale scale(total);
        EXPECT_GT(scale.Position(total), 0) << total;
        EXPECT_LE(scale.Position(total), INT_MAX) << total;
        EXPECT_LT(scale.Position(total / 2), scale.Position(total)) << total;
    }
}

TEST(ArchivePaths, OnlyPathsInsideTheDestinationAreContained) {
    for (const char* path : {"a.txt", "units\\a.pas", "a..b\\c..", "..a\\b", "x\\.\\y"})
        EXPECT_TRUE(IsContainedArchivePath(path)) << path;
    for (const char* path : {"", "..", "..\\a", "a\\..\\..\\b", "a/../b", "\\a", "/a", "C:\\a",
                             "C:a", "a:stream", "\\\\server\\share\\a"})
        EXPECT_FALSE(IsContainedArchivePath(path)) << path;
}

TEST(NoteMissingFolders, NotesOnlyMissingFoldersOutermostFirstAndMakesThemWhenAsked) {
    e2e::ScratchFolder scratch;
    scratch.MakeFolder("have");
    LineList missing;
    NoteMissingFolders(scratch.File("have\\one\\two\\"), missing, false);
    EXPECT_FALSE(e2e::FolderExists(scratch.File("have\\one")));
    EXPECT_EQ(missing.Text(),
              scratch.File("have\\one") + "\r\n" + scratch.File("have\\one\\two") + "\r\n");
    NoteMissingFolders(scratch.File("have\\one\\two"), missing, true);
    EXPECT_TRUE(e2e::FolderExists(scratch.File("have\\one\\two")));
    NoteMissingFolders(scratch.File("have\\one\\two"), missing, true);
    NoteMissingFolders("", missing, true);
    NoteMissingFolders("C:", missing, true);
    EXPECT_EQ(missing.Count(), 4u);
}

// The archive is closed when the walk ends, however it ends; a library that
// cannot close it must not end the process there.
TEST(ArchiveWalk, ALibraryWithoutCloseStillEndsTheWalk) {
    e2e::ScratchFolder scratch;
    LoadUnrarLibrary(e2e::WindowsPath(SETUPKIT_UNRAR_WITHOUT_CLOSE));
    EXPECT_TRUE(ExtractArchive(scratch.File("any.rar"), scratch.File("dest\\"), nullptr, nullptr,
                               nullptr, nullptr));
    FreeUnrarLibrary();
}

// The two passes of the payload step over a real archive, with the real
// extraction library and the progress dialog of the setup's templates.
class PayloadPasses : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadUnrarLibrary(e2e::WindowsPath(SETUPKIT_UNRAR_DLL));
        ProgressDialog = &dialog_;
        TotalBytes = DoneBytes = 0;
    }
    void TearDown() override { FreeUnrarLibrary(); }

    std::string Archive(const std::vector<builder::RarEntry>& entries) {
        const std::string path = scratch_.File("payload.rar");
        e2e::WriteFile(path, builder::WriteRarArchive(entries));
        return path;
    }
    bool RunBothPasses(const std::string& archive, LineList& folders, LineList& files) {
        ListArchive(archive, scratch_.File("dest\\"), CountEntry, nullptr);
        StartProgressPass();
        const bool extracted =
            ExtractArchive(archive, scratch_.File("dest\\"), TrackEntry, nullptr, &folders, &files);
        FinishProgressPass();
        return extracted;
    }
    LRESULT Bar(UINT message, WPARAM wParam = 0) const {
        return ::SendDlgItemMessageA(dialog_.Handle, kProgressBarId, message, wParam, 0);
    }

    e2e::ScratchFolder scratch_;
    TProgressDialog dialog_;
};

// The dialog shows changes at most every kPaintIntervalMs; whatever it held
// back, the pass ends with the last entry's name and the full bar.
TEST_F(PayloadPasses, TheBarEndsAtItsRangeAndFolderEntriesDoNotMoveIt) {
    LineList folders;
    LineList files;
    ASSERT_TRUE(RunBothPasses(Archive({{"docs", "", true},
                                       {"docs\\a.txt", std::string(3000, 'a')},
                                       {"b.txt", std::string(5106, 'b')},
                                       {"new\\deep\\c.txt", "c"}}),
                              folders, files));
    // Folders the extraction made for its files are recorded, outermost first.
    const std::string dest = scratch_.File("dest\\");
    EXPECT_EQ(folders.Text(), dest + "new\r\n" + dest + "new\\deep\r\n");
    EXPECT_EQ(Bar(PBM_GETRANGE, FALSE), 8107);
    EXPECT_EQ(Bar(PBM_GETPOS), 8107);
    EXPECT_EQ(files.Count(), 3u);
    char status[64] = {};
    ::GetDlgItemTextA(dialog_.Handle, kProgressTextId, status, sizeof status);
    EXPECT_STREQ(status, "new\\deep\\c.txt");
}

// The first entry is shown at once: its name with the bar past its bytes,
// before it is written.
TEST_F(PayloadPasses, AnEntryIsShownWithThePositionThatIncludesIt) {
    const std::string archive = Archive({{"a.txt", std::string(3000, 'a')}, {"b.txt", "b"}});
    ListArchive(archive, scratch_.File("dest\\"), CountEntry, nullptr);
    StartProgressPass();
    LineList files;
    std::string shown;
    LRESULT position = -1;
    ExtractArchive(
        archive, scratch_.File("dest\\"),
        [&](const RARHeaderData& header, std::string& folder, std::string& name) {
            const int op = TrackEntry(header, folder, name);
            if (position < 0) {
                char status[64] = {};
                ::GetDlgItemTextA(dialog_.Handle, kProgressTextId, status, sizeof status);
                shown = status;
                position = Bar(PBM_GETPOS);
            }
            return op;
        },
        nullptr, nullptr, &files);
    EXPECT_EQ(shown, "a.txt");
    EXPECT_EQ(position, 3000);
}

// An archive path of exactly `length` characters, in folders any file system takes.
std::string PathOfLength(std::size_t length) {
    std::string path;
    while (length - path.size() > 100)
        path += std::string(99, 'd') + "\\";
    return path + std::string(length - path.size(), 'f');
}

// Counted (nothing written), the walk stops at a file its record could not
// name; written, the longest path that can be recorded is.
TEST_F(PayloadPasses, AFileWhoseRecordCouldNotNameItStopsTheWalk) {
    const std::string dest = scratch_.File("dest\\");
    const std::string longest = PathOfLength(MAX_PATH - 1 - dest.size());
    // As long as the header's name field: it may have been cut to fit. Its
    // file name alone would fit the system folder.
    const std::string full = PathOfLength(sizeof(RARHeaderData::FileName) - 1);
    LineList systemNames;
    systemNames.Add(path::ExtractFileName(full));
    const auto counted = [&](const std::string& path) {
        return ListArchive(Archive({{path, "x"}}), dest, CountEntry, &systemNames);
    };
    EXPECT_TRUE(counted(longest));
    EXPECT_FALSE(counted(longest + "f"));
    EXPECT_FALSE(counted(full));

    LineList folders;
    LineList files;
    EXPECT_TRUE(
        ExtractArchive(Archive({{longest, "x"}}), dest, nullptr, nullptr, &folders, &files));
    EXPECT_EQ(files.Text(), dest + longest + "\r\n");
    EXPECT_EQ(e2e::ReadFile(dest + longest), "x");
}

TEST_F(PayloadPasses, AnEmptyArchiveGivesAnEmptyRangeAndSucceeds) {
    LineList folders;
    LineList files;
    EXPECT_TRUE(RunBothPasses(Archive({}), folders, files));
    EXPECT_EQ(Bar(PBM_GETRANGE, FALSE), 0);
    EXPECT_EQ(Bar(PBM_GETPOS), 0);
    EXPECT_TRUE(files.Empty());
    EXPECT_TRUE(folders.Empty());
}

} // namespace
} // namespace setupkit
