// Quorvane: a full-screen game launcher for arcade cabinets.
#include <cstdio>
#include <string>
#include <vector>

#include "core/startup.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    if (isHelpRequest(arguments)) {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    return runLauncher(joinCommandLine(arguments));
}
