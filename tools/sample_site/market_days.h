#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tools/sample_site/site_listing.h"

namespace vorn::site {

// The market on a day after the first: from the same seed, each day some listings get cheaper,
// some dearer, some close, some are posted again under a new number (the same poster and title),
// some go, and some new ones come. Day N is days 2..N applied in turn, so a given day always looks
// the same, and listings keep their numbers (their addresses) from day to day.
class MarketDays {
public:
    // listingCount: the listings of day 1. Day 1 changes nothing.
    MarketDays(std::uint32_t seed, int listingCount, int day);

    // The listings a search shows on the day, from those it showed on day 1: a listing gone is
    // left out, a listing posted again shows as its new number, new listings come before the
    // listing they were placed at.
    std::vector<int> Shown(const std::vector<int>& firstDay) const;
    // The highest listing number with a page on the day.
    int lastNumber() const { return lastNumber_; }

    // The changes to put over the generated listings, by number.
    const std::map<int, std::string>& prices() const { return prices_; } // "9,800"
    const std::map<int, bool>& closed() const { return closed_; }
    // A listing posted again: its new number and the number it was posted under before.
    const std::map<int, int>& reposts() const { return reposts_; }

private:
    enum class State { Shown, Gone, Reposted };

    std::uint32_t seed_;
    int listingCount_;
    int lastNumber_;
    std::map<int, std::string> prices_;
    std::map<int, bool> closed_;
    std::map<int, int> reposts_;
    std::map<int, State> states_;     // of the listings of day 1 that changed state
    std::map<int, int> repostedAs_;   // day 1 number -> its number now
    std::multimap<int, int> newAt_;   // day 1 number -> a new listing shown before it
};

} // namespace vorn::site
