#pragma once

#include <optional>
#include <string_view>

namespace vorn {

// The price field (CP932) as yen when it is a plain amount: digits, with or without thousands
// commas, followed by 円 ("0円" is 0). Anything else (応相談) has no number.
std::optional<long long> PriceNumber(std::string_view priceCp932);

} // namespace vorn
