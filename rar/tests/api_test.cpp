// The classic API over small archives made by the tests: what RARProcessFile
// writes where, the callbacks, and the refusals a caller sees.
#include "rar/tests/archive_builder.h"
#include "rar/tests/unrar_library.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sys/stat.h>
#include <vector>

namespace rar::test {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32) && !defined(_WIN64)
// The layouts existing 32-bit callers were compiled against.
static_assert(sizeof(RARHeaderData) == 572, "RARHeaderData layout");
static_assert(offsetof(RARHeaderData, CmtBuf) == 556, "RARHeaderData layout");
static_assert(sizeof(RARHeaderDataEx) == 10236, "RARHeaderDataEx layout");
static_assert(offsetof(RARHeaderDataEx, Flags) == 6144, "RARHeaderDataEx layout");
static_assert(offsetof(RARHeaderDataEx, RedirName) == 6248, "RARHeaderDataEx layout");
static_assert(sizeof(RAROpenArchiveData) == 28, "RAROpenArchiveData layout");
static_assert(sizeof(RAROpenArchiveDataEx) == 152, "RAROpenArchiveDataEx layout");
#endif

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Session {
    explicit Session(const fs::path& archive, unsigned mode = RAR_OM_EXTRACT) {
        name = WideText(archive);
        RAROpenArchiveDataEx data{};
        data.ArcNameW = name.data();
        data.OpenMode = mode;
        handle = Unrar().OpenArchiveEx(&data);
        openResult = static_cast<int>(data.OpenResult);
    }
    ~Session() {
        if (handle)
            Unrar().CloseArchive(handle);
    }
    int Read() { return Unrar().ReadHeaderEx(handle, &header); }
    int Process(int operation, const fs::path& dest, const fs::path& destName = {}) {
        std::wstring destText = WideText(dest), nameText = WideText(destName);
        return Unrar().ProcessFileW(handle, operation, destText.data(),
                                    destName.empty() ? nullptr : nameText.data());
    }
    std::wstring name;
    HANDLE handle = nullptr;
    int openResult = 0;
    RARHeaderDataEx header{};
};

fs::path ThreeEntryArchive() {
    Builder50::File folder{"sub", {}};
    folder.directory = true;
    folder.withCrc = false;
    return WriteTemp(Builder50()
                         .Add({"sub/one.txt", ToBytes("first")})
                         .Add(folder)
                         .Add({"two.txt", ToBytes("second")})
                         .Finish(),
                     "three.rar");
}

TEST(ApiOpen, MissingFilesAndNonArchivesGiveNoHandleAndTheirCode) {
    Session missing(TempFolder("api-open") / "nothing.rar");
    EXPECT_EQ(missing.handle, nullptr);
    EXPECT_EQ(missing.openResult, ERAR_EOPEN);
    Session text(WriteTemp(ToBytes("plain text"), "plain.rar"));
    EXPECT_EQ(text.handle, nullptr);
    EXPECT_EQ(text.openResult, ERAR_BAD_ARCHIVE);
    EXPECT_EQ(Unrar().GetDllVersion(), RAR_DLL_VERSION);
}

TEST(ApiExtract, EntriesGoUnderTheFolderOrExactlyToTheGivenName) {
    const fs::path dest = TempFolder("api-extract");
    Session s(ThreeEntryArchive());
    ASSERT_NE(s.handle, nullptr);
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest / "out"), ERAR_SUCCESS);
    EXPECT_EQ(ReadText(dest / "out" / "sub" / "one.txt"), "first");
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_TRUE(s.header.Flags & RHDF_DIRECTORY);
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest / "out"), ERAR_SUCCESS);
    EXPECT_TRUE(fs::is_directory(dest / "out" / "sub"));
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest, dest / "elsewhere" / "renamed.txt"), ERAR_SUCCESS);
    EXPECT_EQ(ReadText(dest / "elsewhere" / "renamed.txt"), "second");
    EXPECT_FALSE(fs::exists(dest / "two.txt"));
    EXPECT_EQ(s.Read(), ERAR_END_ARCHIVE);
}

