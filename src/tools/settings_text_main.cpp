// settings_text FORMAT: writes the settings, from their one definition, as a front end's file wants them:
//   man-synopsis  the manual's synopsis lines (roff), for pellwick(6);
//   man           the manual's options (roff);
//   xscreensaver  XScreenSaver's whole settings file for the hack.
#include <cstdio>
#include <string>

#include "tools/settings_text.hpp"

int main(int argc, char** argv) {
    const std::string format = argc == 2 ? argv[1] : "";
    std::string out;
    if (format == "man-synopsis") out = pellwick::manSynopsis();
    if (format == "man") out = pellwick::manOptions();
    if (format == "xscreensaver") out = pellwick::xscreensaverFile();
    if (out.empty()) {
        std::fprintf(stderr, "usage: settings_text man-synopsis|man|xscreensaver\n");
        return 2;
    }
    return std::fputs(out.c_str(), stdout) < 0 ? 1 : 0;
}
