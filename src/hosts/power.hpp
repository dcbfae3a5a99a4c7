// Whether a Linux machine runs on battery power, as the kernel's power supplies say.
#pragma once

namespace pellwick {

/// True when some battery discharges and no mains or USB supply is online, read from
/// /sys/class/power_supply (PELLWICK_POWER_SUPPLY names another folder of the same layout, for tests) at
/// most once every few seconds; false on a machine without a battery.
bool onBatteryPower();

}  // namespace pellwick
