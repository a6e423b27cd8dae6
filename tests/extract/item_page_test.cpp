#include "extract/item_page.h"

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"
#include "web/cp932.h"

namespace vorn {
namespace {

const std::string kBase = "https://vorn.test/";

std::string Sjis(std::string_view utf8) { return UTF8ToAnsi(utf8); }

// An item page as the site serves it: navigation around one long item block, the block ended
// by a "<script>" line, then the page data line. Each part can be replaced by a test.
struct ItemPage {
    std::string title = R"(<h1 class="title">ソファー　3人掛け<span class="id">（投稿ID : abc123）</span></h1>)";
    std::string dates =
        R"(<div class="d"><div>更新<!-- -->2024年5月1日</div><div>作成<!-- -->2024年4月20日</div></div>)";
    std::string images = R"(<div class="p"><img src="https://img.vorn.test/articles/images/thumb_s_1.jpg" alt=""/>)"
                         R"(<img src="https://img.vorn.test/articles/images/thumb_s_2.jpg" alt=""/></div>)";
    std::string description =
        R"(<iframe src="https://video.test/x"></iframe><p>きれいなソファーです。<br/>送料込み</p>)";
    std::string table =
        R"(<table><tr><td>価格</td><td><span>5,000円</span></td></tr>)"
        R"(<tr><td>取引場所</td><td><div>東京都</div><div>新宿区</div></td></tr>)"
        R"(<tr><td>ジャンル</td><td><a href="/g">家具</a> &gt; <a href="/s">ソファー</a></td></tr></table>)";
    std::string reception = R"(<a class="btn" href="/contact/abc123">投稿者にメールで問い合わせ</a>)";
    std::string poster = R"(<div class="h">投稿者</div><a href="/profiles/u42">山田太郎</a></div><div>男性 30代</div>)";
    std::string counts = R"(<div>投稿：<!-- -->34</div><div><span>件</span></div></div>)"
                         R"(<div><span>本人確認</span></div><div><span>電話番号</span></div>)";
    std::string introduction =
        R"(<span>認証とは</span><a href="/help">?</a>よろしくお願いします。<svg><path d="M0"></path></svg>)";
    std::string nextData = R"(</div></div><script id="__NEXT_DATA__" type="application/json">{"props":{"article":)"
                           R"({"id":"abc123","favorite_user_count":7,"user":{"good_evaluation_count":12,)"
                           R"("normal_evaluation_count":1,"bad_evaluation_count":0}}},"page":"/item"}</script>)";

