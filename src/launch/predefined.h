#pragma once
// The built-in table of ready-made commands: Windows tools, settings pages,
// power actions and special folders.
#include <array>

namespace tvx::launch {

// One row: the command name to store, a description shown only in the
// dialog's grid, and the location and parameters of the stored value.
struct TPCA {
  const char* name;
  const char* caption;
  const char* location;
  const char* parameters;
};

inline constexpr int kPredefinedCount = 75;

// The rows in table order (tools first, then the special folders).
extern const std::array<TPCA, kPredefinedCount> kPredefinedCommands;

}  // namespace tvx::launch
