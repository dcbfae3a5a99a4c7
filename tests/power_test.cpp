// The battery as UPower counts it, read from stand-in sysfs trees: a wireless mouse's battery is not the
// machine's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "hosts/power.hpp"

namespace pellwick {
namespace {

namespace fs = std::filesystem;

// A power_supply folder with these supplies, each a map of its files' first lines.
struct Supplies {
    fs::path root = fs::temp_directory_path() / ("pellwick-power-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    Supplies(const std::map<std::string, std::map<std::string, std::string>>& supplies) {
        fs::remove_all(root);
        for (const auto& [name, files] : supplies) {
            fs::create_directories(root / name);
            for (const auto& [file, line] : files) std::ofstream(root / name / file) << line << "\n";
        }
    }
    ~Supplies() { fs::remove_all(root); }
};

TEST(Power, OnlyTheSystemsOwnBatteryCounts) {
    const std::map<std::string, std::string> laptop = {{"type", "Battery"}, {"status", "Discharging"}};
    const std::map<std::string, std::string> mouse = {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}};
    const std::map<std::string, std::string> mainsOff = {{"type", "Mains"}, {"online", "0"}};
    const std::map<std::string, std::string> mainsOn = {{"type", "Mains"}, {"online", "1"}};
    EXPECT_TRUE(runsOnBattery(Supplies({{"BAT0", laptop}, {"AC", mainsOff}}).root));
    EXPECT_FALSE(runsOnBattery(Supplies({{"BAT0", laptop}, {"AC", mainsOn}}).root)) << "plugged in";
    EXPECT_FALSE(runsOnBattery(Supplies({{"hidpp_battery_0", mouse}}).root)) << "a desktop with a wireless mouse and no mains listed";
    EXPECT_FALSE(runsOnBattery(Supplies({{"hidpp_battery_0", mouse}, {"AC", mainsOff}}).root));
    EXPECT_TRUE(runsOnBattery(Supplies({{"hidpp_battery_0", mouse}, {"BAT1", {{"type", "Battery"}, {"scope", "System"}, {"status", "Discharging"}}}}).root));
    EXPECT_FALSE(runsOnBattery(Supplies({{"BAT0", {{"type", "Battery"}, {"status", "Charging"}}}}).root));
    EXPECT_FALSE(runsOnBattery(Supplies({{"ucsi-source-psy-USBC000:001", {{"type", "USB"}, {"online", "1"}}}, {"BAT0", laptop}}).root))
        << "powered through USB-C";
    EXPECT_FALSE(runsOnBattery(fs::temp_directory_path() / "pellwick-no-such-folder")) << "no supplies: a desktop";
}

}  // namespace
}  // namespace pellwick
