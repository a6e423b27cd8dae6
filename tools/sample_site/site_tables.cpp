#include "tools/sample_site/site_tables.h"

#include <array>
#include <cstdio>
#include <stdexcept>

namespace vorn::site {

namespace {

constexpr std::array<Prefecture, kPrefectureCount> kPrefectures{{
    {"hokkaido", "北海道"}, {"aomori", "青森県"},      {"iwate", "岩手県"},     {"miyagi", "宮城県"},
    {"akita", "秋田県"},    {"yamagata", "山形県"},    {"fukushima", "福島県"}, {"ibaraki", "茨城県"},
    {"tochigi", "栃木県"},  {"gunma", "群馬県"},       {"saitama", "埼玉県"},   {"chiba", "千葉県"},
    {"tokyo", "東京都"},    {"kanagawa", "神奈川県"},  {"niigata", "新潟県"},   {"toyama", "富山県"},
    {"ishikawa", "石川県"}, {"fukui", "福井県"},       {"yamanashi", "山梨県"}, {"nagano", "長野県"},
    {"gifu", "岐阜県"},     {"shizuoka", "静岡県"},    {"aichi", "愛知県"},     {"mie", "三重県"},
    {"shiga", "滋賀県"},    {"kyoto", "京都府"},       {"osaka", "大阪府"},     {"hyogo", "兵庫県"},
    {"nara", "奈良県"},     {"wakayama", "和歌山県"},  {"tottori", "鳥取県"},   {"shimane", "島根県"},
    {"okayama", "岡山県"},  {"hiroshima", "広島県"},   {"yamaguchi", "山口県"}, {"tokushima", "徳島県"},
    {"kagawa", "香川県"},   {"ehime", "愛媛県"},       {"kochi", "高知県"},     {"fukuoka", "福岡県"},
    {"saga", "佐賀県"},     {"nagasaki", "長崎県"},    {"kumamoto", "熊本県"},  {"oita", "大分県"},
    {"miyazaki", "宮崎県"}, {"kagoshima", "鹿児島県"}, {"okinawa", "沖縄県"},
}};

constexpr std::array<Genre, kGenreCount> kGenres{{
    {"fur", "家具"},
    {"ele", "家電"},
    {"bic", "自転車"},
    {"auto", "車のパーツ"},
    {"bik", "バイク"},
    {"inc", "楽器"},
    {"tic", "チケット"},
    {"hom", "生活雑貨"},
    {"kid", "子供用品"},
    {"toy", "おもちゃ"},
    {"spo", "スポーツ"},
    {"pcp", "パソコン"},
    {"mob", "携帯電話/スマホ"},
    {"boo", "本/CD/DVD"},
    {"clo", "服/ファッション"},
    {"sab", "靴/バッグ"},
    {"cos", "コスメ/ヘルスケア"},
    {"food", "食品"},
    {"adl", "お酒"},
    {"oth", "その他"},
}};

constexpr std::array<std::array<std::string_view, 5>, kGenreCount> kSubGenreNames{{
    {"ソファ", "ベッド", "テーブル", "椅子", "収納家具"},
    {"冷蔵庫", "洗濯機", "電子レンジ", "テレビ", "エアコン"},
    {"ママチャリ", "ロードバイク", "クロスバイク", "子供用自転車", ""},
    {"タイヤ", "ホイール", "カーナビ", "チャイルドシート", ""},
    {"原付", "中型バイク", "大型バイク", "バイク用品", ""},
    {"ギター", "ピアノ/キーボード", "管楽器", "ドラム", ""},
    {"コンサート", "スポーツ観戦", "映画", "旅行券", ""},
    {"キッチン用品", "食器", "寝具", "掃除用品", "照明"},
    {"ベビーカー", "ベビーベッド", "子供服", "抱っこ紐", ""},
    {"ぬいぐるみ", "ブロック", "ゲーム", "模型", ""},
    {"ゴルフ", "釣り", "アウトドア", "トレーニング用品", ""},
    {"ノートパソコン", "デスクトップ", "モニター", "周辺機器", ""},
    {"スマホ本体", "タブレット", "ケース/カバー", "充電器", ""},
    {"本", "漫画", "CD", "DVD/ブルーレイ", ""},
    {"レディース", "メンズ", "アクセサリー", "腕時計", ""},
    {"スニーカー", "ブーツ", "ハンドバッグ", "リュック", ""},
    {"化粧品", "香水", "美容家電", "健康器具", ""},
    {"野菜", "果物", "米", "お菓子", ""},
    {"ビール", "日本酒", "ワイン", "焼酎", ""},
    {"園芸用品", "ペット用品", "手芸", "無料であげます", ""},
}};

// Distinct names for up to 16 places of one prefecture.
constexpr std::array<std::string_view, 16> kPlaceNames{
    "中央区", "北区", "南区", "東区", "西区", "緑区",   "青葉区", "港区",
    "桜台市", "本町", "旭町", "栄町", "泉区", "松原市", "若葉町", "白石村",
};

void CheckRange(int number, int last, const char* what) {
    if (number < 1 || number > last) {
        throw std::out_of_range(what);
    }
}

} // namespace

const Prefecture& PrefectureAt(int number) {
    CheckRange(number, kPrefectureCount, "prefecture number");
    return kPrefectures[number - 1];
}

const Genre& GenreAt(int number) {
    CheckRange(number, kGenreCount, "genre number");
    return kGenres[number - 1];
}

int PrefectureNumber(std::string_view alpha) {
    for (int i = 0; i < kPrefectureCount; ++i) {
        if (kPrefectures[i].alpha == alpha) {
            return i + 1;
        }
    }
    return 0;
}

int GenreNumber(std::string_view code) {
    for (int i = 0; i < kGenreCount; ++i) {
        if (kGenres[i].code == code) {
            return i + 1;
        }
    }
    return 0;
}

std::vector<City> CitiesOf(int prefecture) {
    CheckRange(prefecture, kPrefectureCount, "prefecture number");
    const int linkedCount = 3 + prefecture % 5;
    const bool greyAtEnd = prefecture % 2 == 0;
    const int total = linkedCount + 1 + (greyAtEnd ? 1 : 0);
    std::vector<City> cities;
    int linked = 0;
    for (int position = 0; position < total; ++position) {
        std::string name(kPlaceNames[(prefecture * 3 + position * 5) % kPlaceNames.size()]);
        const bool grey = position == 2 || (greyAtEnd && position == total - 1);
        if (grey) {
            cities.push_back({{}, std::move(name)});
            continue;
        }
        ++linked;
        char code[16];
        std::snprintf(code, sizeof code, "a-%02d%03d", prefecture, 100 + linked);
        cities.push_back({code, std::move(name)});
    }
    return cities;
}

std::vector<SubGenre> SubGenresOf(int genre) {
    CheckRange(genre, kGenreCount, "genre number");
    std::vector<SubGenre> subGenres;
    int position = 0;
    for (std::string_view name : kSubGenreNames[genre - 1]) {
        if (name.empty()) {
            break;
        }
        ++position;
        subGenres.push_back({"g-" + std::to_string(100 * genre + position), std::string(name)});
    }
    return subGenres;
}

} // namespace vorn::site

namespace vorn::site {

std::vector<City> ListedCitiesOf(int prefecture) {
    std::vector<City> cities = CitiesOf(prefecture);
    if (prefecture == 1) {
        cities.push_back({"a-01199", "ニセコ'ヴィレッジ"});
    }
    return cities;
}

std::vector<SubGenre> ListedSubGenresOf(int genre) {
    std::vector<SubGenre> subGenres = SubGenresOf(genre);
    if (genre == 1) {
        subGenres.push_back({"g-123", "Kid'sチェア"});
    }
    return subGenres;
}

} // namespace vorn::site
