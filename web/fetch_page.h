#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace vorn {

// What became of one fetch. Callers that only want the file may ignore it.
struct FetchResult {
    enum class Outcome {
        Body,      // a complete response body was written (whatever the HTTP status)
        Transport, // no answer, cut off, timed out, too large, refused scheme: no file is left
        File,      // the output file could not be written: no file is left
    };
    Outcome outcome = Outcome::Transport;
    long httpStatus = 0; // 0 when no response arrived
    long retryAfterSeconds = 0; // what the answer's Retry-After asked for; 0 when it had none
    std::string error;   // curl's or the system's words, for logs and tests

    bool bodyWritten() const { return outcome == Outcome::Body; }
    // The site served the page: a whole body with a success status.
    bool served() const { return bodyWritten() && httpStatus >= 200 && httpStatus <= 299; }
    // The site did not serve what was asked: no answer, a cut-off or endless body, a redirect
    // loop, or a refusal it may lift later (429, 5xx). Any other status, 404 above all (a listing
    // or photograph taken down), is the site's answer and not a failure.
    bool siteUnreachable() const;
    // The site declined to serve the page to this program (401, 403, 451): asking again soon will
    // not change its mind.
    bool refused() const { return httpStatus == 401 || httpStatus == 403 || httpStatus == 451; }
};

// Process-wide fetch settings, set once before the first fetch (not while fetches run).
struct FetchSettings {
    std::string extraCaFile;            // a further CA bundle that TLS trusts (tests, local sites)
    long connectTimeoutSeconds = 60;    // a connection not made by then fails
    long idleTimeoutSeconds = 60;       // a transfer that receives nothing for this long fails
    long totalTimeoutSeconds = 300;     // no transfer lasts longer, however slowly bytes drip in
    std::int64_t maxBodyBytes = 64LL * 1024 * 1024; // far above any real page or photograph
};
void SetFetchSettings(const FetchSettings& settings);
FetchSettings CurrentFetchSettings();

// GET url and write the body into outFile, over an earlier page in place. A failed fetch,
// including one that fails part way, removes the file: it never leaves an earlier page.
// One of the five fixed browser agents is chosen per call from the process-wide sequence.
FetchResult FetchPage(const std::string& url, const std::filesystem::path& outFile);
// The same, also handing back the bytes written to the file (none when the fetch failed): a
// caller that reads the page takes it from here, without a second trip through the file.
FetchResult FetchPage(const std::string& url, const std::filesystem::path& outFile, std::string& written);

// Index of the agent the next fetch will use (draws from the process-wide sequence; safe across
// threads). Exposed for tests.
int NextUserAgentIndex();
// Restarts the process-wide sequence at seed 0 (tests only).
void ResetUserAgentSequence();
const char* UserAgent(int index);

// The fixed block of extra request headers, joined by CR LF, 151 bytes.
extern const char* const kRequestHeaders;
// The same headers a line each, as the fetcher hands them to libcurl.
const std::vector<std::string>& RequestHeaderLines();

// Downloads url into outFile only when the answer is a success (2xx): the body goes to a
// temporary file beside outFile and is renamed into place, so a failed download leaves no broken
// file and keeps an earlier good one. Only http and https are followed.
FetchResult DownloadFile(const std::string& url, const std::filesystem::path& outFile);

} // namespace vorn
