#include "watch/discord_limits.h"

#include <algorithm>
#include <numeric>

#include <unicode/utf8.h>

namespace vorn {

namespace {

constexpr std::string_view kEllipsis = "…";

std::size_t Utf16Units(std::string_view text) {
    std::size_t units = 0;
    const auto length = static_cast<int32_t>(text.size());
    for (int32_t at = 0; at < length;) {
        UChar32 c = 0;
        U8_NEXT(text.data(), at, length, c);
        units += c > 0xFFFF ? 2 : 1;
    }
    return units;
}

} // namespace

std::string CutForDiscord(std::string_view text, std::size_t units) {
    if (Utf16Units(text) <= units) {
        return std::string(text);
    }
    if (units == 0) {
        return {};
    }
    const std::size_t kept = units - 1; // room for the ellipsis
    std::size_t used = 0;
    const auto length = static_cast<int32_t>(text.size());
    int32_t at = 0;
    while (at < length) {
        int32_t next = at;
        UChar32 c = 0;
        U8_NEXT(text.data(), next, length, c);
        const std::size_t width = c > 0xFFFF ? 2 : 1;
        if (used + width > kept) {
            break;
        }
        used += width;
        at = next;
    }
    return std::string(text.substr(0, static_cast<std::size_t>(at))) + std::string(kEllipsis);
}

void FitDiscordEmbeds(std::vector<DiscordEmbedText>& embeds) {
    std::vector<std::size_t> lengths;
    for (DiscordEmbedText& embed : embeds) {
        embed.title = CutForDiscord(embed.title, kDiscordTitleChars);
        embed.description = CutForDiscord(embed.description, kDiscordTextChars);
        lengths.push_back(Utf16Units(embed.title) + Utf16Units(embed.description));
    }
    if (std::accumulate(lengths.begin(), lengths.end(), std::size_t{0}) <= kDiscordAllEmbedsChars) {
        return;
    }
    // The shortest first: each keeps its text when it fits its share, and leaves the rest to the
    // longer ones.
    std::vector<std::size_t> order(embeds.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return lengths[a] < lengths[b]; });
    std::size_t budget = kDiscordAllEmbedsChars;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const std::size_t share = budget / (order.size() - i);
        DiscordEmbedText& embed = embeds[order[i]];
        if (lengths[order[i]] > share) {
            const std::size_t title = Utf16Units(embed.title);
            const std::size_t description = Utf16Units(embed.description);
            const std::size_t titleShare = std::min(title, std::max(share / 2, share - std::min(share, description)));
            embed.title = CutForDiscord(embed.title, titleShare);
            embed.description = CutForDiscord(embed.description, share - Utf16Units(embed.title));
        }
        budget -= Utf16Units(embed.title) + Utf16Units(embed.description);
    }
}

} // namespace vorn
