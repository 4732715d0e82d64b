#pragma once
#include <string>

namespace sonavex {

// The settings file of the window program at `programPath`: beside the
// program while its directory is writable (a build tree, a portable copy),
// otherwise $XDG_CONFIG_HOME/mp3sonavex/mp3sonavex.INI (default
// ~/.config/...). Nothing is created.
std::string DefaultSettingsPath(const std::string& programPath);

// Creates the directory of the settings file below the configuration
// directory when it is missing, so that the first write can succeed.
void CreateSettingsDirectory(const std::string& settingsPath);

// The absolute path of the running program (/proc/self/exe).
std::string RunningProgramPath();

}  // namespace sonavex
