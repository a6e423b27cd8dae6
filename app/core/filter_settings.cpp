#include "app/core/filter_settings.h"

#include <charconv>
#include <optional>
#include <vector>

#include "web/text.h"

namespace vorn {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t comma = std::min(text.find(',', start), text.size()); // never a trail byte
        const std::string item = Trim(text.substr(start, comma - start));
        if (!item.empty()) {
            items.push_back(item);
        }
        start = comma + 1;
    }
    return items;
}

std::string JoinList(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) {
        joined += (joined.empty() ? "" : ",") + item;
    }
    return joined;
}

// Empty is no bound; otherwise whole yen, not negative.
bool ReadPrice(const ProfileFile& file, std::string_view section, const char* key, std::optional<long long>& price,
               std::string& refusal) {
    const std::string text = Trim(file.ReadString(section, key));
    if (text.empty()) {
        return true;
    }
    long long number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < 0) {
        refusal = std::string("[") + std::string(section) + "] " + key + " takes a whole number of yen, not " + text;
        return false;
    }
    price = number;
    return true;
}

} // namespace

FilterRead ReadFilterSettings(const ProfileFile& file, std::string_view section) {
    FilterRead read;
    FilterSettings& filter = read.settings;
    filter.excludeWords = SplitList(file.ReadString(section, "Exclude"));
    filter.excludePosters = SplitList(file.ReadString(section, "ExcludePosters"));
    filter.openOnly = file.ReadInteger(section, "OpenOnly", 0) != 0;
    if (ReadPrice(file, section, "MinPrice", filter.minPrice, read.refusal) &&
        ReadPrice(file, section, "MaxPrice", filter.maxPrice, read.refusal) && filter.minPrice && filter.maxPrice &&
        *filter.minPrice > *filter.maxPrice) {
        read.refusal = std::string("[") + std::string(section) + "] MinPrice is above MaxPrice";
    }
    return read;
}

bool WriteFilterSettings(ProfileFile& file, const FilterSettings& filter, std::string_view section) {
    const auto price = [](const std::optional<long long>& yen) { return yen ? std::to_string(*yen) : std::string(); };
    return file.WriteString(section, "Exclude", JoinList(filter.excludeWords)) &&
           file.WriteString(section, "MinPrice", price(filter.minPrice)) &&
           file.WriteString(section, "MaxPrice", price(filter.maxPrice)) &&
           file.WriteString(section, "OpenOnly", filter.openOnly ? "1" : "0") &&
           file.WriteString(section, "ExcludePosters", JoinList(filter.excludePosters));
}

} // namespace vorn
