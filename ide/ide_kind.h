#pragma once
// The IDE versions a setup can target (their catalogue is ide/catalogue.h).
#include <cstdint>

namespace setupkit {

// In the order of lib/ide_table.h, which says what each one is.
enum class IdeKind : std::uint8_t { D2, C1, D3, C3, D4, C4, D5 };

namespace driver {
// The IDE the run targets, set once at start-up with the other shared values
// (lib/driver_state.h).
inline setupkit::IdeKind IdeKind = setupkit::IdeKind::D4;
} // namespace driver

} // namespace setupkit
