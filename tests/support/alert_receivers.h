#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include <sys/types.h>

#include "tests/support/test_program_dir.h"

namespace vorn::test {

// An HTTPS webhook and an SMTP server requiring STARTTLS and a login, both on 127.0.0.1 with the
// sample site's certificate (trusted through its CA file), in a Python process of their own from
// construction to destruction. A webhook path under /fail answers 500.
class AlertReceivers {
public:
    AlertReceivers(const std::string& user, const std::string& password);
    ~AlertReceivers();
    AlertReceivers(const AlertReceivers&) = delete;
    AlertReceivers& operator=(const AlertReceivers&) = delete;

    static std::filesystem::path CaFile();
    // https://127.0.0.1:PORT/ followed by path.
    std::string WebhookUrl(const std::string& path) const;
    // smtp://127.0.0.1:PORT
    std::string SmtpUrl() const;
    // What arrived, oldest first: for "webhook" its path, a line feed and its JSON body indented
    // (or "not JSON: " and the body); for "mail" the recipients, the decoded subject and the text;
    // for "line", what came to the stand-in for LINE's API at WebhookUrl("") (alert_receivers.py).
    std::vector<std::string> Received(const std::string& kind) const;

private:
    TempDir inbox_;
    pid_t pid_ = -1;
    int webhookPort_ = 0;
    int smtpPort_ = 0;
};

} // namespace vorn::test