// Seconds since 1970 at which the file last changed.
std::int64_t ModifiedSeconds(const fs::path& path) {
#ifdef _WIN32
    struct _stat64 info;
    return _wstat64(path.c_str(), &info) == 0 ? info.st_mtime : -1;
#else
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : -1;
#endif
}

// Extracted files carry the date the archive gives them, in local time as
// the older format keeps it, not the time they were written.
TEST(ApiExtract, FilesKeepTheDateTheArchiveGivesThem) {
    const fs::path dest = TempFolder("api-date");
    Session s(WriteTemp(Builder15().Add({"dated.txt", ToBytes("old")}).Finish(), "dated.rar"));
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    ASSERT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    std::tm archived{}; // what the test archives hold: 2025-04-14 06:08:00
    archived.tm_year = 125;
    archived.tm_mon = 3;
    archived.tm_mday = 14;
    archived.tm_hour = 6;
    archived.tm_min = 8;
    archived.tm_isdst = -1;
    EXPECT_EQ(ModifiedSeconds(dest / "dated.txt"), std::mktime(&archived));
}

TEST(ApiExtract, SkippingOrNotProcessingMovesToTheNextEntryWithoutWriting) {
    const fs::path dest = TempFolder("api-skip");
    Session s(ThreeEntryArchive());
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_SKIP, dest), ERAR_SUCCESS);
    ASSERT_EQ(s.Read(), ERAR_SUCCESS); // the folder, left unprocessed
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(std::wstring(s.header.FileNameW), L"two.txt");
    EXPECT_TRUE(fs::is_empty(dest));
}

TEST(ApiHeaders, ListingASolidArchiveReadsNoDataWhileExtractingDecodesWhatItSkips) {
    Builder15::File packed{"packed.bin", ToBytes("no packed stream at all")};
    packed.method = 0x33;
    const fs::path archive =
        WriteTemp(Builder15(0x0008).Add(packed).Add({"after.txt", ToBytes("x")}).Finish(),
                  "solid-damaged.rar");
    for (const unsigned mode : {RAR_OM_LIST, RAR_OM_EXTRACT}) {
        SCOPED_TRACE(mode);
        Session s(archive, mode);
        ASSERT_EQ(s.Read(), ERAR_SUCCESS);
        const int skipped = s.Process(RAR_SKIP, {});
        EXPECT_EQ(skipped == ERAR_SUCCESS, mode == RAR_OM_LIST);
        if (mode == RAR_OM_LIST) {
            ASSERT_EQ(s.Read(), ERAR_SUCCESS);
            EXPECT_EQ(std::wstring(s.header.FileNameW), L"after.txt");
            EXPECT_EQ(s.Read(), ERAR_END_ARCHIVE);
        }
    }
}

TEST(ApiHeaders, AnsiAndWideRecordsDescribeTheEntry) {
    auto archive = ThreeEntryArchive();
    RAROpenArchiveData open{};
    std::string name = archive.string();
    open.ArcName = name.data();
    open.OpenMode = RAR_OM_LIST;
    HANDLE handle = Unrar().OpenArchive(&open);
    ASSERT_NE(handle, nullptr);
    RARHeaderData header{};
    ASSERT_EQ(Unrar().ReadHeader(handle, &header), ERAR_SUCCESS);
#ifdef _WIN32
    EXPECT_STREQ(header.FileName, "sub\\one.txt");
#else
    EXPECT_STREQ(header.FileName, "sub/one.txt");
#endif
    EXPECT_EQ(header.UnpSize, 5u);
    EXPECT_EQ(header.Method, 0x30u);
    EXPECT_EQ(header.FileCRC, CrcOf(ToBytes("first")));
    EXPECT_EQ(Unrar().ProcessFile(handle, RAR_SKIP, nullptr, nullptr), ERAR_SUCCESS);
    Unrar().CloseArchive(handle);

    Session s(archive);
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.header.HashType, static_cast<unsigned>(RAR_HASH_CRC32));
    EXPECT_EQ(s.header.UnpVer, 50u);
    EXPECT_EQ(s.header.HostOS, 2u);
}

