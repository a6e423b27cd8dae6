#include "app/core/filter_settings.h"

#include <vector>

#include "watch/listing_filter.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn {

namespace {

// Eighteen digits always fit in a long long.
constexpr std::size_t kMostPriceDigits = 18;

std::string Quoted(std::string_view value) { return "\"" + std::string(value) + "\""; }

// The items (UTF-8) of a "," separated list in CP932; the refusal when one is empty (",," or a
// comma at an end) or blank.
std::string SplitItems(std::string_view text, std::vector<std::string>& items) {
    if (TrimView(text).empty()) {
        return {};
    }
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        const std::string_view item = TrimView(text.substr(start, comma - start));
        if (item.empty()) {
            return "an empty item (two commas together, or one at an end)";
        }
        std::string trimmed = TrimFilterText(AnsiToUtf8(item));
        if (trimmed.empty()) {
            return Quoted(item) + " is blank";
        }
        items.push_back(std::move(trimmed));
        if (comma == std::string_view::npos) {
            return {};
        }
        start = comma + 1;
    }
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) {
        text += (text.empty() ? "" : ",") + item;
    }
    return UTF8ToAnsi(text);
}

std::string PriceText(const std::optional<long long>& price) { return price ? std::to_string(*price) : ""; }

} // namespace

std::optional<long long> ParseYen(std::string_view text) {
    if (text.empty() || text.size() > kMostPriceDigits || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    long long yen = 0;
    for (const char digit : text) {
        yen = yen * 10 + (digit - '0');
    }
    return yen;
}

std::string PriceRangeRefusal(const FilterSettings& settings, std::string_view minName, std::string_view maxName) {
    if (!settings.minPrice || !settings.maxPrice || *settings.minPrice <= *settings.maxPrice) {
        return {};
    }
    return std::string(minName) + " " + std::to_string(*settings.minPrice) + " is above " + std::string(maxName) + " " +
           std::to_string(*settings.maxPrice);
}

FilterReading ReadFilterSettings(const ProfileFile& file, std::string_view section) {
    const std::string named = "[" + std::string(section) + "] ";
    FilterReading reading;
    FilterSettings& settings = reading.settings;
    for (const auto& [key, items] :
         {std::pair{"Exclude", &settings.excludeWords}, std::pair{"ExcludePosters", &settings.excludePosters}}) {
        if (const std::string refusal = SplitItems(file.ReadString(section, key), *items); !refusal.empty()) {
            reading.refusal = named + key + ": " + refusal;
            return reading;
        }
    }
    for (const auto& [key, price] :
         {std::pair{"MinPrice", &settings.minPrice}, std::pair{"MaxPrice", &settings.maxPrice}}) {
        const std::string text = Trim(file.ReadString(section, key));
        if (text.empty()) {
            continue;
        }
        *price = ParseYen(text);
        if (!*price) {
            reading.refusal = named + key + " takes a whole number of yen, digits only, not " + Quoted(text);
            return reading;
        }
    }
    if (const std::string openOnly = Trim(file.ReadString(section, "OpenOnly")); !openOnly.empty()) {
        const std::optional<int> value = ParseProfileInteger(openOnly);
        if (!value || (*value != 0 && *value != 1)) {
            reading.refusal = named + "OpenOnly takes 0 or 1, not " + Quoted(openOnly);
            return reading;
        }
        settings.openOnly = *value == 1;
    }
    reading.refusal = PriceRangeRefusal(settings, named + "MinPrice", named + "MaxPrice");
    return reading;
}

bool WriteFilterSettings(ProfileFile& file, const FilterSettings& settings, std::string_view section) {
    return file.WriteString(section, "Exclude", Joined(settings.excludeWords)) &&
           file.WriteString(section, "MinPrice", PriceText(settings.minPrice)) &&
           file.WriteString(section, "MaxPrice", PriceText(settings.maxPrice)) &&
           file.WriteString(section, "OpenOnly", settings.openOnly ? "1" : "0") &&
           file.WriteString(section, "ExcludePosters", Joined(settings.excludePosters));
}

FilterReading CombineFilters(const FilterSettings& file, const FilterSettings& options) {
    FilterReading combined{file, {}};
    FilterSettings& settings = combined.settings;
    settings.excludeWords.insert(settings.excludeWords.end(), options.excludeWords.begin(), options.excludeWords.end());
    settings.excludePosters.insert(settings.excludePosters.end(), options.excludePosters.begin(),
                                   options.excludePosters.end());
    settings.openOnly = file.openOnly || options.openOnly;
    if (options.minPrice) {
        settings.minPrice = options.minPrice;
    }
    if (options.maxPrice) {
        settings.maxPrice = options.maxPrice;
    }
    combined.refusal = PriceRangeRefusal(settings, options.minPrice ? "--min-price" : "[Filter] MinPrice",
                                         options.maxPrice ? "--max-price" : "[Filter] MaxPrice");
    return combined;
}

} // namespace vorn
