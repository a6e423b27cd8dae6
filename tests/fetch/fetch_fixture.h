#pragma once

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"
#include "tools/sample_site/sample_site.h"
#include "web/fetch_page.h"

namespace vorn::test {

// Time-outs short enough for a fast suite, and the sample site's CA trusted.
FetchSettings ShortFetchSettings();

std::string ReadWholeFile(const std::filesystem::path& path);
void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes);

// A running sample site, a temporary folder and the short settings; the defaults come back after.
class FetchTest : public testing::Test {
protected:
    FetchTest();
    ~FetchTest() override;

    std::filesystem::path File(const std::string& name) const { return folder_.path() / name; }

    site::SampleSite site_;
    TempDir folder_;
};

} // namespace vorn::test
