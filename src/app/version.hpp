// The program's version, as the build gives it (the project's version in CMakeLists.txt).
#pragma once

namespace pellwick {

/// The version, such as "1.00".
constexpr const char* VERSION = PELLWICK_VERSION;

}  // namespace pellwick
