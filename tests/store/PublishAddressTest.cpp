#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "TempDir.hpp"
#include "store/PublishAddress.hpp"
#include "store/ReplayFile.hpp"

namespace {

TEST(PublishAddress, WithoutAReplayItIsTheAddressTheGameAlwaysSent) {
    EXPECT_EQ(store::PublishQuery("http://h", "123456"), "e=123456");
    EXPECT_EQ(store::PublishAddress("http://h", "123456"), "http://h/cgi-bin/gameres.pl?e=123456");
    EXPECT_EQ(store::PublishAddress("http://h", "123456", "abc_-9"),
              "http://h/cgi-bin/gameres.pl?e=123456&r=abc_-9");
}

TEST(PublishAddress, AReplayGoesAlongOnlyWhileTheAddressStaysWithinTheLimit) {
    const std::string base = "http://127.0.0.1:8080";
    const std::string code(300, '7');
    const std::size_t room = store::kMaxPublishAddress - store::PublishAddress(base, code).size() - 3;
    const std::string fits(room, 'A');
    EXPECT_EQ(store::PublishAddress(base, code, fits).size(), store::kMaxPublishAddress);
    EXPECT_EQ(store::PublishQuery(base, code, fits), "e=" + code + "&r=" + fits);
    // One byte more and the score goes without its replay, as before replays.
    EXPECT_EQ(store::PublishQuery(base, code, fits + "A"), "e=" + code);
    // A longer web base leaves less room.
    EXPECT_EQ(store::PublishQuery(base + "/x", code, fits), "e=" + code);
}

TEST(PublishAddress, OnlyBase64UrlTextMayGoIntoTheAddress) {
    EXPECT_TRUE(store::IsAddressSafeReplayText("AZaz09-_"));
    for (const char* bad : {"", "a b", "a&r=b", "a+b", "a/b", "a=", "a\n", "\xC3\xA9"})
        EXPECT_FALSE(store::IsAddressSafeReplayText(bad)) << bad;
}

TEST(ReplayFile, WritesTheTextAndOneNewlineAndReadsItBackStripped) {
    TempDir dir;
    const std::string path = dir.file("game.hoopstack-replay");
    ASSERT_TRUE(store::WriteReplayFile(path, "eJxabc"));
    EXPECT_EQ(readBytes(path), "eJxabc\n");
    const store::ReplayFileRead read = store::ReadReplayFile(path, 100);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.text, "eJxabc");

    // Whitespace an editor or a download added at the end is not part of the text.
    writeBytes(dir.file("spaced"), "eJxabc \t\r\n\n");
    EXPECT_EQ(store::ReadReplayFile(dir.file("spaced"), 100).text, "eJxabc");
    EXPECT_EQ(store::TrimReplayText(" a b \n"), " a b");
}

// Base64url holds no whitespace, so every kind after the text goes; none before or inside it
// does, and a file that ends in any of them still reads.
TEST(ReplayFile, TrimmingTakesEveryWhitespaceAfterTheTextAndNothingElse) {
    EXPECT_EQ(store::TrimReplayText("eJx-_9 \t\n\v\f\r"), "eJx-_9");
    EXPECT_EQ(store::TrimReplayText("\v\f eJx\tab\r\n"), "\v\f eJx\tab");
    EXPECT_EQ(store::TrimReplayText(" \t\n\v\f\r"), "");
    EXPECT_EQ(store::TrimReplayText(""), "");
    // Other control characters and bytes are left for the decoder to refuse.
    EXPECT_EQ(store::TrimReplayText(std::string_view("eJx\0", 4)), std::string_view("eJx\0", 4));
    EXPECT_EQ(store::TrimReplayText("eJx\x1b"), "eJx\x1b");
    EXPECT_EQ(store::TrimReplayText("eJx\xa0"), "eJx\xa0");
    TempDir dir;
    writeBytes(dir.file("paged"), "eJxabc\f\v\r\n");
    const store::ReplayFileRead read = store::ReadReplayFile(dir.file("paged"), 100);
    ASSERT_TRUE(read.ok) << read.error;
    EXPECT_EQ(read.text, "eJxabc");
}

TEST(ReplayFile, RefusesMissingEmptyAndOversizedFilesWithAReason) {
    TempDir dir;
    const store::ReplayFileRead missing = store::ReadReplayFile(dir.file("none"), 100);
    EXPECT_FALSE(missing.ok);
    EXPECT_NE(missing.error.find("cannot open"), std::string::npos) << missing.error;

    writeBytes(dir.file("blank"), " \n\n");
    const store::ReplayFileRead blank = store::ReadReplayFile(dir.file("blank"), 100);
    EXPECT_FALSE(blank.ok);
    EXPECT_NE(blank.error.find("empty"), std::string::npos) << blank.error;

    writeBytes(dir.file("big"), std::string(101, 'A'));
    const store::ReplayFileRead big = store::ReadReplayFile(dir.file("big"), 100);
    EXPECT_FALSE(big.ok);
    EXPECT_NE(big.error.find("larger than 100"), std::string::npos) << big.error;
    EXPECT_TRUE(store::ReadReplayFile(dir.file("big"), 101).ok);

    const store::ReplayFileRead folder = store::ReadReplayFile(dir.path().string(), 100);
    EXPECT_FALSE(folder.ok);
    // What went wrong, for a reader that words its own reasons.
    EXPECT_EQ(missing.status, store::ReadStatus::CannotOpen);
    EXPECT_EQ(missing.errorNumber, ENOENT);
    EXPECT_EQ(blank.status, store::ReadStatus::Ok);
    EXPECT_EQ(big.status, store::ReadStatus::TooLarge);
    EXPECT_EQ(folder.status, store::ReadStatus::ReadFailed);
    EXPECT_EQ(folder.errorNumber, EISDIR);
}

TEST(ReplayFile, AFailedWriteSaysWhyAndLeavesNothingBehind) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(store::WriteReplayFile(dir.file("no/folder/x.hoopstack-replay"), "abc", &error));
    EXPECT_NE(error.find("cannot create"), std::string::npos) << error;

    // A folder in the file's place stays as it was, and no temporary file is left beside it.
    std::filesystem::create_directory(dir.file("taken"));
    writeBytes(dir.file("taken/inside"), "x");
    error.clear();
    EXPECT_FALSE(store::WriteReplayFile(dir.file("taken"), "abc", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readBytes(dir.file("taken/inside")), "x");
    EXPECT_EQ(dir.entryCount(), 1u);

    const std::string path = dir.file("kept");
    ASSERT_TRUE(store::WriteReplayFile(path, "old"));
    ASSERT_TRUE(store::WriteReplayFile(path, "new"));
    EXPECT_EQ(readBytes(path), "new\n");
    EXPECT_EQ(dir.entryCount(), 2u);
}

} // namespace
