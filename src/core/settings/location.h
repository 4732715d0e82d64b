#pragma once
#include <string>

namespace sonavex {

// The file that the build writes beside the programs it builds (and that is
// never installed): programs that find it beside them run from a build tree.
inline constexpr const char* kBuildTreeMarker = ".mp3sonavex-build-tree";

// The settings file of the window program at `programPath`: beside the
// program when it runs from a build tree whose directory is writable,
// otherwise $XDG_CONFIG_HOME/mp3sonavex/mp3sonavex.INI (default
// ~/.config/...), as for an installed program. Nothing is created.
std::string DefaultSettingsPath(const std::string& programPath);

// Creates the directory of the settings file below the configuration
// directory when it is missing, so that the first write can succeed.
void CreateSettingsDirectory(const std::string& settingsPath);

// The absolute path of the running program (/proc/self/exe).
std::string RunningProgramPath();

}  // namespace sonavex
