#pragma once

#include <optional>
#include <string>
#include <vector>

#include "extract/item_fields.h"

namespace vorn {

// What a run's read of a listing says against the last read.
enum class ChangeKind { New, Reposted, Cheaper, Dearer, Closed };

struct ListingChange {
    ChangeKind kind;
    std::string before; // field 3's texts for a price change (CP932), else empty
    std::string after;
};

// The listing as an earlier run last read it.
struct StoredListing {
    std::string priceText;
    std::optional<long long> price;
    std::string reception;
};

// The changes of fields against before (none: never read). repostedFrom: a listing never read
// under this key whose poster and title match one read under another key.
std::vector<ListingChange> FindChanges(const ItemFields& fields, const std::optional<StoredListing>& before,
                                       bool reposted);

// The word of a kind: "新着", "再掲載", "値下げ", "値上げ", "受付終了" (CP932).
const std::string& ChangeWord(ChangeKind kind);
// A change column's text: "値下げ 12,000円→9,800円", several joined by "、" (CP932).
std::string ChangeText(const std::vector<ListingChange>& changes);
// The kind named by its word (CP932), if it is one.
std::optional<ChangeKind> ChangeKindOf(const std::string& wordCp932);

// How many of each a run found, and how many listings a filter left out.
struct ChangeCounts {
    int counts[5] = {};
    int excluded = 0;
    bool filtered = false; // a filter was in use: the line tells the excluded too

    int Of(ChangeKind kind) const { return counts[static_cast<int>(kind)]; }
    int Total() const;
    void Add(const std::vector<ListingChange>& changes);
};

// "新着 N件、再掲載 N件、値下げ N件、値上げ N件、受付終了 N件" (+ "、除外 N件") in CP932.
std::string CountsLine(const ChangeCounts& counts);

// The listing's key in the store and the history: its detail page URL after "https".
std::string ListingKeyOf(const ItemFields& fields);

} // namespace vorn
