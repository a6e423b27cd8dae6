#include <string>
#include <vector>

#include "app/cli/commands.h"

int main(int argc, char** argv) {
    return vorn::cli::RunCommandLine(std::vector<std::string>(argv + 1, argv + argc));
}
