#include <string>
#include <vector>

#include <malloc.h>

#include "app/cli/commands.h"

int main(int argc, char** argv) {
    // A run allocates and frees a page's worth of memory for every listing. Left to its defaults,
    // the allocator hands that back to the system after each page and takes it again for the
    // next, a few hundred page faults every time; the heap stays a few megabytes either way.
    mallopt(M_TRIM_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
    return vorn::cli::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