    std::vector<std::string> Lines() const {
        return {
            "<!DOCTYPE html>",
            R"(<html lang="ja"><head><meta charset="utf-8"/><title>ソファー | Vorn</title></head>)",
            R"(<body><div id="__next"><header><nav><a href="/">トップ</a><a href="/sale">売ります</a></nav></header>)",
            "  <main>" + title + dates,
            images + description + table,
            reception + poster + counts + introduction,
            "</main><script>window.dataLayer=[];</script>",
            nextData,
            "</body></html>",
        };
    }
};

ItemFields Parse(const std::vector<std::string>& lines, const std::function<bool()>& stop = {}) {
    ItemFields fields;
    ParseItemLines(lines, kBase, stop, fields);
    return fields;
}

TEST(ParseItemLines, FullPageGivesEveryField) {
    const ItemFields f = Parse(ItemPage{}.Lines());
    EXPECT_EQ(f[kPostId], "abc123");
    EXPECT_EQ(f[kTitle], Sjis("ソファー　3人掛け"));
    EXPECT_EQ(f[kDescription], Sjis("きれいなソファーです。送料込み"));
    EXPECT_EQ(f[kPrice], Sjis("5,000円"));
    EXPECT_EQ(f[kReception], Sjis("申し込み可"));
    EXPECT_EQ(f[kGenre], Sjis("家具 &gt; ソファー"));
    EXPECT_EQ(f[kPlace], Sjis("東京都、新宿区"));
    EXPECT_EQ(f[kPosterName], Sjis("山田太郎"));
    EXPECT_EQ(f[kPosterGender], Sjis("男性"));
    EXPECT_EQ(f[kPostCount], "34");
    EXPECT_EQ(f[kVerification], Sjis("本人確認、電話番号"));
    EXPECT_EQ(f[kIntroduction], Sjis("よろしくお願いします。"));
    EXPECT_EQ(f[kGoodRatings], "12");
    EXPECT_EQ(f[kNormalRatings], "1");
    EXPECT_EQ(f[kBadRatings], "0");
    EXPECT_EQ(f[kFavourites], "7");
    EXPECT_EQ(f[kUpdatedDate], Sjis("2024年5月1日"));
    EXPECT_EQ(f[kCreatedDate], Sjis("2024年4月20日"));
    EXPECT_EQ(f[kFirstImageUrl], "https://img.vorn.test/articles/images/thumb_1.jpg");
    EXPECT_EQ(f[kFirstImageUrl + 1], "https://img.vorn.test/articles/images/thumb_2.jpg");
    EXPECT_EQ(f[kFirstImageUrl + 2], "");
    EXPECT_EQ(f[kProfileUrl], "https://vorn.test/profiles/u42");
    EXPECT_EQ(f[kDetailUrl], "");
}

TEST(ParseItemLines, BlockJoinsLinesWithoutSeparatorUpToTheScriptLine) {
    ItemPage page;
    page.description = "<iframe></iframe><p>abc\n  def\nghi</p>";
    std::vector<std::string> lines;
    for (const std::string& line : page.Lines()) {
        std::size_t start = 0;
        for (std::size_t end; (end = line.find('\n', start)) != std::string::npos; start = end + 1) {
            lines.push_back(line.substr(start, end - start));
        }
        lines.push_back(line.substr(start));
    }
    EXPECT_EQ(Parse(lines)[kDescription], "abcdefghi");
}

TEST(ParseItemLines, LastLineOfThePageNeverJoinsTheBlock) {
    const std::vector<std::string> lines = {
        R"(<h1>Lamp<span>（投稿ID : L1）</span></h1>)",
        "<p>no script tag follows</p>",
        R"(<table><tr><td>価格</td><td><span>100円</span></td></tr></table>)",
    };
    const ItemFields f = Parse(lines);
    EXPECT_EQ(f[kPostId], "L1");
    EXPECT_EQ(f[kPrice], "");
}

TEST(ParseItemLines, ImageUrls) {
    struct Case {
        const char* name;
        std::string markup;
        std::vector<std::string> expected;
    };
    const std::string img = R"(<img src="https://i.test/articles/images/)";
    const std::vector<Case> cases = {
        {"at most five in page order",
         img + R"(a.jpg"/>)" + img + R"(b.jpg"/>)" + img + R"(c.jpg"/>)" + img + R"(d.jpg"/>)" + img + R"(e.jpg"/>)" +
             img + R"(f.jpg"/>)",
         {"a", "b", "c", "d", "e"}},
        {"thumb_s_ becomes thumb_ whatever its case", img + R"(THUMB_S_9.jpg"/>)", {"thumb_9"}},
        {"other image addresses skipped and not counted",
         R"(<img src="https://i.test/icons/logo.png"/>)" + img + R"(x.jpg"/>)",
         {"x"}},
        {"tag must start with img in lower case", R"(<IMG src="https://i.test/articles/images/y.jpg"/>)", {}},
        {"address without a closing quote skipped", R"(<img src=https://i.test/articles/images/z.jpg>)", {}},
    };
    for (const Case& c : cases) {
        ItemPage page;
        page.images = c.markup;
        const ItemFields f = Parse(page.Lines());
        for (int k = 0; k < kMaxImages; ++k) {
            std::string want;
            if (k < static_cast<int>(c.expected.size())) {
                want = "https://i.test/articles/images/" + c.expected[k] + ".jpg";
            }
            EXPECT_EQ(f[kFirstImageUrl + k], want) << c.name << ", image " << k + 1;
        }
    }
}

TEST(ParseItemLines, PosterGender) {
    struct Case {
        const char* name;
        std::string poster;
        bool postCountFollows;
        std::string gender;
    };
    const std::vector<Case> cases = {
        {"male", R"(投稿者</div><a href="/profiles/1">A</a></div><div>男性</div>)", true, "男性"},
        {"female", R"(投稿者</div><a href="/profiles/1">A</a></div><div>女性 40代</div>)", true, "女性"},
        {"neither", R"(投稿者</div><a href="/profiles/1">A</a></div><div>30代</div>)", true, "性別未公開"},
        {"nothing closes the poster text", R"(投稿者</div><a href="/profiles/1">A</a></div><div>男性</div>)", false,
         ""},
    };
    for (const Case& c : cases) {
        ItemPage page;
        page.poster = c.poster;
        if (!c.postCountFollows) {
            page.counts.clear();
        }
        EXPECT_EQ(Parse(page.Lines())[kPosterGender], Sjis(c.gender)) << c.name;
    }
}

TEST(ParseItemLines, Reception) {
    struct Case {
        const char* name;
        std::string markup;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"mail link", "<a>投稿者にメールで問い合わせ</a>", "申し込み可"},
        {"closed note", "<p>お問い合わせの受付は<br/>終了いたしました。</p>", "受付終了"},
        {"neither marker", "<p>お問い合わせ</p>", ""},
    };
    for (const Case& c : cases) {
        ItemPage page;
        page.reception = c.markup;
        EXPECT_EQ(Parse(page.Lines())[kReception], Sjis(c.expected)) << c.name;
    }
}

