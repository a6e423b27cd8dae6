#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vorn::site {

// One answer of the sample site's content: what the server sends for a path and query.
struct SiteResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    // Faults the server acts out instead of a plain answer.
    //   CutOff: the headers announce the whole body, only its first half is sent (nothing when the
    //           body is empty, which then announces one byte), then the connection closes.
    //   DropConnection: the connection closes before anything of the answer is sent.
    //   Hang: no answer at all until the client gives up or the server stops.
    enum class Fault { None, CutOff, DropConnection, Hang } fault = Fault::None;

    // Further header lines, e.g. {"Location", "https://127.0.0.1:4433/next"} for a redirect.
    std::vector<std::pair<std::string, std::string>> headers;
    // The answer starts only after this pause (cut short when the server stops).
    std::chrono::milliseconds delay{0};
    // When set, the body goes out one byte at a time with this pause before each byte.
    std::chrono::milliseconds dripInterval{0};
};

} // namespace vorn::site
