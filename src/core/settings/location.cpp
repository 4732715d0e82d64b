#include "core/settings/location.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "core/fs/fs.h"
#include "core/settings/ini_file.h"

namespace sonavex {
namespace {

bool RunsFromBuildTree(const std::string& directory) {
  const std::string marker = directory + "/" + kBuildTreeMarker;
  return access(marker.c_str(), F_OK) == 0 && access(directory.c_str(), W_OK) == 0;
}

// A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory
// rules ask.
std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config";
}

}  // namespace

std::string DefaultSettingsPath(const std::string& programPath) {
  if (RunsFromBuildTree(SplitPath(programPath).directory)) {
    return SettingsPathForProgram(programPath);
  }
  return ConfigHome() + "/mp3sonavex/mp3sonavex.INI";
}

void CreateSettingsDirectory(const std::string& settingsPath) {
  const std::string directory = SplitPath(settingsPath).directory;
  mkdir(SplitPath(directory).directory.c_str(), 0700);
  mkdir(directory.c_str(), 0700);
}

std::string RunningProgramPath() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace sonavex
