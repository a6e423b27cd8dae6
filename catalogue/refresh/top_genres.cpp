#include "catalogue/refresh/top_genres.h"

#include "web/cp932.h"

namespace vorn {

const std::vector<TopGenre>& TopGenres() {
    static const std::vector<TopGenre> genres = [] {
        struct Entry {
            const char* code;
            const char* nameUtf8;
        };
        static const Entry kEntries[] = {
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
        };
        std::vector<TopGenre> converted;
        for (const Entry& entry : kEntries) {
            converted.push_back({entry.code, UTF8ToAnsi(entry.nameUtf8)});
        }
        return converted;
    }();
    return genres;
}

} // namespace vorn
