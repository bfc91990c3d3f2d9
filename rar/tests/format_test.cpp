// Reading the archive formats: headers, names, stored data and checksums,
// and the clean refusals for what this library does not read.
#include "rar/check/blake2sp.h"
#include "rar/format/archive.h"
#include "rar/format/names.h"
#include "rar/format/status.h"
#include "rar/tests/archive_builder.h"

#include <gtest/gtest.h>

namespace rar::test {
namespace {

class MemorySink : public ByteSink {
  public:
    void Write(const std::uint8_t* data, std::size_t size) override {
        bytes.insert(bytes.end(), data, data + size);
    }
    Bytes bytes;
};

Status StatusOf(const std::function<void()>& body) {
    try {
        body();
        return Status::Ok;
    } catch (const ArchiveError& e) {
        return e.Code();
    }
}

Bytes UnpackCurrent(Archive& archive) {
    MemorySink sink;
    archive.Unpack(sink);
    return sink.bytes;
}

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (auto b : digest) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

TEST(Format15, StoredEntriesFolderAndEndAreReadInOrder) {
    Builder15 b;
    b.Add({"docs\\readme.txt", ToBytes("hello, world")});
    Builder15::File folder{"docs", {}};
    folder.flags = 0xE0;
    folder.attributes = 0x10;
    b.Add(folder);
    b.Add({"empty.txt", {}});
    Archive archive(WriteTemp(b.Finish(), "stored15.rar"));
    EXPECT_EQ(archive.Info().format, Format::Rar15);

    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().name, "docs/readme.txt");
    EXPECT_EQ(archive.Current().unpackedSize, 12u);
    EXPECT_EQ(archive.Current().dosTime, 0x5A8E3100u);
    EXPECT_EQ(UnpackCurrent(archive), ToBytes("hello, world"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_TRUE(archive.Current().isDirectory);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_TRUE(UnpackCurrent(archive).empty());
    EXPECT_FALSE(archive.NextEntry());
    EXPECT_FALSE(archive.NextEntry());
}

TEST(Format15, ArchiveWithoutEndBlockEndsAtEndOfFile) {
    Builder15 b;
    b.Add({"a", ToBytes("x")});
    Archive archive(WriteTemp(b.Finish(false), "noend15.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_FALSE(archive.NextEntry());
}

TEST(Format15, SelfExtractingModuleInFrontIsPassedOver) {
    Bytes bytes(5000, 0x90);
    const std::string decoy = "Rar!"; // a partial marker inside the module
    std::copy(decoy.begin(), decoy.end(), bytes.begin() + 100);
    Builder15 b;
    b.Add({"inside.txt", ToBytes("payload")});
    const Bytes archive = b.Finish();
    bytes.insert(bytes.end(), archive.begin(), archive.end());
    Archive opened(WriteTemp(bytes, "sfx15.exe"));
    EXPECT_EQ(opened.Info().sfxSize, 5000u);
    ASSERT_TRUE(opened.NextEntry());
    EXPECT_EQ(UnpackCurrent(opened), ToBytes("payload"));
}

TEST(Format15, EncodedUnicodeNamesDecodeEveryCharacterKind) {
    // "a", U+0416 through the high byte, "b": kinds 0, 1, 0.
    std::string mixed = std::string("a?b") + '\0' + "\x04\x10\x61\x16\x62";
    // One run copying six characters of the 8-bit name.
    std::string run = std::string("abcdef") + '\0' + std::string("\x00\xC0\x04", 3);
    // A two-byte character, kind 2.
    std::string wide = std::string("?") + '\0' + std::string("\x00\x80\xAC\x20", 4);
    Builder15 b;
    for (const std::string& name : {mixed, run, wide}) {
        Builder15::File f{name, ToBytes("1")};
        f.flags = 0x200;
        b.Add(f);
    }
    Archive archive(WriteTemp(b.Finish(), "unicode15.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().name, "a\xD0\x96"
                                      "b");
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().name, "abcdef");
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().name, "\xE2\x82\xAC"); // U+20AC
}

TEST(Format15, EncodedNameThatEndsEarlyKeepsWhatWasDecoded) {
    const std::string plain = "abc";
    const std::uint8_t cut[] = {0x00, 0x00}; // a flags byte and nothing after it
    EXPECT_EQ(DecodeEncodedName(plain, cut, sizeof cut), u"");
    const std::uint8_t longRun[] = {0x00, 0xC0, 0x7F}; // 129 characters from a 3-byte name
    EXPECT_EQ(DecodeEncodedName(plain, longRun, sizeof longRun).size(), 129u);
}

TEST(Format15, DamageAndUnsupportedFeaturesAreRefusedWithTheirCodes) {
    Builder15::File badHeader{"a", ToBytes("x")};
    badHeader.breakHeaderCrc = true;
    Archive headerArchive(WriteTemp(Builder15().Add(badHeader).Finish(), "hcrc15.rar"));
    EXPECT_EQ(StatusOf([&] { headerArchive.NextEntry(); }), Status::BadData);

    Builder15::File badData{"a", ToBytes("x")};
    badData.breakDataCrc = true;
    Builder15::File encrypted{"b", ToBytes("y")};
    encrypted.flags = 0x04;
    Builder15::File unknownMethod{"c", ToBytes("z")};
    unknownMethod.version = 36;
    unknownMethod.method = 0x33;
    Archive archive(WriteTemp(Builder15().Add(badData).Add(encrypted).Add(unknownMethod).Finish(),
                              "bad15.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::BadData);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::MissingPassword);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::UnknownFormat);

    const auto lockedHeaders = WriteTemp(Builder15(0x80).Finish(), "hp15.rar");
    EXPECT_EQ(StatusOf([&] { Archive a(lockedHeaders); }), Status::MissingPassword);
    const auto notRar = WriteTemp(ToBytes("just some text, no marker"), "text.rar");
    EXPECT_EQ(StatusOf([&] { Archive a(notRar); }), Status::BadArchive);
}

TEST(Format15, TruncatedDataIsBadDataNotARead) {
    Bytes bytes = Builder15().Add({"a", Bytes(1000, 7)}).Finish(false);
    bytes.resize(bytes.size() - 10);
    Archive archive(WriteTemp(bytes, "cut15.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::BadData);
}

TEST(Format14, StoredEntriesFoldersAndCommentsAreReadUntilTheFileEnds) {
    Builder14::File folder{"DOCS", {}};
    folder.attributes = 0x10;
    Builder14::File commented{"DOCS\\README.TXT", ToBytes("hello, world")};
    commented.comment = {4, 0, 'n', 'o', 't', 'e'};
    Builder14 b(0x02, {3, 0, 'a', 'b', 'c'});
    b.Add(folder).Add(commented).Add({"EMPTY.BIN", {}});
    Archive archive(WriteTemp(b.Finish(), "stored14.rar"));
    EXPECT_EQ(archive.Info().format, Format::Rar14);
    EXPECT_TRUE(archive.Info().hasComment);

    ASSERT_TRUE(archive.NextEntry());
    EXPECT_TRUE(archive.Current().isDirectory);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().name, "DOCS/README.TXT");
    EXPECT_EQ(archive.Current().unpackVersion, 13u);
    EXPECT_EQ(archive.Current().dosTime, 0x5A8E3100u);
    EXPECT_EQ(UnpackCurrent(archive), ToBytes("hello, world"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_TRUE(UnpackCurrent(archive).empty());
    EXPECT_FALSE(archive.NextEntry());
}

TEST(Format14, ChecksumDamageAndRefusalsHaveTheirCodes) {
    Builder14::File damaged{"A", ToBytes("some bytes")};
    damaged.breakChecksum = true;
    Builder14::File encrypted{"B", ToBytes("y")};
    encrypted.flags = 0x04;
    Builder14::File continued{"C", ToBytes("z")};
    continued.flags = 0x02;
    Builder14::File unknownMethod{"D", ToBytes("w")};
    unknownMethod.method = 3;
    unknownMethod.unpackedSize = 100;
    Archive archive(WriteTemp(
        Builder14().Add(damaged).Add(encrypted).Add(continued).Add(unknownMethod).Finish(),
        "bad14.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::BadData);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::MissingPassword);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::ReadFailed);
    // One packed byte cannot hold a hundred: the decoder runs dry.
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::BadData);
}

TEST(Format14, HeadersThatCannotHoldTheirNamesOrEndEarlyAreCaught) {
    Bytes bytes = Builder14().Add({"NAME.TXT", ToBytes("x")}).Finish();
    Bytes shortHead = bytes;
    shortHead[7 + 10] = 21 + 3; // head size below 21 + name size
    Archive archive(WriteTemp(shortHead, "shorthead14.rar"));
    EXPECT_EQ(StatusOf([&] { archive.NextEntry(); }), Status::BadData);

    Bytes trailing = bytes;
    trailing.insert(trailing.end(), {1, 2, 3}); // too little for another header
    Archive tail(WriteTemp(trailing, "tail14.rar"));
    ASSERT_TRUE(tail.NextEntry());
    EXPECT_FALSE(tail.NextEntry());

    Bytes cutName = bytes;
    cutName.resize(7 + 21 + 3);
    Archive cut(WriteTemp(cutName, "cutname14.rar"));
    EXPECT_EQ(StatusOf([&] { cut.NextEntry(); }), Status::ReadFailed);

    const Bytes tinyMain = {'R', 'E', '~', '^', 3, 0, 0};
    EXPECT_EQ(StatusOf([&] { Archive a(WriteTemp(tinyMain, "tinymain14.rar")); }),
              Status::BadArchive);
}

TEST(Format14, OnlyCompressedFilesAfterTheFirstContinueASolidStream) {
    Builder14::File packed{"P", ToBytes("..")};
    packed.method = 3;
    Builder14 b(0x08);
    b.Add({"S1", ToBytes("s")}).Add(packed).Add({"S2", ToBytes("t")}).Add(packed).Add(packed);
    Archive archive(WriteTemp(b.Finish(), "solid14.rar"));
    EXPECT_TRUE(archive.Info().solid);
    std::vector<bool> solid;
    while (archive.NextEntry())
        solid.push_back(archive.Current().solid);
    EXPECT_EQ(solid, (std::vector<bool>{false, false, false, true, true}));

    Builder14 plain;
    plain.Add(packed).Add(packed);
    Archive notSolid(WriteTemp(plain.Finish(), "notsolid14.rar"));
    ASSERT_TRUE(notSolid.NextEntry());
    ASSERT_TRUE(notSolid.NextEntry());
    EXPECT_FALSE(notSolid.Current().solid);
}

TEST(Format14, SignatureInsideAModuleCountsOnlyWithSaneHeadersBehindIt) {
    Builder14 inner;
    inner.Add({"INSIDE.TXT", ToBytes("payload")});
    const Bytes archive = inner.Finish();
    Bytes sfx(3000, 0x90);
    const std::string decoy = "RE~^\x07"; // the signature with nothing sane after it
    std::copy(decoy.begin(), decoy.end(), sfx.begin() + 200);
    sfx.insert(sfx.end(), archive.begin(), archive.end());
    Archive opened(WriteTemp(sfx, "sfx14.exe"));
    EXPECT_EQ(opened.Info().sfxSize, 3000u);
    ASSERT_TRUE(opened.NextEntry());
    EXPECT_EQ(UnpackCurrent(opened), ToBytes("payload"));

    Bytes onlyDecoy(3000, 0x90);
    std::copy(decoy.begin(), decoy.end(), onlyDecoy.begin() + 200);
    EXPECT_EQ(StatusOf([&] { Archive a(WriteTemp(onlyDecoy, "decoy14.exe")); }),
              Status::BadArchive);
}

TEST(Format50, StoredEntriesWithBothChecksumKindsRoundTrip) {
    Builder50::File folder{"dir", {}};
    folder.directory = true;
    folder.withCrc = false;
    Builder50::File hashed{"dir/big.bin", Bytes(70000, 0)};
    for (std::size_t i = 0; i < hashed.data.size(); ++i)
        hashed.data[i] = static_cast<std::uint8_t>(i * 7);
    hashed.withBlake2 = true;
    hashed.withCrc = false;
    Archive archive(
        WriteTemp(Builder50().Add(folder).Add({"dir/a.txt", ToBytes("abc")}).Add(hashed).Finish(),
                  "s50.rar"));
    EXPECT_EQ(archive.Info().format, Format::Rar50);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_TRUE(archive.Current().isDirectory);
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().name, "dir/a.txt");
    EXPECT_TRUE(archive.Current().hasCrc);
    EXPECT_EQ(UnpackCurrent(archive), ToBytes("abc"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_TRUE(archive.Current().hasBlake2);
    EXPECT_EQ(UnpackCurrent(archive), hashed.data);
    EXPECT_FALSE(archive.NextEntry());
}

TEST(Format50, ChecksumMismatchOfEitherKindIsBadData) {
    Builder50::File crc{"a", ToBytes("data")};
    crc.breakDataCrc = true;
    Builder50::File blake{"b", ToBytes("data")};
    blake.withBlake2 = true;
    blake.withCrc = false;
    blake.breakDataCrc = true;
    Archive archive(WriteTemp(Builder50().Add(crc).Add(blake).Finish(), "sum50.rar"));
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(archive.NextEntry());
        EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::BadData);
    }
}

TEST(Format50, LinkRecordsAndCompressionFieldsAreDecoded) {
    Builder50::File link{"l", {}};
    link.linkType = 4;
    link.linkTarget = "dir/target";
    link.declaredSize = 5;
    Builder50::File packed{"p", ToBytes("zz")};
    packed.compression = (3u << 7) | 0x40 | (2u << 10); // m3, solid, 512 KB
    Archive archive(WriteTemp(Builder50().Add(link).Add(packed).Finish(), "l50.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().link, LinkKind::HardLink);
    EXPECT_EQ(archive.Current().linkTarget, "dir/target");
    EXPECT_TRUE(UnpackCurrent(archive).empty()); // links carry no data
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(archive.Current().method, 3u);
    EXPECT_TRUE(archive.Current().solid);
    EXPECT_EQ(archive.Current().windowSize, 512u * 1024);
    EXPECT_EQ(archive.Current().unpackVersion, 50u);
}

TEST(Format50, EncryptionAndDamageAreRefusedWithTheirCodes) {
    const auto lockedHeaders = WriteTemp(Builder50(0, true).Finish(), "hp50.rar");
    EXPECT_EQ(StatusOf([&] { Archive a(lockedHeaders); }), Status::MissingPassword);

    Builder50::File encrypted{"e", ToBytes("secret")};
    encrypted.encrypted = true;
    Archive archive(WriteTemp(Builder50().Add(encrypted).Finish(), "enc50.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::MissingPassword);

    Bytes damaged = Builder50().Add({"a", ToBytes("x")}).Finish();
    damaged[8 + 4 + 1 + 3 + 10] ^= 0xFF; // inside the file header
    Archive broken(WriteTemp(damaged, "crc50.rar"));
    EXPECT_EQ(StatusOf([&] { broken.NextEntry(); }), Status::BadData);
}

TEST(Format50, HugeDictionaryIsNoMemoryNotACrash) {
    Builder50::File f{"f", ToBytes("x")};
    f.compression = 1 | (3u << 7) | (20u << 10); // the later variant, 128 GB
    // In a solid archive the whole dictionary is needed, whatever the entry's size.
    Archive archive(WriteTemp(Builder50(0x04).Add(f).Finish(), "dict50.rar"));
    ASSERT_TRUE(archive.NextEntry());
    EXPECT_EQ(StatusOf([&] { UnpackCurrent(archive); }), Status::NoMemory);
}

TEST(Blake2, PlainHashMatchesPublishedVectors) {
    Blake2s empty;
    EXPECT_EQ(Hex(empty.Final()),
              "69217a3079908094e11121d042354a7c1f55b6482ca1a51e1b250dfd1ed0eef9");
    Blake2s abc;
    abc.Update(reinterpret_cast<const std::uint8_t*>("abc"), 3);
    EXPECT_EQ(Hex(abc.Final()), "508c5e8c327c14e2e1a72ba34eeb452f37458b209ed63a294d999b4c86675982");
}

TEST(Blake2, TreeHashDoesNotDependOnHowTheInputIsSplit) {
    Bytes data(1000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i);
    Blake2sp whole;
    whole.Update(data.data(), data.size());
    Blake2sp pieces;
    for (std::size_t at = 0; at < data.size(); at += 37)
        pieces.Update(data.data() + at, std::min<std::size_t>(37, data.size() - at));
    EXPECT_EQ(whole.Final(), pieces.Final());
}

TEST(Names, Utf8RoundTripKeepsInvalidBytes) {
    const std::string raw = "ok\xC6"
                            "\xE2\x82\xAC";
    EXPECT_EQ(CodePointsToUtf8(Utf8ToCodePoints(raw)), raw);
    EXPECT_EQ(Utf8ToCodePoints(raw)[2], char32_t{0xDCC6});
    EXPECT_EQ(LegacyNameToUtf8("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Utf16ToUtf8(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    // U+FFFE, then U+E0C6 for the byte 0xC6 that was no text.
    EXPECT_EQ(DecodeRar5Name("\xEF\xBF\xBE"
                             "a\xEE\x83\x86"),
              "a\xC6");
    EXPECT_EQ(DecodeRar5Name("a\xEE\x83\x86"), "a\xEE\x83\x86");
}

} // namespace
} // namespace rar::test
