#include "extract/item_page.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "extract/item_images.h"
#include "web/cp932.h"
#include "web/fetch_page.h"
#include "web/page_lines.h"
#include "web/stand_ins.h"
#include "web/text.h"

namespace vorn {

namespace {

// The Japanese markers of the item page, in CP932 as the converted lines hold them.
struct PageMarkers {
    std::string postIdLabel = UTF8ToAnsi("投稿ID :");
    std::string openParen = UTF8ToAnsi("（");
    std::string closeParen = UTF8ToAnsi("）");
    std::string updated = UTF8ToAnsi("更新<!-- -->");
    std::string created = UTF8ToAnsi("作成<!-- -->");
    std::string priceCell = UTF8ToAnsi("価格</td>");
    std::string priceLabel = UTF8ToAnsi("価格");
    std::string tradePlaceCell = UTF8ToAnsi("取引場所</td>");
    std::string tradePlaceLabel = UTF8ToAnsi("取引場所");
    std::string handoverPlaceCell = UTF8ToAnsi("受け渡し場所</td>");
    std::string handoverPlaceLabel = UTF8ToAnsi("受け渡し場所");
    std::string listComma = UTF8ToAnsi("、");
    std::string genreCell = UTF8ToAnsi("ジャンル</td>");
    std::string genreLabel = UTF8ToAnsi("ジャンル");
    std::string mailLink = UTF8ToAnsi(">投稿者にメールで問い合わせ<");
    std::string receptionClosedNote = UTF8ToAnsi(">お問い合わせの受付は<br/>終了いたしました。<");
    std::string applicationsOpen = UTF8ToAnsi("申し込み可");
    std::string receptionClosed = UTF8ToAnsi("受付終了");
    std::string posterHeading = UTF8ToAnsi("投稿者</div>");
    std::string posterEnd = UTF8ToAnsi("<div>投稿");
    std::string posterLabel = UTF8ToAnsi("投稿者");
    std::string male = UTF8ToAnsi("男性");
    std::string female = UTF8ToAnsi("女性");
    std::string genderUndisclosed = UTF8ToAnsi("性別未公開");
    std::string postCountStart = UTF8ToAnsi("<div>投稿：");
    std::string postCountLabel = UTF8ToAnsi("投稿：");
    std::string verificationHelp = UTF8ToAnsi("<span>認証とは");
    std::string verificationHelpLabel = UTF8ToAnsi("認証とは");
};

const PageMarkers& Markers() {
    static const PageMarkers markers;
    return markers;
}

bool Stopped(const std::function<bool()>& stopRequested) { return stopRequested && stopRequested(); }

std::string ConvertLine(std::string_view rawLine) { return UTF8ToAnsi(TrimView(rawLine)); }

// True when the last character of text (walking CP932 characters from the start) is suffix.
bool EndsWithCharacter(std::string_view text, std::string_view suffix) {
    if (suffix.empty() || text.size() < suffix.size()) {
        return false;
    }
    const std::size_t wanted = text.size() - suffix.size();
    std::size_t pos = 0;
    while (pos < wanted) {
        pos += IsLeadByte(static_cast<unsigned char>(text[pos])) ? 2 : 1;
    }
    return pos == wanted && text.substr(wanted) == suffix;
}

std::string BaseWithoutSlash(std::string_view baseUrl) {
    if (!baseUrl.empty() && baseUrl.back() == '/') {
        baseUrl.remove_suffix(1);
    }
    return std::string(baseUrl);
}

// The page's lines converted on first use, each at most once: a heading's block reads ahead over
// lines the walk then reaches again. Most lines are only searched for ASCII markers, and where
// a line's ASCII survives conversion that is done on its raw bytes, without converting it: the
// page data line alone is most of the page.
class ConvertedLines {
public:
    explicit ConvertedLines(std::span<const std::string_view> rawLines)
        : raw_(rawLines), converted_(rawLines.size()), state_(rawLines.size(), 0) {}