TEST(ParseItemLines, Verification) {
    struct Case {
        const char* name;
        std::string markup;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"final list comma dropped", "<div><span>本人確認</span></div>", "本人確認"},
        {"text without it unchanged", "<div><span>本人確認</span>済み", "本人確認済み"},
        {"only the last of two dropped", "<div><span>本人確認、</span></div>", "本人確認、"},
        // 0x82 0x81 0x41: the bytes of the list comma end this text but its last character is "A".
        {"comma bytes inside a character kept", "<div>ａA", "ａA"},
    };
    for (const Case& c : cases) {
        ItemPage page;
        page.counts = "<div>投稿：<!-- -->5</div><div></div></div>" + c.markup;
        const ItemFields f = Parse(page.Lines());
        EXPECT_EQ(f[kVerification], Sjis(c.expected)) << c.name;
        EXPECT_EQ(f[kPostCount], "5") << c.name;
    }
}

TEST(ParseItemLines, CountsAndVerificationNeedTheHelpLink) {
    ItemPage page;
    // The poster's later text would otherwise land in the verification column.
    page.introduction = R"(<div>自己紹介</div></div><p>よろしくお願いします。</p>)";
    const ItemFields withoutHelp = Parse(page.Lines());
    EXPECT_EQ(withoutHelp[kPostCount], "");
    EXPECT_EQ(withoutHelp[kVerification], "");
    EXPECT_EQ(withoutHelp[kIntroduction], "");

    ItemFields expected = Parse(ItemPage{}.Lines());
    expected[kPostCount].clear();
    expected[kVerification].clear();
    expected[kIntroduction].clear();
    EXPECT_EQ(withoutHelp, expected) << "every other field as with the link";
}

TEST(ParseItemLines, CountsFromThePageData) {
    struct Case {
        const char* name;
        std::string json;
        std::string favourites, good, normal, bad;
    };
    const std::vector<Case> cases = {
        {"closing braces dropped from ratings",
         R"({"a":{"good_evaluation_count":12},"normal_evaluation_count":3},)"
         R"("bad_evaluation_count":4}},"x":1})",
         "", "12", "3", "4"},
        {"favourites keep a closing brace",
         R"({"favorite_user_count":9},{"good_evaluation_count":1,"normal_evaluation_count":2,)"
         R"("bad_evaluation_count":3,)",
         "9}", "1", "2", "3"},
        {"first occurrence wins",
         R"({"good_evaluation_count":1,"good_evaluation_count":2,"favorite_user_count":5,"favorite_user_count":6,)",
         "5", "1", "", ""},
        {"no comma after the key leaves it empty", R"({"bad_evaluation_count":8}})", "", "", "", ""},
    };
    for (const Case& c : cases) {
        ItemPage page;
        page.nextData = R"(</div><script id="__NEXT_DATA__" type="application/json">)" + c.json + "</script>";
        const ItemFields f = Parse(page.Lines());
        EXPECT_EQ(f[kFavourites], c.favourites) << c.name;
        EXPECT_EQ(f[kGoodRatings], c.good) << c.name;
        EXPECT_EQ(f[kNormalRatings], c.normal) << c.name;
        EXPECT_EQ(f[kBadRatings], c.bad) << c.name;
    }
}

TEST(ParseItemLines, PageDataOnlyFromALineStartingWithADivEnd) {
    struct Case {
        const char* name;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"no page data line", "<footer></footer>"},
        {"page data not after a div end",
         R"(<script id="__NEXT_DATA__">{"good_evaluation_count":1,"favorite_user_count":2,}</script>)"},
    };
    for (const Case& c : cases) {
        ItemPage page;
        page.nextData = c.line;
        const ItemFields f = Parse(page.Lines());
        for (int field : {kGoodRatings, kNormalRatings, kBadRatings, kFavourites}) {
            EXPECT_EQ(f[field], "") << c.name << ", field " << field;
        }
        EXPECT_EQ(f[kPostId], "abc123") << c.name;
    }
}

