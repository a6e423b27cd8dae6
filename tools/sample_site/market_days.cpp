#include "tools/sample_site/market_days.h"

#include <algorithm>
#include <optional>

namespace vorn::site {

namespace {

// A number from the seed, the day and a listing, the same on every start.
std::uint32_t Mix(std::uint32_t seed, int day, int number) {
    std::uint32_t value = seed * 2654435761u ^ static_cast<std::uint32_t>(day) * 40503u ^
                          static_cast<std::uint32_t>(number) * 2246822519u;
    value ^= value >> 15;
    value *= 2246822519u;
    value ^= value >> 13;
    value *= 3266489917u;
    return value ^ (value >> 16);
}

std::optional<int> Yen(const std::string& price) {
    std::string digits;
    for (const char c : price) {
        if (c >= '0' && c <= '9') {
            digits += c;
        } else if (c != ',') {
            return std::nullopt;
        }
    }
    return digits.empty() || digits.size() > 9 ? std::nullopt : std::optional<int>(std::stoi(digits));
}

int RoundedToHundreds(double yen) { return std::max(100, static_cast<int>(yen / 100 + 0.5) * 100); }

} // namespace

MarketDays::MarketDays(std::uint32_t seed, int listingCount, int day)
    : seed_(seed), listingCount_(listingCount), lastNumber_(listingCount) {
    // Per hundred listings a day: 10 cheaper, 5 dearer, 5 closed, 5 posted again, 3 gone; and
    // one new listing per 20, so that a search of twenty shows some of each in a few days.
    for (int today = 2; today <= day && listingCount_ > 0; ++today) {
        for (int number = 1; number <= listingCount_; ++number) {
            if (states_.contains(number)) {
                continue;
            }
            const Listing listing = MakeListing(seed_, number);
            const std::string price = prices_.contains(number) ? prices_[number] : listing.price;
            const bool closed = closed_.contains(number) ? closed_[number] : (listing.traits & kEnquiriesClosed) != 0;
            const std::optional<int> yen = Yen(price);
            const std::uint32_t roll = Mix(seed_, today, number) % 100;
            if (roll < 10 && yen && *yen > 0 && !closed) {
                prices_[number] = WithThousands(RoundedToHundreds(*yen * 0.8));
            } else if (roll < 15 && yen && *yen > 0 && !closed) {
                prices_[number] = WithThousands(RoundedToHundreds(*yen * 1.15));
            } else if (roll < 20 && !closed) {
                closed_[number] = true;
            } else if (roll < 25 && !closed && (listing.traits & kNoPoster) == 0) {
                // Posted again under a number whose page shows its poster, so the two can be matched.
                int again = ++lastNumber_;
                while ((MakeListing(seed_, again).traits & (kNoPoster | kEnquiriesClosed)) != 0) {
                    again = ++lastNumber_;
                }
                states_[number] = State::Reposted;
                repostedAs_[number] = again;
                reposts_[again] = number;
                if (prices_.contains(number)) {
                    prices_[again] = prices_[number];
                }
            } else if (roll < 28) {
                states_[number] = State::Gone;
            }
        }
        for (int added = 0; added < std::max(1, listingCount_ / 20); ++added) {
            const int at =
                1 + static_cast<int>(Mix(seed_, today, -1 - added) % static_cast<std::uint32_t>(listingCount_));
            newAt_.emplace(at, ++lastNumber_);
        }
    }
}

std::vector<int> MarketDays::Shown(const std::vector<int>& firstDay) const {
    std::vector<int> shown;
    for (const int number : firstDay) {
        const auto [first, last] = newAt_.equal_range(number);
        for (auto added = first; added != last; ++added) {
            shown.push_back(added->second);
        }
        const auto state = states_.find(number);
        if (state == states_.end()) {
            shown.push_back(number);
        } else if (state->second == State::Reposted) {
            shown.push_back(repostedAs_.at(number));
        }
    }
    return shown;
}

} // namespace vorn::site
