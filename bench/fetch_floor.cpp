// Sends a list of URLs through this program's fetcher, one at a time on one kept connection, with
// a run's 300 ms pause after each, and throws the bodies away: what the fetching alone costs, the
// part of a run's CPU that no change to the rest of the program can remove. A pause of 0 shows
// what the same requests cost back to back, with caches warm and no waking from a sleep.
//
//   vorn-fetch-floor URL_FILE CA_FILE [PAUSE_MS]
#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "web/fetch_page.h"
#include "web/fetch_session.h"
#include "web/fetch_transfer.h"

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: vorn-fetch-floor URL_FILE CA_FILE [PAUSE_MS]\n";
        return 2;
    }
    const std::chrono::milliseconds pause(argc == 4 ? std::stoi(argv[3]) : 300);
    std::ifstream urlFile(argv[1]);
    std::vector<std::string> urls;
    for (std::string url; std::getline(urlFile, url);) {
        if (!url.empty()) {
            urls.push_back(url);
        }
    }
    vorn::FetchSettings settings;
    settings.extraCaFile = argv[2];
    vorn::SetFetchSettings(settings);

    const vorn::FetchSession session;
    std::size_t bytes = 0;
    for (const std::string& url : urls) {
        const auto outcome =
            vorn::fetch::RunTransfer(url, vorn::UserAgent(vorn::NextUserAgentIndex()), vorn::RequestHeaderLines(),
                                     vorn::CurrentFetchSettings(), [&bytes](long, std::string_view data) {
                                         bytes += data.size();
                                         return true;
                                     });
        if (!outcome.complete) {
            std::cerr << url << ": " << outcome.error << '\n';
            return 1;
        }
        std::this_thread::sleep_for(pause);
    }
    std::cout << urls.size() << " pages, " << bytes << " bytes\n";
    return 0;
}
