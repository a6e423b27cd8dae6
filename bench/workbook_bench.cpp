// The workbook writer on 1,000 and on 100,000 rows of realistic listings: each size is written by
// a child process of its own, so each peak memory is its own. Fails (exit 1) when the larger
// workbook's peak memory is over 1.5 times the smaller's, or its time over 1.2 times 100 times
// the smaller's: the writer must not keep the rows.
//   vorn_workbook_bench [FOLDER]        (FOLDER: where the workbooks go, the temporary folder)
//   vorn_workbook_bench --rows N FILE   (one workbook; what each child runs)

#include "watch/workbook.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr int kSmall = 1000;
constexpr int kLarge = 100000;
constexpr double kMostMemoryRatio = 1.5;
constexpr double kMostTimeRatio = 1.2 * kLarge / kSmall;

std::string Thousands(long long number) {
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ",");
    }
    return digits;
}

// A listing as the site shows one, varied by n.
vorn::ItemFields Listing(int n) {
    const std::string site = "https://vorn.example/";
    const std::string id = std::to_string(1000000 + n);
    vorn::ItemFields fields;
    fields[vorn::kPostId] = "abc" + id;
    fields[vorn::kTitle] =
        n % 97 == 0 ? "=HYPERLINK(\"x\") 北欧風ソファ" : "【美品】北欧風ソファ 3人掛け グレー No." + id;
    fields[vorn::kDescription] = "引っ越しのため出品します。目立つ傷や汚れはありません。平日の夜か土日であれば受け渡し"
                                 "できます。ペット・喫煙者はいない家庭です。ご質問があればお気軽にどうぞ。";
    fields[vorn::kPrice] = n % 10 == 0 ? "応相談" : Thousands(100LL * (n % 600 + 1)) + "円";
    fields[vorn::kReception] = "申し込み可";
    fields[vorn::kGenre] = "家具 > ソファ";
    fields[vorn::kPlace] = "東京都、港区、駅前";
    fields[vorn::kPosterName] = "たなか";
    fields[vorn::kPosterGender] = "女性";
    fields[vorn::kPostCount] = std::to_string(n % 300);
    fields[vorn::kVerification] = "本人確認済み、電話番号認証済み";
    fields[vorn::kIntroduction] = "ご覧いただきありがとうございます。";
    fields[vorn::kGoodRatings] = std::to_string(n % 90);
    fields[vorn::kNormalRatings] = std::to_string(n % 7);
    fields[vorn::kBadRatings] = std::to_string(n % 3);
    fields[vorn::kFavourites] = std::to_string(n % 40);
    fields[vorn::kUpdatedDate] = "2024年" + std::to_string(n % 12 + 1) + "月" + std::to_string(n % 28 + 1) + "日 12:34";
    fields[vorn::kCreatedDate] = "2024年" + std::to_string(n % 12 + 1) + "月1日 9:05";
    for (int k = 0; k < 1 + n % 3; ++k) {
        fields[vorn::kFirstImageUrl + k] = site + "articles/images/" + id + "/thumb_" + std::to_string(k + 1) + ".jpg";
    }
    fields[vorn::kProfileUrl] = site + "profiles/" + std::to_string(n % 5000);
    fields[vorn::kDetailUrl] = site + "article/" + id;
    return fields;
}

int WriteOne(int rows, const fs::path& file) {
    vorn::Workbook book;
    if (!book.Open(file, false)) {
        return 2;
    }
    for (int n = 1; n <= rows; ++n) {
        if (!book.AddRow(Listing(n), n % 50 == 0 ? "値下げ 12,000円→9,800円" : "", {})) {
            return 2;
        }
    }
    return book.Close() ? 0 : 2;
}

struct Measure {
    double seconds = 0;
    long peakKilobytes = 0;
    bool ok = false;
};

Measure RunChild(const char* self, int rows, const fs::path& file) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const std::string count = std::to_string(rows);
        execl(self, self, "--rows", count.c_str(), file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    Measure measure;
    if (child > 0 && wait4(child, &status, 0, &usage) == child) {
        measure.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        measure.peakKilobytes = usage.ru_maxrss;
        measure.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return measure;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--rows") {
        return WriteOne(std::atoi(argv[2]), argv[3]);
    }
    const fs::path folder = argc > 1 ? fs::path(argv[1]) : fs::temp_directory_path();
    const fs::path smallFile = folder / "vorn_workbook_bench_small.xlsx";
    const fs::path largeFile = folder / "vorn_workbook_bench_large.xlsx";
    const Measure small = RunChild("/proc/self/exe", kSmall, smallFile);
    const Measure large = RunChild("/proc/self/exe", kLarge, largeFile);
    if (!small.ok || !large.ok) {
        std::fprintf(stderr, "a workbook could not be written\n");
        return 2;
    }
    const double memoryRatio = static_cast<double>(large.peakKilobytes) / static_cast<double>(small.peakKilobytes);
    const double timeRatio = large.seconds / small.seconds;
    std::printf("%7d rows: %8.3f s, peak %7ld KB, %9ju bytes\n", kSmall, small.seconds, small.peakKilobytes,
                static_cast<std::uintmax_t>(fs::file_size(smallFile)));
    std::printf("%7d rows: %8.3f s, peak %7ld KB, %9ju bytes\n", kLarge, large.seconds, large.peakKilobytes,
                static_cast<std::uintmax_t>(fs::file_size(largeFile)));
    std::printf("peak memory ratio %.2f (at most %.1f), time ratio %.1f (at most %.0f)\n", memoryRatio,
                kMostMemoryRatio, timeRatio, kMostTimeRatio);
    fs::remove(smallFile);
    fs::remove(largeFile);
    return memoryRatio <= kMostMemoryRatio && timeRatio <= kMostTimeRatio ? 0 : 1;
}
