#pragma once
// What the program keeps in its files, named once: the sections and keys of
// the data file, and where the data file and the history file live.
#include <string>

namespace tvx::store {

// Sections of the data file.
inline constexpr const char* kCommandSection = "Command";    // command name = location[|parameters]
inline constexpr const char* kTemplateSection = "Template";  // template name = command text
inline constexpr const char* kSettingsSection = "Settings";  // the launcher's switches, 0 or 1

// Keys of the settings section.
inline constexpr const char* kOskKey = "OSK";
inline constexpr const char* kHideCommandKey = "HideCommand";

// The data file beside the executable: its folder + "TVX.dat".
std::string DataFilePath(const std::string& executableFolder);
// The launcher's history beside the executable: its folder + "TVX.hist".
std::string HistoryFilePath(const std::string& executableFolder);

}  // namespace tvx::store
