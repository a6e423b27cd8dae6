#include "app/cli/list_command.h"

#include <algorithm>
#include <iostream>

#include "app/cli/commands.h"
#include "app/cli/exit_codes.h"
#include "app/cli/named_conditions.h"
#include "app/cli/program_session.h"
#include "app/cli/schedule_command.h"
#include "app/cli/terminal_messages.h"
#include "app/cli/terminal_progress.h"
#include "app/core/run_options.h"
#include "catalogue/catalogue_lists.h"
#include "web/cp932.h"
#include "web/text.h"

namespace vorn::cli {

namespace {

// A name from the catalogue, which the site filled: UTF-8 and never a control character.
void PrintName(const std::string& indent, const std::string& nameCp932) {
    std::cout << indent << PrintableText(AnsiToUtf8(Trim(nameCp932))) << '\n';
}

std::vector<std::string> Prefectures() {
    const std::vector<std::string>& combo = PrefectureComboItems();
    return {combo.begin() + 1, combo.end()};
}

int ListCities(CatalogueDb& db, const std::string& prefecture) {
    const std::vector<std::string> prefectures = Prefectures();
    const auto found = std::find(prefectures.begin(), prefectures.end(), UTF8ToAnsi(prefecture));
    if (found == prefectures.end()) {
        NamedConditions named;
        named.prefectures = {prefecture};
        return Fail(ChoiceFromNames(named, db).refusal, kExitRefused);
    }
    for (const std::string& city : LoadAreaNames(db, static_cast<int>(found - prefectures.begin()) + 1)) {
        PrintName("", city);
    }
    return kExitRowsWritten;
}

// One line a saved search: its name, then what it writes, as crawl --saved NAME runs it.
void ListSaved(const ProfileFile& settings) {
    for (const std::string& name : SavedSearchNames(settings)) {
        const SavedSearchRead read = ReadSavedSearch(settings, name);
        const std::string mode = read.search ? WriteModeName(read.search->mode) : "";
        const bool filtered = read.search && read.search->filter.Any();
        std::cout << PrintableText(AnsiToUtf8(name)) << '\t' << mode << (filtered ? ", filtered" : "")
                  << (read.refusal.empty() ? "" : ", refused: " + PrintableText(AnsiToUtf8(read.refusal))) << '\n';
    }
}

} // namespace

int RunListCommand(const std::vector<std::string>& arguments) {
    const std::string what = arguments.empty() ? std::string() : arguments[0];
    const std::size_t wanted = what == "cities" ? 2 : 1;
    if ((what != "prefectures" && what != "cities" && what != "genres" && what != "saved" && what != "schedules") ||
        arguments.size() != wanted) {
        std::cerr << "vorn-search-cli: list takes prefectures, cities PREFECTURE, genres, saved or schedules\n\n";
        PrintUsage(std::cerr);
        return kExitRefused;
    }
    const auto session = ProgramSession::Open();
    if (!session) {
        return kExitRefused;
    }
    try {
        if (what == "prefectures") {
            for (const std::string& prefecture : Prefectures()) {
                PrintName("", prefecture);
            }
        } else if (what == "saved") {
            ListSaved(session->settings());
        } else if (what == "schedules") {
            ListSchedules(session->programDir(), session->settings());
        } else if (what == "cities") {
            return ListCities(session->db(), arguments[1]);
        } else {
            for (const GenreNode& node : LoadGenreNodes(session->db())) {
                PrintName(node.level == 0 ? "" : "  ", node.text);
            }
        }
    } catch (const DbError& dbError) {
        return Fail(dbError.what(), kExitRefused);
    }
    return kExitRowsWritten;
}

} // namespace vorn::cli
