#include "watch/listing_changes.h"

#include <array>

#include "watch/price.h"
#include "web/cp932.h"

namespace vorn {

namespace {

const std::string& Closed() {
    static const std::string closed = UTF8ToAnsi("受付終了");
    return closed;
}

} // namespace

const std::string& ChangeWord(ChangeKind kind) {
    static const std::array<std::string, 5> words = {UTF8ToAnsi("新着"), UTF8ToAnsi("再掲載"), UTF8ToAnsi("値下げ"),
                                                     UTF8ToAnsi("値上げ"), Closed()};
    return words[static_cast<std::size_t>(kind)];
}

std::optional<ChangeKind> ChangeKindOf(const std::string& wordCp932) {
    for (const ChangeKind kind :
         {ChangeKind::New, ChangeKind::Reposted, ChangeKind::Cheaper, ChangeKind::Dearer, ChangeKind::Closed}) {
        if (ChangeWord(kind) == wordCp932) {
            return kind;
        }
    }
    return std::nullopt;
}

std::vector<ListingChange> FindChanges(const ItemFields& fields, const std::optional<StoredListing>& before,
                                       bool reposted) {
    if (!before) {
        return {ListingChange{reposted ? ChangeKind::Reposted : ChangeKind::New, {}, {}}};
    }
    std::vector<ListingChange> changes;
    const std::optional<long long> price = PriceNumber(fields[kPrice]);
    if (price && before->price && *price != *before->price) {
        changes.push_back(
            {*price < *before->price ? ChangeKind::Cheaper : ChangeKind::Dearer, before->priceText, fields[kPrice]});
    }
    if (fields[kReception] == Closed() && before->reception != Closed()) {
        changes.push_back({ChangeKind::Closed, before->reception, fields[kReception]});
    }
    return changes;
}

std::string ChangeText(const std::vector<ListingChange>& changes) {
    static const std::string comma = UTF8ToAnsi("、");
    static const std::string arrow = UTF8ToAnsi("→");
    std::string text;
    for (const ListingChange& change : changes) {
        if (!text.empty()) {
            text += comma;
        }
        text += ChangeWord(change.kind);
        if (change.kind == ChangeKind::Cheaper || change.kind == ChangeKind::Dearer) {
            text += ' ' + change.before + arrow + change.after;
        }
    }
    return text;
}

int ChangeCounts::Total() const {
    int total = 0;
    for (const int count : counts) {
        total += count;
    }
    return total;
}

void ChangeCounts::Add(const std::vector<ListingChange>& changes) {
    for (const ListingChange& change : changes) {
        ++counts[static_cast<int>(change.kind)];
    }
}

std::string CountsLine(const ChangeCounts& counts) {
    static const std::string items = UTF8ToAnsi("件");
    static const std::string comma = UTF8ToAnsi("、");
    std::string line;
    for (int kind = 0; kind < 5; ++kind) {
        line += (kind == 0 ? "" : comma) + ChangeWord(static_cast<ChangeKind>(kind)) + ' ' +
                std::to_string(counts.counts[kind]) + items;
    }
    if (counts.filtered) {
        line += comma + UTF8ToAnsi("除外 ") + std::to_string(counts.excluded) + items;
    }
    return line;
}

std::string ListingKeyOf(const ItemFields& fields) {
    const std::string& url = fields[kDetailUrl];
    return url.starts_with("https") ? url.substr(5) : url;
}

} // namespace vorn
