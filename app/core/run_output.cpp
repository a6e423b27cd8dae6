#include "app/core/run_output.h"

#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <utility>

#include "app/core/run_lock.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// The path with its links and "." and ".." resolved as far as it exists.
fs::path Resolved(const fs::path& path) {
    std::error_code error;
    fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path.lexically_normal() : resolved;
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    // Two names of one file (a hard link) are equivalent without being spelled alike.
    if (fs::equivalent(a, b, error) && !error) {
        return true;
    }
    return Resolved(a) == Resolved(b);
}

} // namespace

fs::path RunOutputFile(const fs::path& programDir) { return programDir / "db" / "run.output"; }

RunOutputRecord::RunOutputRecord(fs::path programDir, const fs::path& output) : programDir_(std::move(programDir)) {
    // Without a record the crawl runs all the same, only unguarded.
    std::ofstream(RunOutputFile(programDir_), std::ios::binary | std::ios::trunc) << Resolved(output).string();
}

RunOutputRecord::~RunOutputRecord() {
    std::error_code ignored;
    fs::remove(RunOutputFile(programDir_), ignored);
}

bool IsRunningCrawlOutput(const fs::path& programDir, const fs::path& output) {
    std::ifstream in(RunOutputFile(programDir), std::ios::binary);
    const std::string recorded{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (recorded.empty() || !SameFile(recorded, output)) {
        return false;
    }
    // Taking the lock answers whether its crawl still runs; it is let go at once.
    return TryRunLock(programDir).busy;
}

std::string RunningCrawlOutputRefusal(const fs::path& programDir, const fs::path& output) {
    std::error_code error;
    const fs::path absolute = fs::absolute(output, error);
    if (error || !IsRunningCrawlOutput(programDir, absolute)) {
        return {};
    }
    return absolute.string() + " is the file a running crawl writes; it is left as it is";
}

} // namespace vorn
