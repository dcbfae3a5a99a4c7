// settings_text FORMAT: writes the settings, from their one definition, as a front end's file wants them:
//   man           the manual's options (roff), for pellwick(6);
//   xscreensaver  the sliders and menus of XScreenSaver's settings file, for the settings a hack in the
//                 daemon's window takes (a full-screen saver's monitors do not apply there).
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.hpp"

namespace {

using pellwick::SettingDef;

std::string manOption(const SettingDef& d) {
    std::string out = ".TP\n.BI \\-\\-";
    for (const char* c = d.name; *c != '\0'; ++c) {
        if (*c == '-') out += '\\';
        out += *c;
    }
    out += d.words.empty() ? " \" N\"\n" : " \" WORD\"\n";
    out += d.range();
    out += " (default ";
    out += d.fallback();
    out += "): ";
    out += d.meaning;
    out += ".\n";
    return out;
}

// A number without "auto" is a slider; words, or a number with "auto", a menu whose first entry (the
// default) adds no option.
std::string xscreensaverItem(const SettingDef& d) {
    const std::string name = d.name, label = d.label;
    if (d.words.empty() && !d.hasAuto) {
        return "  <number id=\"" + name + "\" type=\"slider\" arg=\"--" + name + " %\"\n          _label=\"" + label +
               "\" _low-label=\"" + std::to_string(d.least) + "\" _high-label=\"" + std::to_string(d.most) +
               "\"\n          low=\"" + std::to_string(d.least) + "\" high=\"" + std::to_string(d.most) + "\" default=\"" +
               d.fallback() + "\"/>\n";
    }
    // The default first, since the entry without an option is the one the daemon starts from; auto last.
    std::vector<std::string> values = {d.fallback()};
    for (const std::string& v : d.choices()) {
        if (v != d.fallback() && v != "auto") values.push_back(v);
    }
    if (d.hasAuto && d.fallback() != "auto") values.emplace_back("auto");
    // XScreenSaver reads no label on a select: each option carries its own.
    std::string out = "  <select id=\"" + name + "\">\n";
    for (const std::string& v : values) {
        out += "    <option id=\"";
        out += name;
        out += "-";
        out += v;
        out += "\" _label=\"";
        out += label;
        out += ": ";
        out += v;
        out += "\"";
        if (&v != &values.front()) {
            out += " arg-set=\"--";
            out += name;
            out += " ";
            out += v;
            out += "\"";
        }
        out += "/>\n";
    }
    out += "  </select>\n";
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string format = argc == 2 ? argv[1] : "";
    if (format != "man" && format != "xscreensaver") {
        std::fprintf(stderr, "usage: settings_text man|xscreensaver\n");
        return 2;
    }
    std::string out;
    for (const SettingDef& d : pellwick::settingDefs()) {
        if (format == "man") out += manOption(d);
        if (format == "xscreensaver" && std::string(d.name) != "monitors") out += xscreensaverItem(d) + "\n";
    }
    return std::fputs(out.c_str(), stdout) < 0 ? 1 : 0;
}