    std::size_t size() const { return raw_.size(); }
    std::string_view Raw(std::size_t i) const { return raw_[i]; }
    const std::string& At(std::size_t i) {
        if ((state_[i] & kConverted) == 0) {
            converted_[i] = ConvertLine(raw_[i]);
            state_[i] |= kConverted;
        }
        return converted_[i];
    }
    bool AsciiIntact(std::size_t i) {
        if ((state_[i] & kChecked) == 0) {
            state_[i] |= kChecked | (AsciiSurvivesConversion(raw_[i]) ? kIntact : 0);
        }
        return (state_[i] & kIntact) != 0;
    }

private:
    static constexpr unsigned char kConverted = 1;
    static constexpr unsigned char kChecked = 2;
    static constexpr unsigned char kIntact = 4;

    std::span<const std::string_view> raw_;
    std::vector<std::string> converted_;
    std::vector<unsigned char> state_;
};

bool HoldsHeading(ConvertedLines& lines, std::size_t i) {
    return lines.AsciiIntact(i) ? lines.Raw(i).find("<h1") != std::string_view::npos : ContainsText(lines.At(i), "<h1");
}

// The text from key (ASCII) up to the next comma, in CP932; nothing when either is missing.
std::optional<std::string> KeyToComma(ConvertedLines& lines, std::size_t i, std::string_view key) {
    if (lines.AsciiIntact(i)) {
        const std::string_view raw = lines.Raw(i);
        const std::size_t from = raw.find(key);
        const std::size_t comma = from == std::string_view::npos ? from : raw.find(',', from);
        if (comma == std::string_view::npos) {
            return std::nullopt;
        }
        return UTF8ToAnsi(raw.substr(from, comma - from));
    }
    const std::string_view from = TextFrom(lines.At(i), key);
    if (!ContainsText(from, ",")) {
        return std::nullopt;
    }
    return std::string(TextBefore(from, ","));
}

// The "<h1" line and the lines after it up to and including the first one holding "<script>";
// the page's last line never joins.
std::string BuildItemBlock(ConvertedLines& lines, std::size_t h1Index) {
    std::string block = lines.At(h1Index);
    for (std::size_t i = h1Index + 1; i + 1 < lines.size(); ++i) {
        const std::string& line = lines.At(i);
        block += line;
        if (ContainsText(line, "<script>")) {
            break;
        }
    }
    return block;
}

void ReadTitleAndPostId(std::string_view block, ItemFields& fields) {
    const PageMarkers& m = Markers();
    const std::string_view heading = TextFrom(block, "<h1");
    if (!ContainsText(heading, "<span")) {
        return;
    }
    fields[kTitle] = CleanText(TextBefore(heading, "<span"));
    const std::string_view span = TextFrom(heading, "<span");
    if (!ContainsText(span, "</span>")) {
        return;
    }
    std::string id = CleanText(TextBefore(span, "</span>"));
    id = RemoveAllNoCase(id, m.postIdLabel);
    id = RemoveAllNoCase(id, m.openParen);
    id = RemoveAllNoCase(id, m.closeParen);
    fields[kPostId] = Trim(id);
}

void ReadDate(std::string_view block, const std::string& marker, std::string& field) {
    const std::string_view from = TextFrom(block, marker);
    if (!ContainsText(from, "</div>")) {
        return;
    }
    field = CleanText(RemoveAllNoCase(TextBefore(from, "</div>"), marker));
}

void ReadImageUrls(std::string_view block, const std::function<bool()>& stopRequested, ItemFields& fields) {
    std::vector<std::string> pieces;
    SplitText(block, "<", pieces);
    int imageCount = 0;
    for (const std::string& piece : pieces) {
        const std::string_view tag = TrimView(piece);
        if (StartsWith(tag, "img") && ContainsText(tag, "/articles/images/")) {
            const std::string_view url = TextFrom(tag, "http");
            if (ContainsText(url, "\"")) {
                const std::string_view address = TextBefore(url, "\"");
                fields[kFirstImageUrl + imageCount] = Trim(ReplaceAllNoCase(address, "thumb_s_", "thumb_"));
                ++imageCount;
            }
        }
        if (imageCount == kMaxImages || Stopped(stopRequested)) {
            return;
        }
    }
}

void ReadDescription(std::string_view block, ItemFields& fields) {
    const std::string_view from = TextFrom(block, "</iframe>");
    const std::string description = CleanText(TextBefore(from, "<table>"));
    if (!description.empty()) {
        fields[kDescription] = description;
    }
}

void ReadPrice(std::string_view block, ItemFields& fields) {
    const PageMarkers& m = Markers();
    const std::string_view from = TextFrom(block, m.priceCell);
    if (!ContainsText(from, "</span>")) {
        return;
    }
    fields[kPrice] = Trim(RemoveAllNoCase(CleanText(TextBefore(from, "</span>")), m.priceLabel));
}

void ReadPlace(std::string_view block, ItemFields& fields) {
    const PageMarkers& m = Markers();
    const std::string* marker = &m.tradePlaceCell;
    const std::string* label = &m.tradePlaceLabel;
    if (!ContainsText(block, *marker)) {
        marker = &m.handoverPlaceCell;
        label = &m.handoverPlaceLabel;
        if (!ContainsText(block, *marker)) {
            return;
        }
    }
    const std::string_view from = TextFrom(block, *marker);
    if (!ContainsText(from, "</td></tr>")) {
        return;
    }
    const std::string place = RemoveAllNoCase(TextBefore(from, "</td></tr>"), *label);
    fields[kPlace] = CleanText(ReplaceAllNoCase(place, "</div><div>", m.listComma));
}

void ReadGenre(std::string_view block, ItemFields& fields) {
    const PageMarkers& m = Markers();
    const std::string_view from = TextFrom(block, m.genreCell);
    if (!ContainsText(from, "</td></tr>")) {
        return;
    }
    fields[kGenre] = CleanText(RemoveAllNoCase(TextBefore(from, "</td></tr>"), m.genreLabel));
}

void ReadReception(std::string_view block, ItemFields& fields) {
    const PageMarkers& m = Markers();
    if (ContainsText(block, m.mailLink)) {
        fields[kReception] = m.applicationsOpen;
    } else if (ContainsText(block, m.receptionClosedNote)) {
        fields[kReception] = m.receptionClosed;
    }
}

void ReadPoster(std::string_view block, std::string_view baseUrl, ItemFields& fields) {
    const PageMarkers& m = Markers();
    const std::string_view from = TextFrom(block, m.posterHeading);
    if (!ContainsText(from, m.posterEnd)) {
        return;
    }
    const std::string_view poster = TextBefore(from, m.posterEnd);
    if (ContainsText(poster, m.male)) {
        fields[kPosterGender] = m.male;
    } else if (ContainsText(poster, m.female)) {
        fields[kPosterGender] = m.female;
    } else {
        fields[kPosterGender] = m.genderUndisclosed;
    }
    if (!ContainsText(poster, "</div><div>")) {
        return;
    }
    const std::string_view nameCell = TextBefore(poster, "</div><div>");
    const std::string_view profile = TextFrom(nameCell, "/profiles/");
    if (ContainsText(profile, "\"")) {
        fields[kProfileUrl] = BaseWithoutSlash(baseUrl) + Trim(TextBefore(profile, "\""));
    }
    fields[kPosterName] = CleanText(RemoveAllNoCase(nameCell, m.posterLabel));
}

void ReadPostCountAndVerification(std::string_view block, ItemFields& fields) {
    const PageMarkers& m = Markers();
    const std::string_view from = TextFrom(block, m.postCountStart);
    // Without the help link the rest of the block is the poster's other text, not verifications.
    if (!ContainsText(from, m.verificationHelp)) {
        return;
    }
    const std::string_view counts = TextBefore(from, m.verificationHelp);
    if (!ContainsText(counts, "</div></div>")) {
        return;
    }
    const std::string_view countPart = TextBefore(counts, "</div></div>");
    if (ContainsText(countPart, "</div>")) {
        std::string count = RemoveAllNoCase(TextBefore(countPart, "</div>"), m.postCountLabel);
        fields[kPostCount] = CleanText(RemoveAllNoCase(count, "<!-- -->"));
    }
    std::string verification = ReplaceAllNoCase(TextFrom(counts, "</div></div>"), "</span></div>", m.listComma);
    verification = CleanText(RemoveAllNoCase(verification, m.verificationHelpLabel));
    if (EndsWithCharacter(verification, m.listComma)) {
        verification.resize(verification.size() - m.listComma.size());
    }
    fields[kVerification] = Trim(verification);
}

void ReadIntroduction(std::string_view block, ItemFields& fields) {
    const std::string_view help = TextFrom(block, Markers().verificationHelp);
    if (!ContainsText(help, "</a>")) {
        return;
    }
    fields[kIntroduction] = CleanText(TextBefore(TextFrom(help, "</a>"), "</path></svg>"));
}

void ParseItemBlock(std::string_view block, std::string_view baseUrl, const std::function<bool()>& stopRequested,
                    ItemFields& fields) {
    const PageMarkers& m = Markers();
    ReadTitleAndPostId(block, fields);
    ReadDate(block, m.updated, fields[kUpdatedDate]);
    ReadDate(block, m.created, fields[kCreatedDate]);
    ReadImageUrls(block, stopRequested, fields);
    ReadDescription(block, fields);
    ReadPrice(block, fields);
    ReadPlace(block, fields);
    ReadGenre(block, fields);
    ReadReception(block, fields);
    ReadPoster(block, baseUrl, fields);
    ReadPostCountAndVerification(block, fields);
    ReadIntroduction(block, fields);
}

// The rating and favourite counts from the page data; the value is what lies between the key
// and the next comma.
void ReadCounts(ConvertedLines& lines, std::size_t i, ItemFields& fields) {
    struct CountKey {
        std::string_view key;
        int field;
        bool dropsBrace;
    };
    static constexpr CountKey kKeys[] = {
        {"favorite_user_count", kFavourites, false},
        {"good_evaluation_count", kGoodRatings, true},
        {"normal_evaluation_count", kNormalRatings, true},
        {"bad_evaluation_count", kBadRatings, true},
    };
    for (const CountKey& key : kKeys) {
        const std::optional<std::string> stretch = KeyToComma(lines, i, key.key);
        if (!stretch) {
            continue;
        }
        std::string value = RemoveAllNoCase(*stretch, key.key);
        value = RemoveAllNoCase(value, "\"");
        value = RemoveAllNoCase(value, ":");
        if (key.dropsBrace) {
            value = RemoveAllNoCase(value, "}");
        }
        fields[key.field] = Trim(value);
    }
}

bool IsNextDataLine(std::string_view rawLine) {
    return StartsWith(TrimView(rawLine), "</div") && rawLine.find("id=\"__NEXT_DATA__\"") != std::string_view::npos;
}

} // namespace

bool ParseItemLines(std::span<const std::string_view> rawLines, std::string_view baseUrl,
                    const std::function<bool()>& stopRequested, ItemFields& fields) {
    // Every heading line joins the lines after it up to a script line, so a page of nothing but
    // headings would take time quadratic in its size. A listing page has one heading; past a few,
    // the page is not one, and the rest of its headings are passed over.
    constexpr int kMaxItemBlocks = 16;
    int itemBlocks = 0;
    ConvertedLines lines(rawLines);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (HoldsHeading(lines, i)) {
            if (itemBlocks++ < kMaxItemBlocks) {
                ParseItemBlock(BuildItemBlock(lines, i), baseUrl, stopRequested, fields);
            }
        } else if (IsNextDataLine(lines.Raw(i))) {
            ReadCounts(lines, i, fields);
            return true;
        }
        if (Stopped(stopRequested)) {
            return false;
        }
    }
    return true;
}

