#include "tests/fetch/fetch_fixture.h"

#include <fstream>
#include <iterator>

namespace vorn::test {

FetchSettings ShortFetchSettings() {
    FetchSettings settings;
    settings.extraCaFile = site::SampleSite::CaFile().string();
    settings.connectTimeoutSeconds = 5;
    settings.idleTimeoutSeconds = 3;
    settings.totalTimeoutSeconds = 10;
    return settings;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

FetchTest::FetchTest() {
    SetFetchSettings(ShortFetchSettings());
    ResetUserAgentSequence();
}

FetchTest::~FetchTest() { SetFetchSettings(FetchSettings{}); }

} // namespace vorn::test
