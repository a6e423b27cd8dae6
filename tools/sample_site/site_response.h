#pragma once

#include <optional>
#include <string>

namespace vorn::site {

// One answer of the sample site's content: what the server sends for a path and query.
struct SiteResponse {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    // Faults the server acts out instead of a plain answer.
    enum class Fault { None, CutOff, DropConnection } fault = Fault::None;
};

} // namespace vorn::site
