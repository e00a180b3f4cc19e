// Quorvane: a full-screen game launcher for arcade cabinets.
#include <string>
#include <vector>

#include "core/startup.h"

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return runLauncher(joinCommandLine(arguments));
}
