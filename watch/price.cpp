#include "watch/price.h"

#include <string>

#include "web/cp932.h"

namespace vorn {

namespace {

bool AllDigits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// 1234 or 1,234: commas only as thousands separators, a first group of one to three digits.
bool IsAmount(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos) {
        return AllDigits(text);
    }
    if (comma == 0 || comma > 3 || !AllDigits(text.substr(0, comma))) {
        return false;
    }
    for (std::size_t at = comma; at < text.size(); at += 4) {
        if (text[at] != ',' || !AllDigits(text.substr(at + 1, 3)) || text.size() < at + 4) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<long long> PriceNumber(std::string_view priceCp932) {
    static const std::string yen = UTF8ToAnsi("円");
    if (!priceCp932.ends_with(yen)) {
        return std::nullopt;
    }
    const std::string_view amount = priceCp932.substr(0, priceCp932.size() - yen.size());
    // Eighteen digits always fit: no real price comes near.
    if (!IsAmount(amount) || amount.size() > 24) {
        return std::nullopt;
    }
    long long value = 0;
    int digits = 0;
    for (const char c : amount) {
        if (c != ',') {
            if (++digits > 18) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

} // namespace vorn
