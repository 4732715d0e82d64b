#pragma once
// The settings file: one key at a time, nothing cached. Every call opens the
// file anew.
//
// Reading: section and key names ignore letter case; the value loses its
// surrounding blanks and then one enclosing pair of matching quotes (' or
// "), and is cut to 1023 characters; a missing key gives the default.
// Writing: creates the file, the section and the key as needed and keeps
// every other line as it was. The new file replaces the old one atomically.
// A value holding a line break is refused, since it would break the file.
#include <span>
#include <string>
#include <system_error>

namespace sonavex {

// One key of one section with the text to store under it.
struct IniEntry {
  std::u32string section;
  std::u32string key;
  std::u32string value;
};

class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& path() const { return path_; }

  std::u32string ReadString(std::u32string_view section,
                            std::u32string_view key,
                            std::u32string_view defaultValue) const;
  // A decimal integer, or `defaultValue` when the key is missing, empty or
  // not a number.
  long ReadInteger(std::u32string_view section, std::u32string_view key,
                   long defaultValue) const;
  // Non-zero integer = true.
  bool ReadBool(std::u32string_view section, std::u32string_view key,
                bool defaultValue) const;

  // Returns an error (EINVAL for a value with a line break); the caller
  // reports SettingsWriteFailedText(path).
  std::error_code WriteString(std::u32string_view section,
                              std::u32string_view key,
                              std::u32string_view value) const;
  // Writes all `entries`, in their order, in one replacement of the file:
  // afterwards the file holds either all of them or, after a failure, none.
  std::error_code WriteStrings(std::span<const IniEntry> entries) const;
  std::error_code WriteInteger(std::u32string_view section,
                               std::u32string_view key, long value) const;
  std::error_code WriteBool(std::u32string_view section,
                            std::u32string_view key, bool value) const;

 private:
  std::string path_;
};

// The settings file of a program at `programPath`: its extension (from the
// last "." after the last "/") replaced by ".INI", or ".INI" appended.
std::string SettingsPathForProgram(const std::string& programPath);

}  // namespace sonavex
