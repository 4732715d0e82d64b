#pragma once
// The switches of the menu "Optionen" as the settings file keeps them
// (section "Optionen"). The window shows them; the command line reads the
// ones that change what it does.
#include <system_error>

namespace sonavex {

class IniFile;

// "Vorschau": whether a plan is shown before it runs; missing reads as off.
bool LoadPreviewOption(const IniFile& ini);
std::error_code StorePreviewOption(const IniFile& ini, bool on);

// "TagBeimLesen": whether reading an untagged MP3 file (the info grid, the
// status bar, the export) gives it its empty tag; missing reads as on.
bool LoadTagOnReadOption(const IniFile& ini);
std::error_code StoreTagOnReadOption(const IniFile& ini, bool on);

// "ID3v2": whether tag writes keep the ID3v2 tag in step with the ID3v1
// tag ("&ID3v2 mitführen"); missing reads as on.
bool LoadId3v2Option(const IniFile& ini);
std::error_code StoreId3v2Option(const IniFile& ini, bool on);

}  // namespace sonavex
