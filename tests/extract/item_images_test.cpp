#include "extract/item_images.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "web/cp932.h"

namespace vorn {
namespace {

const std::filesystem::path kFolder = "/srv/photos";

TEST(ImageFileName, OrdinaryIdsKeptAndHostileOnesStayInsideTheFolder) {
    struct Case {
        const char* name;
        std::string postId;
        std::string fileName;
    };
    const std::vector<Case> cases = {
        {"ordinary", "abc123", "abc123_0.jpg"},
        {"empty", "", "_0.jpg"},
        {"inner dots kept", "a.b..c", "a.b..c_0.jpg"},
        {"Japanese written as UTF-8", UTF8ToAnsi("品番7"), "品番7_0.jpg"},
        {"parent then name", "../x", "___x_0.jpg"},
        {"parent alone", "..", "___0.jpg"},
        {"slash", "a/b", "a_b_0.jpg"},
        {"absolute", "/etc/passwd", "_etc_passwd_0.jpg"},
        {"backslash", "..\\..\\x", "___.._x_0.jpg"},
        {"control characters", std::string("a\nb\x01\tc"), "a_b__c_0.jpg"},
    };
    for (const Case& c : cases) {
        const std::filesystem::path file = ImageFileName(kFolder, c.postId, 0);
        EXPECT_EQ(file.parent_path(), kFolder) << c.name;
        EXPECT_EQ(file.filename(), c.fileName) << c.name;
        EXPECT_EQ(file.lexically_normal(), file) << c.name;
    }
    EXPECT_EQ(ImageFileName(kFolder, "abc123", 4), "/srv/photos/abc123_4.jpg");
}

struct Download {
    std::string url;
    std::filesystem::path file;
    bool operator==(const Download&) const = default;
};

struct DownloadRun {
    std::vector<Download> downloads;
    int pauses = 0;
};

DownloadRun RunDownloads(const ItemFields& fields, int stopAfterDownloads = -1) {
    DownloadRun run;
    ItemContext context;
    context.imageDir = kFolder;
    context.pause = [&run] { ++run.pauses; };
    context.stopRequested = [&run, stopAfterDownloads] {
        return static_cast<int>(run.downloads.size()) == stopAfterDownloads;
    };
    SaveItemImages(fields, context, [&run](const std::string& url, const std::filesystem::path& file) {
        run.downloads.push_back({url, file});
    });
    return run;
}

ItemFields WithImages(std::initializer_list<const char*> urls) {
    ItemFields fields;
    fields[kPostId] = "p1";
    int k = kFirstImageUrl;
    for (const char* url : urls) {
        fields[k++] = url;
    }
    return fields;
}

TEST(SaveItemImages, DownloadsUpToTheFirstEmptyUrlPausingAfterEach) {
    const DownloadRun two = RunDownloads(WithImages({"https://i.test/a", "https://i.test/b", "", "https://i.test/d"}));
    EXPECT_EQ(two.downloads, (std::vector<Download>{{"https://i.test/a", "/srv/photos/p1_0.jpg"},
                                                    {"https://i.test/b", "/srv/photos/p1_1.jpg"}}));
    EXPECT_EQ(two.pauses, 2);

    const DownloadRun none = RunDownloads(WithImages({}));
    EXPECT_TRUE(none.downloads.empty());
    EXPECT_EQ(none.pauses, 0);

    const DownloadRun five = RunDownloads(WithImages({"u1", "u2", "u3", "u4", "u5"}));
    ASSERT_EQ(five.downloads.size(), 5u);
    EXPECT_EQ(five.downloads[4].file, "/srv/photos/p1_4.jpg");
}

TEST(SaveItemImages, StopEndsAfterTheCurrentImage) {
    const DownloadRun run = RunDownloads(WithImages({"u1", "u2", "u3"}), 2);
    EXPECT_EQ(run.downloads.size(), 2u);
    EXPECT_EQ(run.pauses, 2);
}

} // namespace
} // namespace vorn
