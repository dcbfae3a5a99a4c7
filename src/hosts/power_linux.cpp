// Reading the power supplies from sysfs, a few seconds apart.
#include "hosts/power.hpp"

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/cadence.hpp"

namespace pellwick {

namespace {

constexpr std::int64_t READ_EVERY_US = 5'000'000;

std::string firstLine(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

bool runsOnBattery(const std::filesystem::path& root) {
    std::error_code error;
    bool discharging = false;
    for (const auto& supply : std::filesystem::directory_iterator(root, error)) {
        const std::string type = firstLine(supply.path() / "type");
        if ((type == "Mains" || type == "USB") && firstLine(supply.path() / "online") == "1") return false;
        const std::string scope = firstLine(supply.path() / "scope");
        const bool system = scope.empty() || scope == "System";
        if (type == "Battery" && system && firstLine(supply.path() / "status") == "Discharging") discharging = true;
    }
    return discharging;
}

namespace {

bool readSupplies() {
    const char* given = std::getenv("PELLWICK_POWER_SUPPLY");
    return runsOnBattery(given != nullptr ? given : "/sys/class/power_supply");
}

}  // namespace

bool onBatteryPower() {
    static std::int64_t readAt = 0;
    static bool battery = false;
    const std::int64_t now = nowUs();
    if (readAt == 0 || now - readAt >= READ_EVERY_US) {
        battery = readSupplies();
        readAt = now;
    }
    return battery;
}

}  // namespace pellwick
