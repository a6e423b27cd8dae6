#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/core/saved_conditions.h"
#include "catalogue/catalogue_db.h"

namespace vorn::cli {

// A crawl's conditions named on the command line, as the terminal gives them (UTF-8).
struct NamedConditions {
    std::vector<std::string> prefectures;
    std::vector<std::string> cities; // of the one prefecture named
    std::vector<std::string> genres; // a genre (家具) or genre/sub-genre (家具/ソファ)
    bool allAreas = false;
    bool allGenres = false;
    std::optional<std::string> keyword;
    std::optional<std::string> imageFolder;

    // True when any condition is named: the saved ones are then not used at all.
    bool Any() const;
};

// What the window would save for the same boxes ticked: the combo, the list's and the tree's
// marks (a genre's box ticks its sub-genres, and all of a genre's sub-genres tick the genre), the
// keyword and the image folder. Names are matched exactly in the program's code page.
struct NamedChoice {
    SavedConditions saved;
    std::string refusal; // UTF-8, naming what was not found and the closest names; empty when none
};
NamedChoice ChoiceFromNames(const NamedConditions& named, CatalogueDb& db);

// Up to three of candidates (UTF-8) nearest to name, nearest first.
std::vector<std::string> ClosestNames(const std::string& name, const std::vector<std::string>& candidates);

// No saved search of that name (UTF-8): the closest saved names, or that none is saved.
std::string UnknownSavedSearch(const std::string& name, const ProfileFile& settings);

} // namespace vorn::cli
