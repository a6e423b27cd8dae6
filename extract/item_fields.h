#pragma once

#include <array>
#include <string>

namespace vorn {

// The 25 values of one listing in CSV column order (CP932).
inline constexpr int kItemFieldCount = 25;
using ItemFields = std::array<std::string, kItemFieldCount>;

enum ItemField : int {
    kPostId = 0,
    kTitle = 1,
    kDescription = 2,
    kPrice = 3,
    kReception = 4,
    kGenre = 5,
    kPlace = 6,
    kPosterName = 7,
    kPosterGender = 8,
    kPostCount = 9,
    kVerification = 10,
    kIntroduction = 11,
    kGoodRatings = 12,
    kNormalRatings = 13,
    kBadRatings = 14,
    kFavourites = 15,
    kUpdatedDate = 16,
    kCreatedDate = 17,
    kFirstImageUrl = 18, // 18..22
    kProfileUrl = 23,
    kDetailUrl = 24,
};
inline constexpr int kMaxImages = 5;

} // namespace vorn
