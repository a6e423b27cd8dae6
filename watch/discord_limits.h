#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Discord refuses a whole message when one text is longer than it takes: a title 256 characters,
// a description 4,096, the content 2,000, and all the embeds' texts together 6,000. Characters
// are counted as UTF-16 units, so that an emoji counts as much as Discord may count it.
inline constexpr std::size_t kDiscordTitleChars = 256;
inline constexpr std::size_t kDiscordTextChars = 2000;
inline constexpr std::size_t kDiscordAllEmbedsChars = 6000;

// text (UTF-8) cut at its end to at most units UTF-16 units, a cut text ending in "…".
std::string CutForDiscord(std::string_view text, std::size_t units);

struct DiscordEmbedText {
    std::string title;
    std::string description;
};

// Cuts each embed's title and description at their ends until every one keeps within its limit
// and all of them within the 6,000: each embed keeps all of its text or an equal share of what
// the shorter ones leave, and within a share a title and a description long both keep half.
void FitDiscordEmbeds(std::vector<DiscordEmbedText>& embeds);

} // namespace vorn
