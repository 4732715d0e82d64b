#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "core/settings/location.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

using test::TempDir;

// Sets or (for nullptr) removes an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A program in a writable directory keeps its settings beside it only when
// the build left its marker there; an install into a writable prefix (as
// root, or into ~/.local) must not put them into bin/.
TEST(DefaultSettingsPath, BesideTheProgramOnlyInTheBuildTree) {
  struct Case {
    const char* name;
    bool marker;
    const char* xdgConfigHome;
    const char* expected;  // "@" stands for the program's directory
  };
  const Case cases[] = {
      {"build tree", true, "/cfg", "@/mp3sonavex.INI"},
      {"installed", false, "/cfg", "/cfg/mp3sonavex/mp3sonavex.INI"},
      {"installed, no XDG_CONFIG_HOME", false, nullptr,
       "/home/u/.config/mp3sonavex/mp3sonavex.INI"},
      {"installed, empty XDG_CONFIG_HOME", false, "",
       "/home/u/.config/mp3sonavex/mp3sonavex.INI"},
      {"installed, relative XDG_CONFIG_HOME", false, "cfg",
       "/home/u/.config/mp3sonavex/mp3sonavex.INI"},
  };
  const ScopedEnv home("HOME", "/home/u");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string bin = dir / "bin";
    test::WriteFile(bin + "/mp3sonavex", "");
    if (c.marker) test::WriteFile(bin + "/" + kBuildTreeMarker, "");
    const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdgConfigHome);
    std::string expected = c.expected;
    if (expected[0] == '@') expected.replace(0, 1, bin);
    EXPECT_EQ(DefaultSettingsPath(bin + "/mp3sonavex"), expected);
  }
}

// A build tree that the user may not write into (someone else's build)
// cannot hold the user's settings.
TEST(DefaultSettingsPath, UnwritableBuildTreeUsesTheConfigurationDirectory) {
  TempDir dir;
  const std::string bin = dir / "bin";
  test::WriteFile(bin + "/" + kBuildTreeMarker, "");
  const ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
  chmod(dir.path().c_str(), 0755);
  chmod(bin.c_str(), 0555);
  const std::optional<bool> elsewhere = test::CheckUnprivileged(dir.path(), [&] {
    return DefaultSettingsPath(bin + "/mp3sonavex") == "/cfg/mp3sonavex/mp3sonavex.INI";
  });
  chmod(bin.c_str(), 0755);
  if (!elsewhere) GTEST_SKIP() << "an unprivileged user cannot enter " << dir.path();
  EXPECT_TRUE(*elsewhere);
}

}  // namespace
}  // namespace sonavex
