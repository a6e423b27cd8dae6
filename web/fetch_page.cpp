#include "web/fetch_page.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "web/fetch_text_chunks.h"
#include "web/fetch_transfer.h"
#include "web/write_all.h"

namespace vorn {

namespace {

constexpr const char* kUserAgents[] = {
    "Mozilla/5.0 (Windows NT 6.2; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/52.0.2743.116 Safari/537.36 Edge/15.15063",
    "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/52.0.2743.116 Safari/537.36 Edge/15.15063",
    "Mozilla/5.0 (Windows NT 6.3; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/51.0.2704.79 Safari/537.36 Edge/14.14393",
    "Mozilla/5.0 (Windows NT 10.0; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/64.0.3282.140 Safari/537.36 Edge/17.17134",
    "Mozilla/5.0 (Windows NT 5.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/58.0.3029.110 Safari/537.36 Edge/16.16299",
};
constexpr int kUserAgentCount = static_cast<int>(std::size(kUserAgents));

std::atomic<std::uint32_t> agentSeed{0};

std::mutex settingsMutex;
FetchSettings settings;

FetchResult Failure(FetchResult::Outcome outcome, const fetch::TransferOutcome& transfer, std::string error) {
    FetchResult result;
    result.outcome = outcome;
    result.httpStatus = transfer.httpStatus;
    result.retryAfterSeconds = transfer.retryAfterSeconds;
    result.error = std::move(error);
    return result;
}

FetchResult Served(const fetch::TransferOutcome& transfer) {
    FetchResult result;
    result.outcome = FetchResult::Outcome::Body;
    result.httpStatus = transfer.httpStatus;
    result.retryAfterSeconds = transfer.retryAfterSeconds;
    return result;
}

std::string SystemError(const std::string& what, const std::filesystem::path& path, int error) {
    return what + " " + path.string() + ": " + std::strerror(error);
}

// The page file, opened when the first byte arrives or, for an empty body, at the end. The
// page is gathered in the caller's bytes and written in one piece when it is complete: a write
// per piece received would cost a page more system calls than the rest of its handling. An
// earlier page in the file is written over in place and the file cut to the new length: removing
// and creating it for every page made the file system free and allocate its blocks each time.
// A failed fetch removes the file.
class PageFile {
public:
    PageFile(std::filesystem::path path, std::string& page) : path_(std::move(path)), page_(page) { page_.clear(); }
    ~PageFile() { Close(); }
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    bool Write(std::string_view data) {
        chunks_.AppendKept(data, page_);
        return Open();
    }

    bool Finish() { return Open() && Close(); }

    void Discard() {
        page_.clear();
        Close();
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }

    const std::string& error() const { return error_; }

private:
    bool Open() {
        if (fd_ < 0 && error_.empty()) {
            fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno == EACCES) {
                // A read-only file left in the way is replaced, not written over.
                std::error_code ignored;
                std::filesystem::remove(path_, ignored);
                fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
            }
            if (fd_ < 0) {
                error_ = SystemError("cannot create", path_, errno);
            }
        }
        return fd_ >= 0;
    }

    // Writes the page gathered so far over the file's start and cuts the file after it.
    bool Close() {
        if (fd_ < 0) {
            return error_.empty();
        }
        int error = 0;
        bool written = WriteAll(fd_, page_, error);
        // Cut only a file left longer by a longer page: the cut costs more than asking.
        struct stat status {};
        const bool longer = ::fstat(fd_, &status) != 0 || status.st_size > static_cast<off_t>(page_.size());
        if (written && longer && ::ftruncate(fd_, static_cast<off_t>(page_.size())) != 0) {
            error = errno;
            written = false;
        }
        if (::close(fd_) != 0 && written) {
            error = errno;
            written = false;
        }
        fd_ = -1;
        if (!written && error_.empty()) {
            error_ = SystemError("cannot write", path_, error);
        }
        return written;
    }

    std::filesystem::path path_;
    std::string& page_;
    int fd_ = -1;
    fetch::TextChunkFilter chunks_;
    std::string error_;
};

bool IsSuccess(long httpStatus) { return httpStatus >= 200 && httpStatus <= 299; }

// A name beside the target that no other download uses, so a failed download never touches it.
std::filesystem::path TemporaryNameBeside(const std::filesystem::path& target) {
    static std::atomic<unsigned> counter{0};
    return target.parent_path() /
           ("." + target.filename().string() + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
}

} // namespace

const char* const kRequestHeaders = "Accept: text/html, application/xhtml+xml, image/jxr, */*\r\n"
                                    "Accept-Language: ja-JP\r\n"
                                    "Accept-Encoding: none\r\n"
                                    "Connection: Keep-Alive\r\n"
                                    "Content-Encoding: gzip";

const std::vector<std::string>& RequestHeaderLines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> split;
        std::string_view rest = kRequestHeaders;
        for (std::size_t end = rest.find("\r\n"); end != std::string_view::npos; end = rest.find("\r\n")) {
            split.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end + 2);
        }
        split.emplace_back(rest);
        return split;
    }();
    return lines;
}

