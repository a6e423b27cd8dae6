#include "catalogue/catalogue_lists.h"

#include <cstdint>

#include "catalogue/statements.h"
#include "web/cp932.h"

namespace vorn {

std::vector<GenreNode> LoadGenreNodes(CatalogueDb& db) {
    std::vector<GenreNode> nodes;
    std::int64_t lastGenreId = -1;
    int currentGenre = -1;
    for (DbRows rows = db.OpenRows(sql::kSelectGenres); !rows.AtEnd(); rows.Next()) {
        const std::int64_t genreId = rows.Integer("CtgrID");
        GenreNode node;
        node.text = " " + rows.Text("CtgrName");
        node.code = rows.Text("CtgrCode");
        // A first row whose CtgrID happens to be -1 still has to start a genre: a sub-genre needs a parent.
        if (genreId != lastGenreId || currentGenre < 0) {
            lastGenreId = genreId;
            currentGenre = static_cast<int>(nodes.size());
        } else {
            node.level = 1;
            node.parent = currentGenre;
        }
        nodes.push_back(std::move(node));
    }
    return nodes;
}

std::vector<std::string> LoadAreaNames(CatalogueDb& db, int comboIndex) {
    std::vector<std::string> names;
    DbRows rows = comboIndex > 0 ? db.OpenRows(sql::kSelectCities, {std::int64_t{comboIndex}})
                                 : db.OpenRows(sql::kSelectPrefectures);
    for (; !rows.AtEnd(); rows.Next()) {
        names.push_back(rows.Text("Area"));
    }
    return names;
}

const std::vector<std::string>& PrefectureComboItems() {
    static const std::vector<std::string> items = [] {
        static const char* const kNamesUtf8[] = {
            "（全都道府県）", "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県",   "福島県",
            "茨城県",         "栃木県", "群馬県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県",
            "富山県",         "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県",   "愛知県",
            "三重県",         "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県",
            "島根県",         "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県",   "高知県",
            "福岡県",         "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県",
        };
        std::vector<std::string> converted;
        for (const char* name : kNamesUtf8) {
            converted.push_back(UTF8ToAnsi(name));
        }
        return converted;
    }();
    return items;
}

std::string LookUpAreaPath(CatalogueDb& db, int areaIndex, int comboIndex) {
    std::string areaPath;
    const std::int64_t itemNumber = std::int64_t{areaIndex} + 1;
    if (comboIndex > 0) {
        DbRows rows = db.OpenRows(sql::kSelectCityPath, {std::int64_t{comboIndex}, std::int64_t{areaIndex}});
        if (!rows.AtEnd()) {
            areaPath = rows.Text("AreaAlpha") + "," + rows.Text("CityCode");
        }
    } else {
        DbRows rows = db.OpenRows(sql::kSelectAreaAlpha, {itemNumber});
        if (!rows.AtEnd()) {
            areaPath = rows.Text("AreaAlpha");
        }
    }
    return areaPath;
}

std::string BuildCtgrIndexList(const std::vector<GenreNode>& nodes, const std::vector<bool>& checked) {
    const auto isChecked = [&checked](int index) {
        return index >= 0 && static_cast<std::size_t>(index) < checked.size() && checked[index];
    };
    std::string list;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (!isChecked(static_cast<int>(i))) {
            continue;
        }
        if (nodes[i].level == 1 && isChecked(nodes[i].parent)) {
            continue;
        }
        list += std::to_string(i);
        list += ',';
    }
    return list;
}

} // namespace vorn