struct Calls {
    std::string data;
    int passwordAsks = 0;
    int volumeAsks = 0;
    int answer = 1;
};

int CALLBACK Record(UINT msg, LPARAM user, LPARAM p1, LPARAM p2) {
    auto* calls = reinterpret_cast<Calls*>(user);
    if (msg == UCM_PROCESSDATA)
        calls->data.append(reinterpret_cast<const char*>(p1), static_cast<std::size_t>(p2));
    if (msg == UCM_NEEDPASSWORDW)
        ++calls->passwordAsks;
    if (msg == UCM_CHANGEVOLUMEW)
        ++calls->volumeAsks;
    return calls->answer;
}

TEST(ApiCallbacks, TestModeDeliversTheDataAndMinusOneCancels) {
    Session s(ThreeEntryArchive());
    Calls calls;
    Unrar().SetCallback(s.handle, Record, reinterpret_cast<LPARAM>(&calls));
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_TEST, {}), ERAR_SUCCESS);
    EXPECT_EQ(calls.data, "first");
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    calls.answer = -1;
    EXPECT_NE(s.Process(RAR_TEST, {}), ERAR_SUCCESS);
}

TEST(ApiCallbacks, EncryptedEntriesAskForAPasswordThenAreRefused) {
    Builder50::File secret{"secret.txt", ToBytes("x")};
    secret.encrypted = true;
    Session s(
        WriteTemp(Builder50().Add(secret).Add({"plain.txt", ToBytes("y")}).Finish(), "e.rar"));
    Calls calls;
    calls.answer = -1;
    Unrar().SetCallback(s.handle, Record, reinterpret_cast<LPARAM>(&calls));
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_TRUE(s.header.Flags & RHDF_ENCRYPTED);
    const fs::path dest = TempFolder("api-secret");
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_MISSING_PASSWORD);
    EXPECT_EQ(calls.passwordAsks, 1);
    EXPECT_FALSE(fs::exists(dest / "secret.txt"));
    calls.answer = 1; // lets the data of the next entry through
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    EXPECT_EQ(ReadText(dest / "plain.txt"), "y");
}

TEST(ApiCallbacks, EntriesContinuingInAnotherVolumeAskForItAndFail) {
    Builder50::File first{"big.bin", ToBytes("part")};
    first.splitAfter = true;
    first.withCrc = false;
    Session s(WriteTemp(Builder50(0x01).Add(first).Finish(), "vol.part1.rar"));
    Calls calls;
    calls.answer = -1;
    Unrar().SetCallback(s.handle, Record, reinterpret_cast<LPARAM>(&calls));
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_TRUE(s.header.Flags & RHDF_SPLITAFTER);
    EXPECT_EQ(s.Process(RAR_TEST, {}), ERAR_EREAD);
    EXPECT_EQ(calls.volumeAsks, 1);
}

TEST(ApiLinks, HardLinksAndCopiesGetTheirTargetsDataOrAReferenceError) {
    Builder50::File hard{"hard.txt", {}};
    hard.linkType = FSREDIR_HARDLINK;
    hard.linkTarget = "dir/target.txt";
    hard.withCrc = false;
    Builder50::File copy = hard;
    copy.name = "copy.txt";
    copy.linkType = FSREDIR_FILECOPY;
    Builder50::File dangling = copy;
    dangling.name = "dangling.txt";
    dangling.linkTarget = "never-extracted.txt";
    const fs::path dest = TempFolder("api-links");
    Session s(WriteTemp(Builder50()
                            .Add({"dir/target.txt", ToBytes("shared")})
                            .Add(hard)
                            .Add(copy)
                            .Add(dangling)
                            .Finish(),
                        "links.rar"));
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(s.Read(), ERAR_SUCCESS);
        EXPECT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    }
    EXPECT_EQ(ReadText(dest / "hard.txt"), "shared");
    EXPECT_EQ(ReadText(dest / "copy.txt"), "shared");
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_EREFERENCE);
}

