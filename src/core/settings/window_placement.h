#pragma once
// Where the main window stands, as the settings file keeps it (section
// "Pos": X, Y, Xl, Yl).
#include <system_error>

namespace sonavex {

class IniFile;
class Reporter;

struct WindowPlacement {
  int x = 30;
  int y = 42;
  int width = 604;
  int height = 423;
};

// A missing or empty key gets its default, which is written back at once;
// after a failed write (reported once) no more are tried. A key that is no
// whole number gets its default and an error message naming it.
WindowPlacement LoadWindowPlacement(const IniFile& ini, Reporter& reporter);

// Writes X, Y, Xl, Yl one after the other; the first failure ends it.
std::error_code StoreWindowPlacement(const IniFile& ini, const WindowPlacement& placement);

}  // namespace sonavex
