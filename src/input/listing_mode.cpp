#include "input/listing_mode.h"

#include <istream>
#include <ostream>

int runListingMode(ControllerPort* port, std::ostream& out, std::istream& in,
                   const std::string& caption)
{
    out << caption << '\n' << std::flush;
    out << '\n' << std::flush;
    if (port != nullptr) {
        if (const auto info = port->openController("")) {
            out << "Found joystick:\n" << std::flush;
            out << "  Name: " << info->name << '\n' << std::flush;
            out << "  Number of axes: " << info->axisCount << '\n' << std::flush;
            out << "  Number of buttons: " << info->buttonCount << '\n' << std::flush;
        }
        port->closeController();
    }
    out << "\nPress enter to close console:\n" << std::flush;
    in.get();
    return 0;
}
