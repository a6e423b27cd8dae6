#pragma once

#include <filesystem>
#include <string>

namespace vorn {

// The file a running crawl writes, recorded beside the run lock (db/run.output) so that a command
// of either program refuses to write over it: two writers would leave neither's rows whole.
std::filesystem::path RunOutputFile(const std::filesystem::path& programDir);

// Records output as the file of the crawl that holds the run lock, for as long as the object
// lives. A record a killed crawl left behind is told from a live one by the lock.
class RunOutputRecord {
public:
    RunOutputRecord(std::filesystem::path programDir, const std::filesystem::path& output);
    ~RunOutputRecord();
    RunOutputRecord(const RunOutputRecord&) = delete;
    RunOutputRecord& operator=(const RunOutputRecord&) = delete;

private:
    std::filesystem::path programDir_;
};

// True when output (an absolute path) is, or will be, the file of a crawl running now.
bool IsRunningCrawlOutput(const std::filesystem::path& programDir, const std::filesystem::path& output);
// The refusal naming output (UTF-8) when it is a running crawl's file; empty otherwise.
std::string RunningCrawlOutputRefusal(const std::filesystem::path& programDir, const std::filesystem::path& output);

} // namespace vorn