bool ParseItemLines(const std::vector<std::string>& rawLines, std::string_view baseUrl,
                    const std::function<bool()>& stopRequested, ItemFields& fields) {
    const std::vector<std::string_view> views(rawLines.begin(), rawLines.end());
    return ParseItemLines(views, baseUrl, stopRequested, fields);
}

namespace {

// The fields are written as read; only a page holding a character that becomes "?" is read a
// second time, with stand-ins, to tell those from question marks of the page's own.
int CountLostCharacters(const std::string& page, const ItemContext& context, const ItemFields& fields) {
    // A lost character becomes "?": fields without one lost nothing, whatever the rest of the page
    // holds, and most listings are told so without the page being read again.
    if (std::none_of(fields.begin(), fields.end(),
                     [](const std::string& field) { return field.find('?') != std::string::npos; })) {
        return 0;
    }
    StandIns standIns;
    standIns.Scan(page); // most pages lose nothing: no copy of them
    if (!standIns.AnyLost()) {
        return 0;
    }
    standIns = StandIns();
    const std::string replaced = standIns.Replace(page);
    std::vector<std::string_view> lines;
    SplitPageLines(replaced, lines);
    ItemFields marked;
    marked[kDetailUrl] = fields[kDetailUrl];
    ParseItemLines(lines, context.baseUrl, context.stopRequested, marked);
    int lost = 0;
    for (const std::string& field : marked) {
        lost += standIns.CountLost(field);
    }
    return lost;
}

} // namespace

