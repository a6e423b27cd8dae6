#include "tests/support/alert_receivers.h"

#include <chrono>
#include <csignal>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace vorn::test {

namespace fs = std::filesystem;

AlertReceivers::AlertReceivers(const std::string& user, const std::string& password) {
    const std::string certs = CaFile().parent_path().string();
    std::vector<std::string> texts{"/usr/bin/python3", VORN_ALERT_RECEIVERS_SCRIPT, inbox_.path().string()};
    texts.insert(texts.end(), {certs + "/server.crt", certs + "/server.key", user, password});
    std::vector<char*> argv;
    for (std::string& text : texts) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        throw std::runtime_error("cannot start the alert receivers");
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!(std::ifstream(inbox_.path() / "ports") >> webhookPort_ >> smtpPort_)) {
        if (std::chrono::steady_clock::now() > deadline || ::waitpid(pid_, nullptr, WNOHANG) != 0) {
            throw std::runtime_error("the alert receivers did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

AlertReceivers::~AlertReceivers() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

fs::path AlertReceivers::CaFile() { return fs::path(VORN_SAMPLE_CERT_DIR) / "ca.crt"; }

std::string AlertReceivers::WebhookUrl(const std::string& path) const {
    return "https://127.0.0.1:" + std::to_string(webhookPort_) + "/" + path;
}

std::string AlertReceivers::SmtpUrl() const { return "smtp://127.0.0.1:" + std::to_string(smtpPort_); }

std::vector<std::string> AlertReceivers::Received(const std::string& kind) const {
    std::vector<std::string> texts;
    for (fs::path file; fs::exists(file = inbox_.path() / (kind + "-" + std::to_string(texts.size() + 1) + ".txt"));) {
        std::ifstream in(file, std::ios::binary);
        texts.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return texts;
}

} // namespace vorn::test
