#include "app/core/saved_conditions.h"

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/test_program_dir.h"

namespace vorn {
namespace {

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class SavedConditionsTest : public ::testing::Test {
protected:
    ProfileFile FileWith(const std::string& bytes) const {
        std::ofstream(SettingsFilePath(dir_.path()), std::ios::binary) << bytes;
        return ProfileFile(SettingsFilePath(dir_.path()));
    }

    test::TestProgramDir dir_{false};
};

TEST_F(SavedConditionsTest, CheckImageIsAnIntegerAndAnyNonZeroValueChecks) {
    struct Case {
        const char* line;
        bool checked;
    };
    const Case cases[] = {
        {"CheckImage=1", true},     {"CheckImage=0", false}, {"CheckImage=0x10", true},
        {"CheckImage=$1F", true},   {"CheckImage=-1", true}, {"CheckImage=$0", false},
        {"CheckImage=junk", false}, {"CheckImage=", false},  {"Other=1", false},
    };
    for (const Case& c : cases) {
        const ProfileFile file = FileWith(std::string("[Config]\r\n") + c.line + "\r\n");
        EXPECT_EQ(ReadSavedConditions(file).checkImage, c.checked) << c.line;
    }
}

TEST_F(SavedConditionsTest, WritesTheKeysInOrderTrimmedAndLeavesTheSiteAlone) {
    ProfileFile file = FileWith("[Site]\r\nBaseUrl=https://127.0.0.1:9/\r\n");
    SavedConditions conditions;
    conditions.word = " \t chair \x81\x40 ";  // the full-width space is text, not a blank
    conditions.areasel = 13;
    conditions.imageDir = "  /tmp/photos/ ";
    conditions.checkImage = true;
    conditions.ctgrlist = "0110";
    conditions.arealist = "";
    ASSERT_TRUE(WriteSavedConditions(file, conditions));
    EXPECT_EQ(ReadBytes(file.path()),
              "[Site]\r\nBaseUrl=https://127.0.0.1:9/\r\n"
              "[Config]\r\nWord=chair \x81\x40\r\nAreasel=13\r\nImageDir=/tmp/photos/\r\nCheckImage=1\r\n"
              "Ctgrlist=0110\r\nArealist=\r\n");

    const SavedConditions back = ReadSavedConditions(file);
    EXPECT_EQ(back.word, "chair \x81\x40");
    EXPECT_EQ(back.areasel, 13);
    EXPECT_EQ(back.imageDir, "/tmp/photos/");
    EXPECT_TRUE(back.checkImage);
    EXPECT_EQ(back.ctgrlist, "0110");
    EXPECT_EQ(back.arealist, "");
    EXPECT_EQ(ReadSavedConditions(FileWith("[Config]\r\nAreasel=abc\r\n")).areasel, 0) << "unreadable: prefectures";
}

TEST_F(SavedConditionsTest, SiteSettingsDefaultAndGainATrailingSlash) {
    EXPECT_EQ(ReadSiteSettings(ProfileFile(dir_.path() / "none.ini")).baseUrl, kDefaultBaseUrl);
    EXPECT_EQ(ReadSiteSettings(FileWith("[Site]\r\nBaseUrl=\r\n")).baseUrl, kDefaultBaseUrl);
    EXPECT_EQ(ReadSiteSettings(FileWith("[Site]\r\nBaseUrl=https://127.0.0.1:8443\r\n")).baseUrl,
              "https://127.0.0.1:8443/");

    const SiteSettings relative = ReadSiteSettings(FileWith("[site]\r\ncafile=certs/ca.pem\r\n"));
    EXPECT_EQ(CaFilePath(relative, "/opt/vorn"), "/opt/vorn/certs/ca.pem");
    const SiteSettings absolute = ReadSiteSettings(FileWith("[Site]\r\nCaFile=/etc/ca.pem\r\n"));
    EXPECT_EQ(CaFilePath(absolute, "/opt/vorn"), "/etc/ca.pem");
    EXPECT_TRUE(CaFilePath(SiteSettings{}, "/opt/vorn").empty());
}

TEST_F(SavedConditionsTest, RetriesAreOffUnlessSetAndHeldToFive) {
    const std::pair<const char*, int> cases[] = {
        {"", 0}, {"Retries=3\r\n", 3}, {"Retries=9\r\n", 5}, {"Retries=-2\r\n", 0}, {"Retries=many\r\n", 0}};
    for (const auto& [line, retries] : cases) {
        EXPECT_EQ(ReadSiteSettings(FileWith(std::string("[Site]\r\n") + line)).retries, retries) << line;
    }
}

} // namespace
} // namespace vorn