TEST(ApiLinks, HostileNamesAndLinksNeverReachOutsideTheDestination) {
    Builder50::File up{"up", {}};
    up.linkType = FSREDIR_UNIXSYMLINK;
    up.linkTarget = "../outside";
    up.withCrc = false;
    Builder50::File inner = up;
    inner.name = "inner";
    inner.linkTarget = ".";
    Builder50::File through{"inner/../../escaped.txt", ToBytes("no")};
    Builder50::File viaLink{"inner/file.txt", ToBytes("no")};
    // A link made in a folder the extraction made itself is replaced like any other.
    Builder50::File sibling = up;
    sibling.name = "made/link";
    sibling.linkTarget = "kept.txt";
    Builder50::File overLink{"made/link", ToBytes("new")};
    // So is one in the destination the extraction made.
    Builder50::File rootLink = sibling;
    rootLink.name = "rootlink";
    rootLink.linkTarget = "made/kept.txt";
    Builder50::File overRootLink{"rootlink", ToBytes("new")};
    const fs::path sandbox = TempFolder("api-hostile");
    const fs::path dest = sandbox / "dest";
    Session s(WriteTemp(Builder50()
                            .Add(up)
                            .Add(inner)
                            .Add(through)
                            .Add(viaLink)
                            .Add({"made/kept.txt", ToBytes("kept")})
                            .Add(sibling)
                            .Add(overLink)
                            .Add(rootLink)
                            .Add(overRootLink)
                            .Finish(),
                        "hostile.rar"));
    while (s.Read() == ERAR_SUCCESS)
        s.Process(RAR_EXTRACT, dest);
    EXPECT_EQ(ReadText(dest / "made" / "kept.txt"), "kept");
    EXPECT_EQ(ReadText(dest / "made" / "link"), "new");
    EXPECT_EQ(ReadText(dest / "rootlink"), "new");
    EXPECT_FALSE(fs::exists(fs::symlink_status(dest / "up")));
    EXPECT_FALSE(fs::exists(sandbox / "escaped.txt"));
    EXPECT_FALSE(fs::exists(dest / "escaped.txt")); // "inner" may be a link to "."
    EXPECT_FALSE(fs::exists(dest / "file.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(sandbox), fs::directory_iterator{}), 1);
}

TEST(ApiExtract, AFolderRemovedBetweenEntriesIsMadeAgain) {
    const fs::path dest = TempFolder("api-removed");
    Session s(WriteTemp(
        Builder50().Add({"d/e/one.txt", ToBytes("1")}).Add({"d/e/two.txt", ToBytes("2")}).Finish(),
        "removed.rar"));
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    ASSERT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    fs::remove_all(dest / "d");
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    EXPECT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    EXPECT_EQ(ReadText(dest / "d" / "e" / "two.txt"), "2");
}

// Files in a folder the extraction made are created without emptying, as
// nothing can be there; a name that is there after all, from an earlier entry
// or from someone else, is still overwritten.
TEST(ApiExtract, ANameAlreadyInAMadeFolderIsOverwritten) {
    const fs::path dest = TempFolder("api-again");
    Session s(WriteTemp(Builder50()
                            .Add({"d/one.txt", ToBytes("first")})
                            .Add({"d/one.txt", ToBytes("again")})
                            .Add({"d/two.txt", ToBytes("2")})
                            .Finish(),
                        "again.rar"));
    for (int entry = 0; entry < 2; ++entry) {
        ASSERT_EQ(s.Read(), ERAR_SUCCESS);
        ASSERT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    }
    EXPECT_EQ(ReadText(dest / "d" / "one.txt"), "again");
    std::ofstream(dest / "d" / "two.txt") << "someone else's, and longer";
    ASSERT_EQ(s.Read(), ERAR_SUCCESS);
    ASSERT_EQ(s.Process(RAR_EXTRACT, dest), ERAR_SUCCESS);
    EXPECT_EQ(ReadText(dest / "d" / "two.txt"), "2");
}

} // namespace
} // namespace rar::test
