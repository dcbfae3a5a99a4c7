// Whether a Linux machine runs on battery power, as the kernel's power supplies say.
#pragma once

#include <filesystem>

namespace pellwick {

/// Whether the power supplies under root (laid out as /sys/class/power_supply) say the machine runs on its
/// battery, as UPower counts: some battery of the system (scope System, or none given) discharges and no
/// mains or USB supply is online. A device's own battery (scope Device: a wireless mouse, keyboard or
/// headset) powers only that device, and counts for nothing.
bool runsOnBattery(const std::filesystem::path& root);

/// runsOnBattery for /sys/class/power_supply (PELLWICK_POWER_SUPPLY names another folder of the same layout,
/// for tests), read at most once every few seconds; false on a machine without a battery.
bool onBatteryPower();

}  // namespace pellwick