void SetFetchSettings(const FetchSettings& newSettings) {
    std::lock_guard lock(settingsMutex);
    settings = newSettings;
}

FetchSettings CurrentFetchSettings() {
    std::lock_guard lock(settingsMutex);
    return settings;
}

int NextUserAgentIndex() {
    std::uint32_t current = agentSeed.load(std::memory_order_relaxed);
    std::uint32_t next = 0;
    do {
        next = current * 134775813u + 1u;
    } while (!agentSeed.compare_exchange_weak(current, next, std::memory_order_relaxed));
    return static_cast<int>((static_cast<std::uint64_t>(next) * kUserAgentCount) >> 32);
}

void ResetUserAgentSequence() { agentSeed.store(0, std::memory_order_relaxed); }

const char* UserAgent(int index) { return index >= 0 && index < kUserAgentCount ? kUserAgents[index] : ""; }

bool FetchResult::siteUnreachable() const {
    if (httpStatus == 429 || httpStatus >= 500) {
        return true;
    }
    switch (outcome) {
    case Outcome::Body:
    case Outcome::File:
        return false;
    case Outcome::Transport:
        // A photograph refused with a final answer ends as a transport failure carrying that
        // status; anything else here (no status, 2xx or 3xx) is an answer that never completed.
        return !(httpStatus >= 400 && httpStatus <= 499);
    }
    return true;
}

FetchResult FetchPage(const std::string& url, const std::filesystem::path& outFile, std::string& written) {
    const char* agent = UserAgent(NextUserAgentIndex());

    // An earlier page must not pass for this one when the fetch fails: every failure below
    // removes the file.
    PageFile file(outFile, written);
    const fetch::TransferOutcome transfer =
        fetch::RunTransfer(url, agent, RequestHeaderLines(), CurrentFetchSettings(),
                           [&file](long, std::string_view data) { return file.Write(data); });
    if (transfer.complete && file.Finish()) {
        return Served(transfer);
    }
    file.Discard();
    if (!file.error().empty()) {
        return Failure(FetchResult::Outcome::File, transfer, file.error());
    }
    return Failure(FetchResult::Outcome::Transport, transfer, transfer.error);
}

FetchResult FetchPage(const std::string& url, const std::filesystem::path& outFile) {
    std::string page;
    return FetchPage(url, outFile, page);
}

FetchResult DownloadFile(const std::string& url, const std::filesystem::path& outFile) {
    const std::filesystem::path partial = TemporaryNameBeside(outFile);
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return Failure(FetchResult::Outcome::File, {}, SystemError("cannot create", partial, errno));
    }

    int writeErrno = 0;
    const auto keep = [&](long httpStatus, std::string_view data) {
        if (!IsSuccess(httpStatus)) {
            return false; // an error page is not the photograph: no need to read it
        }
        return WriteAll(fd, data, writeErrno);
    };
    const fetch::TransferOutcome transfer = fetch::RunTransfer(url, UserAgent(0), {}, CurrentFetchSettings(), keep);
    if (::close(fd) != 0 && writeErrno == 0) {
        writeErrno = errno;
    }

    std::error_code ignored;
    if (writeErrno != 0) {
        std::filesystem::remove(partial, ignored);
        return Failure(FetchResult::Outcome::File, transfer, SystemError("cannot write", partial, writeErrno));
    }
    if (!transfer.complete || !IsSuccess(transfer.httpStatus)) {
        std::filesystem::remove(partial, ignored);
        const std::string error = transfer.complete || transfer.sinkStopped
                                      ? "HTTP status " + std::to_string(transfer.httpStatus)
                                      : transfer.error;
        return Failure(FetchResult::Outcome::Transport, transfer, error);
    }
    std::error_code renameError;
    std::filesystem::rename(partial, outFile, renameError);
    if (renameError) {
        std::filesystem::remove(partial, ignored);
        return Failure(FetchResult::Outcome::File, transfer,
                       "cannot replace " + outFile.string() + ": " + renameError.message());
    }
    return Served(transfer);
}

} // namespace vorn
