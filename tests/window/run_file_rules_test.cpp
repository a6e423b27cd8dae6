#include "app/window/run_file_rules.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(RunFileRules, CsvExtensionIsAddedUnlessTheNameAlreadyEndsInIt) {
    struct Case {
        const char* chosen;
        const char* used;
    };
    const Case cases[] = {
        {"/home/u/list.csv", "/home/u/list.csv"}, {"/home/u/list.CsV", "/home/u/list.CsV"},
        {"/home/u/list", "/home/u/list.csv"},     {"/home/u/list.txt", "/home/u/list.txt.csv"},
        {"/home/u/list.", "/home/u/list..csv"},   {"/home/u.csv/list", "/home/u.csv/list.csv"},
        {"/home/u/.csv", "/home/u/.csv"},         {"/home/u/list.csv.bak", "/home/u/list.csv.bak.csv"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WithCsvExtension(QString::fromUtf8(c.chosen)), QString::fromUtf8(c.used)) << c.chosen;
    }
}

} // namespace
} // namespace vorn
