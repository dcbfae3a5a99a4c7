// The manual's and XScreenSaver's text for the settings.
#include "tools/settings_text.hpp"

#include <vector>

#include "app/settings.hpp"

namespace pellwick {

namespace {

// A name as roff writes it: its hyphens escaped.
std::string roff(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '-') out += '\\';
        out += c;
    }
    return out;
}

// A number without "auto" is a slider, seconds a spin box, the seed a text field; words, or a number with
// "auto", a menu whose first entry (the default) adds no option.
std::string xscreensaverNumber(const SettingDef& d) {
    const std::string name = d.name, low = secondsText(d.least), high = secondsText(d.most);
    if (d.kind == SettingDef::Kind::Seconds) {
        return "  <number id=\"" + name + "\" type=\"spinbutton\" arg=\"--" + name + " %\"\n          _label=\"" + d.label +
               "\"\n          low=\"" + low + "\" high=\"" + high + "\" default=\"" + d.fallbackIn(USE_IN_WINDOW) + "\"/>\n";
    }
    return "  <number id=\"" + name + "\" type=\"slider\" arg=\"--" + name + " %\"\n          _label=\"" + d.label + "\" _low-label=\"" +
           low + "\" _high-label=\"" + high + "\"\n          low=\"" + low + "\" high=\"" + high + "\" default=\"" +
           d.fallbackIn(USE_IN_WINDOW) + "\"/>\n";
}

std::string xscreensaverMenu(const SettingDef& d) {
    const std::string name = d.name, label = d.label, fallback = d.fallbackIn(USE_IN_WINDOW);
    // The default first, since the entry without an option is the one the daemon starts from; auto last.
    std::vector<std::string> values = {fallback};
    for (const std::string& v : d.choices()) {
        if (v != fallback && v != "auto") values.push_back(v);
    }
    if (d.hasAuto && fallback != "auto") values.emplace_back("auto");
    // XScreenSaver reads no label on a select: each option carries its own.
    std::string out = "  <select id=\"" + name + "\">\n";
    for (const std::string& v : values) {
        out += "    <option id=\"" + name + "-" + v + "\" _label=\"" + label + ": " + v + "\"";
        if (&v != &values.front()) out += " arg-set=\"--" + name + " " + v + "\"";
        out += "/>\n";
    }
    return out + "  </select>\n";
}

std::string xscreensaverItem(const SettingDef& d) {
    if (d.kind == SettingDef::Kind::Seed) {
        return "  <string id=\"" + std::string(d.name) + "\" arg=\"--" + d.name + " %\"\n          _label=\"" + d.label + "\"/>\n";
    }
    if (d.kind == SettingDef::Kind::Words || d.hasAuto) return xscreensaverMenu(d);
    return xscreensaverNumber(d);
}

}  // namespace

std::string manSynopsis() {
    std::string out;
    for (const SettingDef& d : settingDefs()) {
        out += ".RB [ \\-\\-" + roff(d.name) + "\n";
        if (d.kind == SettingDef::Kind::Words) {
            std::string words;
            for (const char* w : d.words) {
                if (!words.empty()) words += " | ";
                words += w;
            }
            out += ".BR " + words + " ]\n";
        } else {
            out += ".IR " + std::string(d.placeholder()) + (d.hasAuto ? " | auto" : "") + " ]\n";
        }
    }
    return out;
}

std::string manOptions() {
    std::string out;
    for (const SettingDef& d : settingDefs()) {
        out += ".TP\n.BI \\-\\-" + roff(d.name) + " \" " + d.placeholder() + "\"\n";
        out += d.range() + " (default " + d.defaultText() + "): " + d.meaning;
        if (d.where() != "everywhere") out += "; " + d.where();
        out += ".\n";
    }
    return out;
}

std::string xscreensaverFile() {
    std::string out =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n\n"
        "<screensaver name=\"pellwick\" _label=\"Pellwick\">\n\n"
        "  <command arg=\"--root\"/>\n\n";
    for (const SettingDef& d : settingDefs()) {
        if (d.appliesTo(USE_IN_WINDOW)) out += xscreensaverItem(d) + "\n";
    }
    return out +
           "  <_description>\n"
           "501 walkers in four colour teams paint territory and fight along their borders; the black blots\n"
           "of the dead become new walls. The walkers spread from the top-left corner first; then a game\n"
           "starts, and a new one every so often. Each start plays games of its own unless a seed is given;\n"
           "the seed it drew is in XScreenSaver's log, so a run can be played again.\n"
           "  </_description>\n"
           "</screensaver>\n";
}

}  // namespace pellwick
