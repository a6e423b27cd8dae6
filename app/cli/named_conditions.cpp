#include "app/cli/named_conditions.h"

#include <algorithm>
#include <cstddef>
#include <tuple>

#include <unicode/utf8.h>

#include "app/core/run_options.h"
#include "catalogue/catalogue_lists.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn::cli {

namespace {

// Characters, not bytes, so that one kanji is one edit.
std::u32string CodePoints(const std::string& utf8) {
    std::u32string points;
    const auto length = static_cast<int32_t>(utf8.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c = 0;
        U8_NEXT(utf8.data(), i, length, c);
        points.push_back(static_cast<char32_t>(c < 0 ? 0xFFFD : c));
    }
    return points;
}

std::size_t EditDistance(const std::u32string& a, const std::u32string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        row[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined;
}

std::string NotFound(const char* what, const std::string& name, const std::vector<std::string>& candidatesCp932) {
    std::vector<std::string> candidates;
    for (const std::string& candidate : candidatesCp932) {
        candidates.push_back(AnsiToUtf8(candidate));
    }
    std::string text = std::string("no ") + what + " named \"" + name + "\"";
    const std::vector<std::string> closest = ClosestNames(name, candidates);
    return closest.empty() ? text : text + "; the closest: " + Joined(closest);
}

// Marks the named items of names (CP932) in marks; the refusal for the first name not there.
std::string MarkNamed(const std::vector<std::string>& wanted, const std::vector<std::string>& names, const char* what,
                      std::string& marks) {
    marks.assign(names.size(), '0');
    for (const std::string& name : wanted) {
        const auto found = std::find(names.begin(), names.end(), UTF8ToAnsi(name));
        if (found == names.end()) {
            return NotFound(what, name, names);
        }
        marks[static_cast<std::size_t>(found - names.begin())] = '1';
    }
    return {};
}

std::string Areas(const NamedConditions& named, CatalogueDb& db, SavedConditions& saved) {
    const std::vector<std::string>& combo = PrefectureComboItems();
    const std::vector<std::string> prefectures(combo.begin() + 1, combo.end());
    if (named.allAreas) {
        if (!named.prefectures.empty() || !named.cities.empty()) {
            return "--all-areas names every prefecture: give no --prefecture or --city with it";
        }
        saved.arealist.assign(prefectures.size(), '1');
        return {};
    }
    if (named.cities.empty()) {
        return MarkNamed(named.prefectures, prefectures, "prefecture", saved.arealist);
    }
    if (named.prefectures.size() != 1) {
        return "--city takes exactly one --prefecture, the one whose cities are named";
    }
    std::string prefectureMark;
    if (std::string refusal = MarkNamed(named.prefectures, prefectures, "prefecture", prefectureMark);
        !refusal.empty()) {
        return refusal;
    }
    saved.areasel = static_cast<int>(prefectureMark.find('1')) + 1;
    return MarkNamed(named.cities, LoadAreaNames(db, saved.areasel), "city", saved.arealist);
}

// "家具" ticks the genre and its sub-genres, "家具/ソファ" the one sub-genre; a genre all of whose
// sub-genres are ticked is ticked too, as the window's tree does it.
std::string Genres(const NamedConditions& named, CatalogueDb& db, SavedConditions& saved) {
    const std::vector<GenreNode> nodes = LoadGenreNodes(db);
    if (named.allGenres) {
        if (!named.genres.empty()) {
            return "--all-genres names every genre: give no --genre with it";
        }
        saved.ctgrlist.assign(nodes.size(), '1');
        return {};
    }
    std::vector<std::string> paths; // "家具", "家具/ソファ" (CP932), one per node
    for (const GenreNode& node : nodes) {
        const std::string name = Trim(node.text);
        paths.push_back(node.level == 0 ? name : paths[static_cast<std::size_t>(node.parent)] + "/" + name);
    }
    if (std::string refusal = MarkNamed(named.genres, paths, "genre", saved.ctgrlist); !refusal.empty()) {
        return refusal;
    }
    std::string& marks = saved.ctgrlist;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].level == 1 && marks[static_cast<std::size_t>(nodes[i].parent)] == '1') {
            marks[i] = '1';
        }
    }
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].level != 0) {
            continue;
        }
        bool hasChild = false;
        bool allChildren = true;
        for (std::size_t k = i + 1; k < nodes.size() && nodes[k].level == 1; ++k) {
            hasChild = true;
            allChildren = allChildren && marks[k] == '1';
        }
        if (hasChild && allChildren) {
            marks[i] = '1';
        }
    }
    return {};
}

} // namespace

bool NamedConditions::Any() const {
    return !prefectures.empty() || !cities.empty() || !genres.empty() || allAreas || allGenres || keyword ||
           imageFolder;
}

NamedChoice ChoiceFromNames(const NamedConditions& named, CatalogueDb& db) {
    NamedChoice choice;
    choice.refusal = Areas(named, db, choice.saved);
    if (choice.refusal.empty()) {
        choice.refusal = Genres(named, db, choice.saved);
    }
    choice.saved.word = UTF8ToAnsi(named.keyword.value_or(""));
    choice.saved.checkImage = named.imageFolder.has_value();
    choice.saved.imageDir = UTF8ToAnsi(named.imageFolder.value_or(""));
    return choice;
}

std::vector<std::string> ClosestNames(const std::string& name, const std::vector<std::string>& candidates) {
    const std::u32string wanted = CodePoints(name);
    // Names holding what was typed, or held in it, come first: 東京 is most likely 東京都.
    std::vector<std::tuple<bool, std::size_t, std::size_t>> ranked; // apart, distance, index
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const bool apart =
            candidates[i].find(name) == std::string::npos && name.find(candidates[i]) == std::string::npos;
        ranked.emplace_back(apart, EditDistance(wanted, CodePoints(candidates[i])), i);
    }
    std::stable_sort(ranked.begin(), ranked.end());
    std::vector<std::string> closest;
    for (std::size_t i = 0; i < ranked.size() && i < 3; ++i) {
        closest.push_back(candidates[std::get<2>(ranked[i])]);
    }
    return closest;
}

std::string UnknownSavedSearch(const std::string& name, const ProfileFile& settings) {
    std::vector<std::string> names;
    for (const std::string& saved : SavedSearchNames(settings)) {
        names.push_back(AnsiToUtf8(saved));
    }
    const std::string text = "no saved search named " + name;
    if (names.empty()) {
        return text + "; none is saved (the window saves them in its options)";
    }
    return text + "; the closest: " + Joined(ClosestNames(name, names));
}

} // namespace vorn::cli
