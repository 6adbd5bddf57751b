// The pages and the JSON: player text always escaped, the right rows in the right places.
#include <gtest/gtest.h>

#include "TextSearch.hpp"
#include "server/Pages.hpp"
#include "server/TopJson.hpp"

using namespace server;

namespace {

std::vector<RankedRecord> rows(int count, const std::string& name = "p") {
    std::vector<RankedRecord> out;
    for (int i = 1; i <= count; ++i) out.push_back({i, 1000 - i, name + std::to_string(i), 86400 * 365, i, false, {}});
    return out;
}

NewRecord newRecord(const std::string& name, std::int32_t score = 900) {
    NewRecord r;
    r.level = 2;
    r.score = score;
    r.name = name;
    return r;
}

TEST(EscapeHtml, EscapesEveryMarkupCharacter) {
    EXPECT_EQ(EscapeHtml("<script>alert('x')</script> & \"q\""),
              "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;");
    EXPECT_EQ(EscapeHtml("Zoë"), "Zoë");
}

TEST(FormatDate, WritesTheUtcDay) {
    EXPECT_EQ(FormatDate(0), "1970-01-01");
    EXPECT_EQ(FormatDate(994291200), "2001-07-05");
    EXPECT_EQ(FormatDate(994291200 + 86399), "2001-07-05");
}

TEST(Pages, ShowPlayerNamesOnlyAsText) {
    const std::string evil = "<script>alert(1)</script>";
    const std::vector<RankedRecord> top = {{1, 50, evil, 0, 0, false, {}}};
    for (const std::string& html : {RenderLevelPage(1, top), RenderIndexPage({top, {}, {}}),
                                    RenderPublishPage(newRecord(evil), {PublishOutcome::Stored, 1}, &top),
                                    RenderErrorPage(evil, evil)}) {
        EXPECT_EQ(html.find("<script"), std::string::npos);
        EXPECT_NE(html.find("&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos);
    }
}

TEST(Pages, AreCompleteDocumentsWithOurStyleSheetAndNoScript) {
    for (const std::string& html : {RenderLevelPage(1, rows(3)), RenderIndexPage({}), RenderGamesPage(),
                                    RenderErrorPage("Bad", "worse")}) {
        EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
        EXPECT_NE(html.find("<meta name=\"viewport\""), std::string::npos);
        EXPECT_NE(html.find("<link rel=\"stylesheet\" href=\"/style.css\">"), std::string::npos);
        EXPECT_EQ(html.find("<script"), std::string::npos);
        EXPECT_EQ(html.find("style=\""), std::string::npos);  // the policy allows no inline styles
        EXPECT_NE(html.find("</html>"), std::string::npos);
    }
}

TEST(Pages, LevelPageShowsTheTopTenThenTheRanksUpToAHundred) {
    const std::string few = RenderLevelPage(3, rows(4));
    EXPECT_NE(few.find("Master"), std::string::npos);
    EXPECT_EQ(CountOf(few, "<tr><td class=\"rank\">"), 4);
    EXPECT_EQ(few.find("Ranks 11"), std::string::npos);

    const std::string many = RenderLevelPage(1, rows(100));
    EXPECT_EQ(CountOf(many, "<table>"), 2);
    EXPECT_EQ(CountOf(many, "<tr><td class=\"rank\">"), 100);
    EXPECT_LT(many.find(">p10<"), many.find("Ranks 11 to 100"));
    EXPECT_GT(many.find(">p11<"), many.find("Ranks 11 to 100"));

    EXPECT_NE(RenderLevelPage(2, {}).find("No scores yet"), std::string::npos);
}

TEST(Pages, IndexShowsTenRowsOfEachLevel) {
    const std::string html = RenderIndexPage({rows(12, "n"), rows(1, "e"), {}});
    EXPECT_NE(html.find(">n10<"), std::string::npos);
    EXPECT_EQ(html.find(">n11<"), std::string::npos);
    EXPECT_NE(html.find(">e1<"), std::string::npos);
    EXPECT_EQ(CountOf(html, "No scores yet"), 1);
    for (const char* link : {"/level/1", "/level/2", "/level/3"}) EXPECT_NE(html.find(link), std::string::npos);
}

TEST(Pages, PublishPageTellsTheOutcomeAndMarksThePlayersRow) {
    const std::vector<RankedRecord> top = rows(5);
    const std::string stored = RenderPublishPage(newRecord("p3"), {PublishOutcome::Stored, 3}, &top);
    EXPECT_NE(stored.find("ranks <strong>3rd</strong>"), std::string::npos);
    EXPECT_NE(stored.find("<tr class=\"you\"><td class=\"rank\">3</td>"), std::string::npos);
    EXPECT_EQ(CountOf(stored, "class=\"you\""), 1);

    const std::string duplicate = RenderPublishPage(newRecord("p3"), {PublishOutcome::Duplicate, 3}, &top);
    EXPECT_NE(duplicate.find("Already published"), std::string::npos);

    const std::string notKept = RenderPublishPage(newRecord("p3", 1), {PublishOutcome::NotListed, 0}, &top);
    EXPECT_NE(notKept.find("is stored, but the table shows each name's 10 best"), std::string::npos);
    EXPECT_EQ(notKept.find("class=\"you\""), std::string::npos);

    const std::string noTable = RenderPublishPage(newRecord("x"), {PublishOutcome::Stored, 12}, nullptr);
    EXPECT_NE(noTable.find("ranks <strong>12th</strong>"), std::string::npos);
    EXPECT_NE(noTable.find("cannot be read"), std::string::npos);
}

TEST(Pages, OrdinalsFollowEnglish) {
    const std::vector<RankedRecord> none;
    const auto rankText = [&](std::int64_t rank) {
        const std::string html = RenderPublishPage(newRecord("x"), {PublishOutcome::Stored, rank}, &none);
        const std::size_t at = html.find("ranks <strong>") + 14;
        return html.substr(at, html.find('<', at) - at);
    };
    EXPECT_EQ(rankText(1), "1st");
    EXPECT_EQ(rankText(2), "2nd");
    EXPECT_EQ(rankText(11), "11th");
    EXPECT_EQ(rankText(13), "13th");
    EXPECT_EQ(rankText(22), "22nd");
    EXPECT_EQ(rankText(111), "111th");
    EXPECT_EQ(rankText(101), "101st");
}

std::string aBoard() {
    std::string board;
    for (int r = 1; r <= 16; ++r) {
        if (r > 1) board += '/';
        board += r == 16 ? "1234567012345670" : r == 15 ? "0000000000000007" : "0000000000000000";
    }
    return board;
}

TEST(Pages, OnlyVerifiedRowsLinkTheirReplayAndTheLevelPageShowsTheirCourt) {
    std::vector<RankedRecord> top = rows(12);
    top[1].verified = true;
    top[1].id = 41;
    top[1].board = aBoard();
    top[11].verified = true;
    top[11].id = 42;
    top[11].board = aBoard();
    const std::string level = RenderLevelPage(1, top);
    EXPECT_EQ(CountOf(level, "class=\"verified\""), 2);
    EXPECT_EQ(CountOf(level, "href=\"/replay/41.hoopstack-replay\""), 1);
    EXPECT_EQ(CountOf(level, "href=\"/replay/42.hoopstack-replay\""), 1);
    // A court for the verified row of the Top 10 only, with a ball per non-zero digit.
    EXPECT_EQ(CountOf(level, "<svg"), 1);
    EXPECT_EQ(CountOf(level, "<circle"), 15);
    EXPECT_EQ(CountOf(level, "fill=\"#34343e\""), 3);  // colour 7
    EXPECT_EQ(level.find("style=\""), std::string::npos);
    const std::string index = RenderIndexPage({top, {}, {}});
    EXPECT_EQ(CountOf(index, "class=\"verified\""), 1);
    EXPECT_EQ(index.find("<svg"), std::string::npos);
    // A row that says verified but holds no well-formed court shows its mark without one.
    top[1].board = aBoard().replace(5, 1, "9");
    EXPECT_EQ(CountOf(RenderLevelPage(1, top), "<svg"), 0);
}

TEST(Pages, CourtsAreDrawnFromDigitsOnlyAndLabelledSafely) {
    EXPECT_EQ(RenderCourtSvg("", "x"), "");
    EXPECT_EQ(RenderCourtSvg(aBoard() + "\"><script>", "x"), "");
    const std::string svg = RenderCourtSvg(aBoard(), "<b>\"Anna\"</b>");
    EXPECT_EQ(svg.rfind("<svg class=\"court\"", 0), 0u);
    EXPECT_NE(svg.find("width=\"83\" height=\"80\""), std::string::npos);
    EXPECT_NE(svg.find("aria-label=\"&lt;b&gt;&quot;Anna&quot;&lt;/b&gt;\""), std::string::npos);
    EXPECT_EQ(svg.find("<b>"), std::string::npos);
    // Row 16 is even: its first ball sits at the left wall; row 15 is odd, shifted half a ball.
    EXPECT_NE(svg.find("<circle cx=\"5\" cy=\"155\""), std::string::npos);
    EXPECT_NE(svg.find("<circle cx=\"160\" cy=\"145\""), std::string::npos);
    EXPECT_LT(svg.size(), 256u * 64u);
}

TEST(TopJson, ListsTheRecordsWithEscapedNames) {
    std::vector<RankedRecord> records = {{1, 50, "A\"b\\c</script>", 0, 0, false, {}}, {2, -1, "\x01", 86400, 0, false, {}}};
    records[1].verified = true;
    EXPECT_EQ(RenderTopJson(1, records),
              "{\"level\":1,\"levelName\":\"Novice\",\"records\":["
              "{\"rank\":1,\"name\":\"A\\\"b\\\\c\\u003c/script\\u003e\",\"score\":50,\"date\":\"1970-01-01\",\"verified\":false},"
              "{\"rank\":2,\"name\":\"\\u0001\",\"score\":-1,\"date\":\"1970-01-02\",\"verified\":true}]}\n");
    EXPECT_EQ(RenderTopJson(3, {}), "{\"level\":3,\"levelName\":\"Master\",\"records\":[]}\n");
    EXPECT_EQ(RenderJsonError("bad & worse"), "{\"error\":\"bad \\u0026 worse\"}\n");
}

} // namespace
