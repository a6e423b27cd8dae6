#include "crawl/crawl_worker.h"

#include <algorithm>
#include <climits>
#include <exception>
#include <system_error>
#include <thread>
#include <utility>

#include "crawl/results_page.h"
#include "crawl/search_plan.h"
#include "extract/item_images.h"
#include "extract/item_page.h"
#include "web/fetch_page.h"
#include "web/fetch_retry.h"
#include "web/fetch_session.h"
#include "web/shown_text.h"
#include "web/text.h"

namespace vorn {

std::filesystem::path ScratchFile(const std::filesystem::path& programDir) { return programDir / "db" / "tmp.dat"; }

CrawlWorker::CrawlWorker(CrawlFrontEnd& frontEnd, CrawlConfig config, Synchronizer synchronize)
    : frontEnd_(frontEnd), config_(std::move(config)), synchronize_(std::move(synchronize)) {}

void CrawlWorker::Synchronize(const std::function<void()>& call) {
    if (synchronize_) {
        synchronize_(call);
    } else {
        call();
    }
}

void CrawlWorker::RecordFetch(const FetchResult& result) {
    if (result.outcome == FetchResult::Outcome::File) {
        state_.writeFailed = true;
        RequestStop();
    } else if (result.siteUnreachable()) {
        state_.siteFailed = true;
    }
}

void CrawlWorker::RecordAnswer(const FetchResult& result, SiteRefusals::Page page) {
    if (refusals_.Record(result, page)) {
        RequestStop();
    }
}

bool CrawlWorker::FetchPage(const std::string& url, std::string& page) {
    const std::filesystem::path scratchFile = ScratchFile(config_.programDir);
    const RetryPolicy retry{config_.retries, [this] { Pause(); }, [this] { return StopRequested(); }};
    const FetchResult result = FetchWithRetries(retry, [&] { return vorn::FetchPage(url, scratchFile, page); });
    RecordFetch(result);
    RecordAnswer(result, SiteRefusals::Page::Results);
    if (result.refused()) {
        // The refusal's own page is no search's results, whatever it holds.
        page.clear();
    }
    return result.served();
}

void CrawlWorker::Pause() { std::this_thread::sleep_for(config_.pause); }

bool CrawlWorker::CheckSeen(const std::string& listingKey) {
    state_.listingKey = listingKey;
    Synchronize([this] { state_.alreadySeen = frontEnd_.CheckSeen(state_.listingKey); });
    return state_.alreadySeen;
}

void CrawlWorker::ShowStatus(int newCount, int totalCount) {
    state_.newCount = newCount;
    state_.totalCount = totalCount;
    const std::string text = state_.searchLabel + " : " + ProgressCountText(newCount, totalCount);
    Synchronize([this, &text] { frontEnd_.ShowStatus(text); });
}

ItemContext CrawlWorker::ListingContext() {
    ItemContext context;
    context.scratchFile = ScratchFile(config_.programDir);
    context.baseUrl = config_.baseUrl;
    context.saveImages = selection_.saveImages;
    context.imageDir = selection_.imageDir;
    context.stopRequested = [this] { return StopRequested(); };
    context.pause = [this] { Pause(); };
    context.retries = config_.retries;
    context.fetched = [this](const FetchResult& result) { RecordFetch(result); };
    context.pageAnswered = [this](const FetchResult& result) { RecordAnswer(result, SiteRefusals::Page::Listing); };
    context.unrecognisedPages = &unrecognisedListingPages_;
    // The store keeps every character too, whatever the output keeps.
    if (selection_.csvEncoding == CsvEncoding::Utf8 || selection_.rowSink || watch_ != nullptr) {
        context.standIns = &standIns_;
    } else if (selection_.countLostCharacters) {
        context.lostCharacters = &lostCharacters_;
    }
    return context;
}

ItemFields CrawlWorker::ExtractListing(const std::string& itemUrl, bool withImages, bool& readWhole,
                                       ListingText* text) {
    ItemContext context = ListingContext();
    context.saveImages = context.saveImages && withImages;
    readWhole = false;
    context.readWhole = &readWhole;
    context.listingText = text;
    ItemFields fields = ExtractItem(context, itemUrl);
    if (context.standIns != nullptr && selection_.countLostCharacters) {
        for (const std::string& field : fields) {
            lostCharacters_ += standIns_.CountLost(field);
        }
    }
    return fields;
}

void CrawlWorker::ListingsOnPage(const std::vector<std::string>& keys) {
    if (watch_ != nullptr) {
        Synchronize([this, &keys] { watch_->Listed(keys); });
    }
}

void CrawlWorker::CollectListing(const std::string& itemUrl) {
    bool readWhole = false;
    if (watch_ == nullptr) {
        // Every row comes right after the check of its own key; a listing not read whole is not
        // collected, so a later run reads it again.
        if (WriteRow(ExtractListing(itemUrl, true, readWhole), nullptr) && readWhole) {
            Synchronize([this] { frontEnd_.RecordCollected(state_.listingKey); });
        }
        return;
    }
    // The watch decides from what the page says, before any photograph is fetched for a listing
    // it passes over.
    ListingText text;
    const ItemFields fields = ExtractListing(itemUrl, false, readWhole, watch_->ReadsListingText() ? &text : nullptr);
    CollectWatched(fields, readWhole, text);
}

void CrawlWorker::CollectWatched(const ItemFields& fields, bool readWhole, const ListingText& text) {
    // A workbook always has the change column.
    const bool withChange = watch_->WithChangeColumn() || selection_.rowSink;
    // What is stored and compared keeps every character the site wrote: two titles that differ
    // only in a character CP932 lacks stay two titles.
    ItemFields referenced = fields;
    if (ListingContext().standIns != nullptr) {
        for (std::string& field : referenced) {
            field = standIns_.Referenced(field);
        }
    }
    ListingWatch::Verdict verdict;
    Synchronize([this, &referenced, &text, &verdict, readWhole] {
        verdict = readWhole ? watch_->Judge(referenced, text) : watch_->JudgeUnread(referenced, text);
    });
    if (verdict.write && readWhole) {
        const ItemContext context = ListingContext();
        if (!StopRequested() && context.saveImages) {
            SaveItemImages(fields, context);
        }
    }
    const bool written = verdict.write && WriteRow(fields, withChange ? &verdict.change : nullptr);
    // A CSV line is on the disk once written; a workbook's rows only once it is closed.
    Synchronize([this, &referenced, &verdict, written] {
        watch_->Recorded(referenced, verdict, written);
        if (verdict.write && !selection_.rowSink) {
            watch_->Delivered(written);
        }
    });
}

bool CrawlWorker::WriteSinkRow(const ItemFields& fields, const std::string* change) {
    ItemFields valuesUtf8;
    for (int i = 0; i < kItemFieldCount; ++i) {
        valuesUtf8[i] = ShownText(standIns_.Restore(CleanField(fields[i])));
    }
    std::filesystem::path firstPhoto;
    if (selection_.saveImages) {
        std::error_code ignored;
        firstPhoto = ImageFileName(selection_.imageDir, fields[kPostId], 0);
        if (!std::filesystem::exists(firstPhoto, ignored)) {
            firstPhoto.clear();
        }
    }
    return selection_.rowSink->AddRow(valuesUtf8, change != nullptr ? standIns_.Restore(*change) : std::string(),
                                      firstPhoto);
}

bool CrawlWorker::WriteRow(const ItemFields& fields, const std::string* change) {
    bool written = false;
    const bool open = selection_.rowSink ? selection_.rowSink->IsOpen() : state_.csvFile.IsOpen();
    if (!open && !OpenOutput()) {
        RequestStop();
        return false;
    }
    if (selection_.rowSink) {
        written = WriteSinkRow(fields, change);
    } else {
        std::string rowCp932 = BuildCsvRow(fields);
        if (change != nullptr) {
            AppendCsvValue(rowCp932, *change);
        }
        written = selection_.csvEncoding == CsvEncoding::Utf8 ? state_.csvFile.WriteLine(standIns_.Restore(rowCp932))
                                                              : state_.csvFile.WriteLine(standIns_.Converted(rowCp932));
    }
    if (!written) {
        // Going on would collect listings that can no longer be saved.
        state_.writeFailed = true;
        RequestStop();
        return false;
    }
    state_.rowWritten = true;
    crawlResult_.store(kRowsWritten);
    return true;
}

void CrawlWorker::Execute() {
    running_.store(true);
    crawlResult_.store(kNoRows);
    state_.rowWritten = false;
    state_.writeFailed = false;
    state_.siteFailed = false;
    errorText_.clear();
    lostCharacters_ = 0;
    unrecognisedResultsPages_ = 0;
    unrecognisedListingPages_ = 0;
    refusals_ = SiteRefusals();

    try {
        // One connection to the site for the whole run: a handshake per page would cost more
        // than everything else the run does between its pauses.
        const FetchSession session;
        RunCrawl();
    } catch (const std::exception& error) {
        errorText_ = error.what();
    } catch (...) {
        errorText_ = "unknown error";
    }

    // Whatever ended the crawl, the window must get its controls back and the file its last line.
    try {
        CloseOutput();
    } catch (...) {
        state_.writeFailed = true;
    }
    state_.areaList.clear();
    state_.genreList.clear();
    std::error_code ignored;
    std::filesystem::remove(ScratchFile(config_.programDir), ignored);

    crawlResult_.store(FinalResult());
    running_.store(false);
    try {
        Synchronize([this] { frontEnd_.HandBack(crawlResult_.load()); });
    } catch (...) {
        // Nobody is left to tell.
    }
}

void CrawlWorker::RunCrawl() {
    Synchronize([this] {
        selection_ = frontEnd_.TakeSelection();
        watch_ = frontEnd_.watch();
    });
    state_.areaList.clear();
    state_.genreList.clear();
    if (!selection_.outputOnFirstRow && !OpenOutput()) {
        return;
    }

    const std::string keywordQuery =
        selection_.keywordUtf8.empty() ? KeywordQuery(selection_.keyword) : KeywordQueryUtf8(selection_.keywordUtf8);
    BuildAreaList();
    BuildGenreList();
    if (!state_.areaList.empty() && !state_.genreList.empty()) {
        InitProgress();
        for (const std::string& areaEntry : state_.areaList) {
            state_.areaIndex = EntryNumber(areaEntry);
            if (state_.areaIndex == -1) {
                state_.areaPath = "all";
            } else {
                LookUpAreaPath();
            }
            const std::string areaLabel = AreaLabel(selection_, state_.areaIndex);
            for (const std::string& genreEntry : state_.genreList) {
                const GenrePart genre = GenrePartFor(selection_, genreEntry);
                state_.searchLabel = areaLabel + genre.label;
                const std::string searchPath = SearchPath(state_.areaPath, genre.path);
                StepProgress();
                if (watch_ != nullptr) {
                    Synchronize([this] { watch_->SearchBegun(state_.searchLabel); });
                }
                state_.newCount = 0;
                state_.totalCount = 0;
                const SearchCounts counts = SearchResultsPage(*this, config_.baseUrl + searchPath + keywordQuery);
                state_.newCount = counts.newCount;
                state_.totalCount = counts.totalCount;
                unrecognisedResultsPages_ += counts.unrecognised ? 1 : 0;
                if (StopRequested()) {
                    break;
                }
            }
            if (StopRequested()) {
                break;
            }
        }
    }

    CloseOutput();
    state_.genreList.clear();
    state_.areaList.clear();
}

bool CrawlWorker::OpenOutput() {
    if (selection_.rowSink) {
        if (!selection_.rowSink->Open(selection_.csvFileName, selection_.saveImages)) {
            state_.writeFailed = true;
            return false;
        }
        return true;
    }
    CsvFile& file = state_.csvFile;
    const bool opened =
        selection_.appendOutput ? file.OpenForAppend(selection_.csvFileName) : file.Open(selection_.csvFileName);
    const bool withChange = watch_ != nullptr && watch_->WithChangeColumn();
    // A file appended to already has its header.
    const bool headed = opened && (!file.IsEmpty() || file.WriteRaw(CsvFileStart(selection_.csvEncoding, withChange)));
    if (!headed) {
        state_.writeFailed = true;
        CloseOutput();
        return false;
    }
    return true;
}

void CrawlWorker::CloseOutput() {
    // The workbook is written only now, whatever ended the run, and its rows are told only once
    // it is.
    if (selection_.rowSink && selection_.rowSink->IsOpen()) {
        const bool saved = selection_.rowSink->Close();
        state_.writeFailed = state_.writeFailed || !saved;
        if (watch_ != nullptr) {
            Synchronize([this, saved] { watch_->Delivered(saved); });
        }
    }
    if (state_.csvFile.IsOpen() && !state_.csvFile.Close()) {
        state_.writeFailed = true;
    }
}

void CrawlWorker::BuildAreaList() {
    state_.areaList.clear();
    if (selection_.allAreas && selection_.areaComboIndex <= 0) {
        state_.areaList.emplace_back("-1");
        return;
    }
    for (std::size_t i = 0; i < selection_.areaChecked.size(); ++i) {
        if (selection_.areaChecked[i]) {
            state_.areaList.push_back(std::to_string(i));
        }
    }
}

void CrawlWorker::BuildGenreList() {
    state_.genreList.clear();
    if (selection_.allGenres) {
        state_.genreList.emplace_back("-1");
        return;
    }
    SplitText(selection_.ctgrIndexList, ",", state_.genreList);
}

void CrawlWorker::InitProgress() {
    const long long searches =
        static_cast<long long>(state_.areaList.size()) * static_cast<long long>(state_.genreList.size());
    const int maximum = static_cast<int>(std::min<long long>(searches, INT_MAX));
    Synchronize([this, maximum] { frontEnd_.InitProgress(maximum); });
}

void CrawlWorker::StepProgress() {
    Synchronize([this] { frontEnd_.StepProgress(); });
}

void CrawlWorker::LookUpAreaPath() {
    const int areaIndex = state_.areaIndex;
    const int comboIndex = selection_.areaComboIndex;
    state_.areaPath.clear();
    Synchronize([this, areaIndex, comboIndex] { state_.areaPath = frontEnd_.LookUpAreaPath(areaIndex, comboIndex); });
}

int CrawlWorker::FinalResult() const {
    if (state_.writeFailed) {
        return kCsvWriteFailed;
    }
    // Whatever was read before, a blocked run must not pass for one that found all there was.
    if (refusals_.refusedRun()) {
        return kSiteRefused;
    }
    // Nothing read because the site's pages changed says more than a page not served.
    if (!state_.rowWritten && unrecognisedResultsPages_ > 0) {
        return kPagesUnrecognised;
    }
    if (state_.siteFailed) {
        return kSiteUnreachable;
    }
    return state_.rowWritten ? kRowsWritten : kNoRows;
}

} // namespace vorn
