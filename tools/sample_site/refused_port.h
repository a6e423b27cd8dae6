#pragma once

namespace vorn::site {

// A port on 127.0.0.1 that refuses every connection: bound for the life of the process and never
// listening, so no other program can take it in the meantime.
int RefusedLoopbackPort();

} // namespace vorn::site