constexpr std::size_t kKeptPageBytes = 1 << 20;

ItemFields ExtractItem(const ItemContext& context, const std::string& detailUrl) {
    ItemFields fields;
    fields[kDetailUrl] = detailUrl;
    // The page as written to the scratch file. A failed fetch leaves neither file nor bytes, so
    // the previous listing's page is never read as this one. The thread keeps the bytes' room
    // from one listing to the next: a page grown afresh was copied several times over as it came.
    thread_local std::string page;
    thread_local std::vector<std::string_view> lines;
    page.clear();
    const FetchResult result =
        FetchWithRetries(RetryPolicyOf(context), [&] { return FetchPage(detailUrl, context.scratchFile, page); });
    if (context.fetched) {
        context.fetched(result);
    }
    if (context.pause) {
        context.pause();
    }
    // "<h1" is ASCII, so a line holds it exactly when the page's bytes do.
    const bool withHeading = page.find("<h1") != std::string::npos;
    if (context.unrecognisedPages != nullptr && result.served() && !withHeading) {
        ++*context.unrecognisedPages;
    }
    if (context.standIns != nullptr) {
        *context.standIns = StandIns();
        page = context.standIns->Replace(page);
    }
    SplitPageLines(page, lines);
    const bool readToEnd = ParseItemLines(lines, context.baseUrl, context.stopRequested, fields);
    if (context.readWhole != nullptr) {
        *context.readWhole = result.served() && withHeading && readToEnd;
    }
    if (context.lostCharacters != nullptr && context.standIns == nullptr) {
        *context.lostCharacters += CountLostCharacters(page, context, fields);
    }
    if (page.capacity() > kKeptPageBytes) {
        // An outsized page's room, and that of its lines, is not kept for the rest of the run.
        std::string().swap(page);
        std::vector<std::string_view>().swap(lines);
    }
    if (!Stopped(context.stopRequested) && context.saveImages) {
        SaveItemImages(fields, context);
    }
    return fields;
}

} // namespace vorn
