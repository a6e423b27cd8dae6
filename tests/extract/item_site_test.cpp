#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "extract/item_images.h"
#include "extract/item_page.h"
#include "tests/support/test_program_dir.h"
#include "tools/sample_site/sample_site.h"
#include "tools/sample_site/site_content.h"
#include "tools/sample_site/site_tables.h"
#include "web/cp932.h"
#include "web/fetch_page.h"

namespace vorn {
namespace {

std::string Sjis(std::string_view utf8) { return UTF8ToAnsi(utf8); }

std::string Joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : std::string(separator)) + part;
    }
    return joined;
}

// What a listing's page shows, field by field, as the site generated it.
ItemFields ExpectedFields(const site::Listing& listing, const std::string& baseUrl, const std::string& url) {
    const bool poster = !(listing.traits & site::kNoPoster);
    const bool pageData = !(listing.traits & site::kNoPageData);
    ItemFields f;
    f[kPostId] = Sjis(listing.postId);
    f[kTitle] = Sjis(listing.title);
    f[kDescription] = Sjis(Joined(listing.descriptionLines, ""));
    f[kPrice] = Sjis(listing.price + "円");
    if (poster) {
        f[kReception] = Sjis((listing.traits & site::kEnquiriesClosed) ? "受付終了" : "申し込み可");
    }
    f[kGenre] = Sjis(std::string(site::GenreAt(listing.genre).name) + " &gt; " + listing.subGenreName);
    f[kPlace] =
        Sjis(std::string(site::PrefectureAt(listing.prefecture).name) + "、" + listing.cityName + "、" + listing.spot);
    if (poster) {
        const char* genders[] = {"性別未公開", "男性", "女性"};
        f[kPosterName] = Sjis(listing.posterName);
        f[kPosterGender] = Sjis(genders[static_cast<int>(listing.gender)]);
        f[kPostCount] = std::to_string(listing.postCount);
        f[kVerification] = Sjis(Joined(listing.verifications, "、"));
        f[kIntroduction] = Sjis(listing.introduction);
        f[kProfileUrl] = baseUrl.substr(0, baseUrl.size() - 1) + "/profiles/" + std::to_string(listing.profileId);
        if (pageData) {
            f[kGoodRatings] = std::to_string(listing.goodRatings);
            f[kNormalRatings] = std::to_string(listing.normalRatings);
            f[kBadRatings] = std::to_string(listing.badRatings);
        }
    }
    if (pageData) {
        f[kFavourites] = std::to_string(listing.favourites);
    }
    f[kUpdatedDate] = Sjis(listing.updated);
    f[kCreatedDate] = Sjis(listing.created);
    for (int k = 0; k < std::min(listing.imageCount, kMaxImages); ++k) {
        f[kFirstImageUrl + k] = baseUrl + "articles/images/" + std::to_string(listing.articleId) + "/thumb_" +
                                std::to_string(k + 1) + ".jpg";
    }
    f[kDetailUrl] = url;
    return f;
}

std::string FirstBytes(const std::filesystem::path& file, std::size_t count) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(count, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(count));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

class ExtractItemOnSite : public ::testing::Test {
protected:
    void SetUp() override {
        FetchSettings settings = CurrentFetchSettings();
        settings.extraCaFile = site::SampleSite::CaFile().string();
        SetFetchSettings(settings);
        content_ = site::ServeContent(site_, {.seed = 1, .listingCount = 12, .realisticSize = true});
        std::filesystem::create_directory(imageDir());
        context_.scratchFile = programDir_.scratchFile();
        context_.baseUrl = site_.baseUrl();
        context_.saveImages = true;
        context_.imageDir = imageDir();
        context_.pause = [this] { ++pauses_; };
    }
    void TearDown() override { SetFetchSettings(FetchSettings{}); }

    std::filesystem::path imageDir() const { return photos_.path() / "photos"; }

    site::SampleSite site_;
    std::shared_ptr<site::SiteContent> content_;
    test::TestProgramDir programDir_{false};
    test::TempDir photos_;
    ItemContext context_;
    int pauses_ = 0;
};

// Twelve listings show every kind of page the site makes: entities, many or no photographs,
// handover place, no page data, closed enquiries, an odd post ID, a long address, no poster.
TEST_F(ExtractItemOnSite, EveryKindOfListingPage) {
    for (int number = 1; number <= 12; ++number) {
        const site::Listing listing = content_->ListingAt(number);
        const std::string url = content_->ListingUrl(number);
        pauses_ = 0;
        site_.ClearRequests();

        const ItemFields fields = ExtractItem(context_, url);

        const ItemFields expected = ExpectedFields(listing, site_.baseUrl(), url);
        for (int i = 0; i < kItemFieldCount; ++i) {
            EXPECT_EQ(fields[i], expected[i]) << "listing " << number << ", field " << i;
        }
        const int images = std::min(listing.imageCount, kMaxImages);
        EXPECT_EQ(pauses_, 1 + images) << "listing " << number;
        EXPECT_EQ(site_.Requests().size(), 1u + images) << "listing " << number;
        for (int k = 0; k < images; ++k) {
            const std::filesystem::path file = ImageFileName(imageDir(), fields[kPostId], k);
            EXPECT_EQ(FirstBytes(file, 2), "\xFF\xD8") << "listing " << number << ", " << file;
        }
    }
    // The odd post ID ("../.../x 1") wrote its photographs inside the folder too.
    std::vector<std::filesystem::path> outside;
    for (const auto& entry : std::filesystem::directory_iterator(photos_.path())) {
        if (entry.path() != imageDir()) {
            outside.push_back(entry.path());
        }
    }
    EXPECT_TRUE(outside.empty());
}

TEST_F(ExtractItemOnSite, StopAfterTheFirstLineSavesNoPhotographs) {
    context_.stopRequested = [] { return true; };
    const std::string url = content_->ListingUrl(2); // eight photographs
    const ItemFields fields = ExtractItem(context_, url);
    EXPECT_EQ(fields[kDetailUrl], url);
    EXPECT_EQ(site_.Requests().size(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(imageDir()));
}

} // namespace
} // namespace vorn
