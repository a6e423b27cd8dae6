#include "app/cli/history_command.h"

#include <ctime>
#include <iostream>
#include <memory>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/program_session.h"
#include "app/cli/terminal_messages.h"
#include "catalogue/statements.h"
#include "watch/listing_store.h"

namespace vorn::cli {

namespace {

int UsageError(const std::string& text) {
    std::cerr << "vorn-search-cli: " << text << "\n\n";
    PrintUsage(std::cerr);
    return kExitRefused;
}

} // namespace

bool IsCalendarDate(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return false;
    }
    for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    // mktime moves 2026-02-30 to March; a real day comes back as it went in.
    std::tm day{};
    day.tm_year = std::stoi(text.substr(0, 4)) - 1900;
    day.tm_mon = std::stoi(text.substr(5, 2)) - 1;
    day.tm_mday = std::stoi(text.substr(8, 2));
    day.tm_hour = 12;
    const std::tm asked = day;
    return std::mktime(&day) != -1 && day.tm_year == asked.tm_year && day.tm_mon == asked.tm_mon &&
           day.tm_mday == asked.tm_mday;
}

int RunHistoryCommand(const std::vector<std::string>& arguments) {
    if (!arguments.empty()) {
        return UsageError("history takes no arguments");
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    try {
        DbRows rows = session->db().OpenRows(sql::kSummariseHistory);
        const std::int64_t listings = rows.Integer("Listings");
        std::cout << "listings collected: " << listings << '\n';
        if (listings > 0) {
            std::cout << "first seen: " << rows.Text("Oldest") << " to " << rows.Text("Newest") << '\n';
        }
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    return 0;
}

int RunForgetCommand(const std::vector<std::string>& arguments) {
    std::string before;
    if (arguments.size() == 2 && arguments[0] == "--before") {
        before = arguments[1];
        if (!IsCalendarDate(before)) {
            return UsageError("--before takes a day as YYYY-MM-DD");
        }
    } else if (!arguments.empty()) {
        return UsageError("forget takes nothing or --before YYYY-MM-DD");
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    try {
        // The store of listings goes with the history: what it holds is what "collected before" means.
        ForgetStore(session->db(), before);
        const std::int64_t removed = before.empty() ? session->db().Execute(sql::kForgetHistory)
                                                    : session->db().Execute(sql::kForgetHistoryBefore, {before});
        std::cout << "listings forgotten: " << removed << '\n';
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    return 0;
}

} // namespace vorn::cli
