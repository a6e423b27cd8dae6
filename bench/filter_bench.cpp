#include <string>

#include <benchmark/benchmark.h>

#include "watch/listing_filter.h"
#include "web/cp932.h"

namespace {

using vorn::ItemFields;

// A listing as the item page gives it: a description of about range(0) bytes of CP932, with
// half-width katakana and full-width digits in it when range(1) is 1, which NFKC folding must
// rewrite rather than pass over.
ItemFields RealisticListing(std::size_t descriptionBytes, bool needsFolding) {
    ItemFields fields;
    fields[vorn::kTitle] = vorn::UTF8ToAnsi("北欧風ソファー　3人掛け　美品");
    const std::string sentence =
        vorn::UTF8ToAnsi(needsFolding ? "ｷﾚｲなソファーです。引き取りに来られる方にお譲りします。サイズ：幅１８０ｃｍ。"
                                      : "きれいなソファーです。引き取りに来られる方にお譲りします。サイズ：幅180cm。");
    while (fields[vorn::kDescription].size() < descriptionBytes) {
        fields[vorn::kDescription] += sentence;
    }
    fields[vorn::kPrice] = vorn::UTF8ToAnsi("5,000円");
    fields[vorn::kReception] = vorn::UTF8ToAnsi("受付中");
    fields[vorn::kPosterName] = vorn::UTF8ToAnsi("山田太郎");
    fields[vorn::kProfileUrl] = "https://www.vorn.example/profiles/u42";
    return fields;
}

// Three words and a price range, none of which leaves the listing out: every word is looked for.
void BM_ExcludesPerListing(benchmark::State& state) {
    vorn::FilterSettings settings;
    settings.excludeWords = {"ジャンク", "ＪＵＮＫ", "訳あり"};
    settings.minPrice = 1000;
    settings.maxPrice = 30000;
    const vorn::ListingFilter filter(settings);
    const ItemFields fields = RealisticListing(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    const vorn::ListingText text{vorn::AnsiToUtf8(fields[vorn::kTitle]), vorn::AnsiToUtf8(fields[vorn::kDescription]),
                                 vorn::AnsiToUtf8(fields[vorn::kPosterName])};
    for (auto _ : state) {
        benchmark::DoNotOptimize(filter.Excludes(fields, text));
    }
    state.SetLabel(std::to_string(fields[vorn::kDescription].size()) + " bytes of description");
}
BENCHMARK(BM_ExcludesPerListing)->ArgsProduct({{1024, 3072}, {0, 1}})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