TEST(ParseItemLines, SecondHeadingReplacesFoundValuesAndKeepsOthers) {
    ItemPage page;
    std::vector<std::string> lines = page.Lines();
    lines.insert(lines.begin() + 7,
                 {R"(<h1>Chair<span>（投稿ID : c9）</span></h1><img src="https://i.test/articles/images/n.jpg"/>)",
                  "<script>x()</script>"});
    const ItemFields f = Parse(lines);
    EXPECT_EQ(f[kTitle], "Chair");
    EXPECT_EQ(f[kPostId], "c9");
    EXPECT_EQ(f[kFirstImageUrl], "https://i.test/articles/images/n.jpg");
    EXPECT_EQ(f[kFirstImageUrl + 1], "https://img.vorn.test/articles/images/thumb_2.jpg");
    EXPECT_EQ(f[kPrice], Sjis("5,000円"));
    EXPECT_EQ(f[kGoodRatings], "12");
}

TEST(ParseItemLines, HeadingsPastTheSixteenthArePassedOver) {
    // A page of nothing but headings must not cost time quadratic in its size.
    std::vector<std::string> lines;
    for (int i = 1; i <= 17; ++i) {
        lines.push_back("<h1>T" + std::to_string(i) + "<span>（投稿ID : p" + std::to_string(i) + "）</span></h1>");
    }
    lines.emplace_back("<footer></footer>");
    const ItemFields f = Parse(lines);
    EXPECT_EQ(f[kTitle], "T16");
    EXPECT_EQ(f[kPostId], "p16");
}

TEST(ParseItemLines, StopRequestKeepsWhatWasRead) {
    const ItemFields f = Parse(ItemPage{}.Lines(), [] { return true; });
    // The first line stops the walk before the item block is reached.
    EXPECT_EQ(f[kTitle], "");

    std::vector<std::string> lines = ItemPage{}.Lines();
    lines.erase(lines.begin(), lines.begin() + 3);
    const ItemFields fromHeading = Parse(lines, [] { return true; });
    EXPECT_EQ(fromHeading[kPostId], "abc123");
    EXPECT_EQ(fromHeading[kPrice], Sjis("5,000円"));
    EXPECT_EQ(fromHeading[kFirstImageUrl], "") << "the image search stops at its first piece";
    EXPECT_EQ(fromHeading[kGoodRatings], "") << "the walk ends before the page data";
}

TEST(ParseItemLines, MarkerBytesInsideACharacterAreNotAMatch) {
    ItemPage page;
    // "ｉｿ格" in CP932 holds the bytes of "価格" starting at the trail byte of "ｉ".
    page.table = R"(<table><tr><td>ｉｿ格</td><td><span>999円</span></td></tr></table>)";
    EXPECT_EQ(Parse(page.Lines())[kPrice], "");
}

// Markers are looked for in the converted text, where some Latin characters have become ASCII:
// "¹" becomes "1" and "à" becomes "a". Lines without such characters are searched raw.
TEST(ParseItemLines, CharactersThatConvertToAsciiMatchAsThatAscii) {
    ItemPage page;
    page.nextData = R"(</div><script id="__NEXT_DATA__">{"note":"fàvorite_user_count 99","favorite_user_count":7,)"
                    R"("good_evaluation_count":12,"normal_evaluation_count":1,"bad_evaluation_count":0}</script>)";
    std::vector<std::string> lines = page.Lines();
    lines.insert(lines.begin() + 7, {"<h¹>Lamp<span>（投稿ID : q5）</span></h¹>", "<script>y()</script>"});
    const ItemFields f = Parse(lines);
    EXPECT_EQ(f[kFavourites], "99");
    EXPECT_EQ(f[kGoodRatings], "12");
    EXPECT_EQ(f[kPostId], "q5");
    EXPECT_EQ(f[kTitle], "Lamp");
}

TEST(ExtractItem, UnreadablePageGivesOnlyTheDetailUrl) {
    test::TestProgramDir dir(false);
    {
        // A page left over from the listing before must not be read as this one.
        std::ofstream stale(dir.scratchFile(), std::ios::binary);
        for (const std::string& line : ItemPage{}.Lines()) {
            stale << line << "\r\n";
        }
    }
    int pauses = 0;
    ItemContext context;
    context.scratchFile = dir.scratchFile();
    context.baseUrl = kBase;
    context.saveImages = true;
    context.imageDir = dir.path();
    context.pause = [&pauses] { ++pauses; };
    const std::string url = "https://127.0.0.1:1/sale/item/1";
    const ItemFields f = ExtractItem(context, url);
    for (int i = 0; i < kDetailUrl; ++i) {
        EXPECT_EQ(f[i], "") << "field " << i;
    }
    EXPECT_EQ(f[kDetailUrl], url);
    EXPECT_EQ(pauses, 1);
}

} // namespace
} // namespace vorn
