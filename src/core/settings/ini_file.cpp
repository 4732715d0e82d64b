#include "core/settings/ini_file.h"

#include <cerrno>
#include <charconv>
#include <optional>
#include <vector>

#include "core/fs/fs_write.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::size_t kMaxValueLength = 1023;

std::u32string_view TrimEdges(std::u32string_view text) {
  while (!text.empty() && (text.front() == U' ' || text.front() == U'\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == U' ' || text.back() == U'\t' ||
                           text.back() == U'\r')) {
    text.remove_suffix(1);
  }
  return text;
}

bool SameName(std::u32string_view a, std::u32string_view b) {
  return LowCaseUmlaut(a) == LowCaseUmlaut(b);
}

// The lines of the file, each without its "\n"; a missing file has none.
// `ec` tells an existing file that could not be read from a missing one.
std::vector<std::u32string> ReadLines(const std::string& path,
                                      std::error_code& ec) {
  std::string bytes;
  ec = ReadWholeFile(path, bytes);
  if (ec == std::errc::no_such_file_or_directory) ec.clear();
  if (ec) return {};
  std::vector<std::u32string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) end = bytes.size();
    lines.push_back(DecodeUtf8(std::string_view(bytes).substr(start, end - start)));
    start = end + 1;
  }
  return lines;
}

std::vector<std::u32string> ReadLines(const std::string& path) {
  std::error_code ignored;
  return ReadLines(path, ignored);
}

// The section name of a "[name]" line.
std::optional<std::u32string_view> SectionOf(std::u32string_view line) {
  line = TrimEdges(line);
  if (line.size() < 2 || line.front() != U'[') return std::nullopt;
  const std::size_t close = line.find(U']');
  if (close == std::u32string_view::npos) return std::nullopt;
  return TrimEdges(line.substr(1, close - 1));
}

// The key of a "key=value" line.
std::optional<std::u32string_view> KeyOf(std::u32string_view line) {
  const std::size_t equals = line.find(U'=');
  if (equals == std::u32string_view::npos) return std::nullopt;
  return TrimEdges(line.substr(0, equals));
}

struct Position {
  std::optional<std::size_t> section;  // index of the "[section]" line
  std::optional<std::size_t> key;      // index of the "key=" line
  std::size_t insertAt = 0;            // after the section's last entry
};

Position Locate(const std::vector<std::u32string>& lines,
                std::u32string_view section, std::u32string_view key) {
  Position pos;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (const auto name = SectionOf(lines[i])) {
      if (pos.section) break;  // the next section begins
      if (SameName(*name, section)) pos.section = pos.insertAt = i;
      continue;
    }
    if (!pos.section) continue;
    const auto name = KeyOf(lines[i]);
    if (!name) continue;
    pos.insertAt = i;
    if (SameName(*name, key)) {
      pos.key = i;
      break;
    }
  }
  return pos;
}

std::u32string UnquoteValue(std::u32string_view value) {
  value = TrimEdges(value);
  if (value.size() >= 2 && (value.front() == U'"' || value.front() == U'\'') &&
      value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::u32string(value.substr(0, kMaxValueLength));
}

bool HasLineBreak(std::u32string_view text) {
  return text.find_first_of(U"\r\n") != std::u32string_view::npos;
}

// Puts "key=value" in place of the key's line, or after the section's last
// entry, or into a new section at the end.
void SetEntry(std::vector<std::u32string>& lines, const IniEntry& entry) {
  const Position pos = Locate(lines, entry.section, entry.key);
  std::u32string line = entry.key + U"=" + entry.value;
  if (pos.key) {
    lines[*pos.key] = std::move(line);
  } else if (pos.section) {
    lines.insert(lines.begin() + static_cast<long>(pos.insertAt) + 1, std::move(line));
  } else {
    lines.push_back(U"[" + entry.section + U"]");
    lines.push_back(std::move(line));
  }
}

std::string JoinLines(const std::vector<std::u32string>& lines) {
  std::string out;
  for (const std::u32string& line : lines) {
    out += EncodeUtf8(line);
    out += '\n';
  }
  return out;
}

}  // namespace

std::u32string IniFile::ReadString(std::u32string_view section,
                                   std::u32string_view key,
                                   std::u32string_view defaultValue) const {
  const std::vector<std::u32string> lines = ReadLines(path_);
  const Position pos = Locate(lines, section, key);
  if (!pos.key) return std::u32string(defaultValue);
  const std::u32string& line = lines[*pos.key];
  return UnquoteValue(std::u32string_view(line).substr(line.find(U'=') + 1));
}

long IniFile::ReadInteger(std::u32string_view section, std::u32string_view key,
                          long defaultValue) const {
  const std::string text = EncodeUtf8(ReadString(section, key, U""));
  long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  // "1x" is no number: a half-read value would switch an option on.
  if (ec != std::errc() || end != text.data() + text.size()) return defaultValue;
  return value;
}

bool IniFile::ReadBool(std::u32string_view section, std::u32string_view key,
                       bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::error_code IniFile::WriteString(std::u32string_view section,
                                     std::u32string_view key,
                                     std::u32string_view value) const {
  const IniEntry entry{std::u32string(section), std::u32string(key),
                       std::u32string(value)};
  return WriteStrings(std::span(&entry, 1));
}

std::error_code IniFile::WriteStrings(std::span<const IniEntry> entries) const {
  for (const IniEntry& entry : entries) {
    if (HasLineBreak(entry.section) || HasLineBreak(entry.key) ||
        HasLineBreak(entry.value)) {
      return {EINVAL, std::generic_category()};
    }
  }
  // Writing the new file over one that could not be read would lose every
  // other key in it.
  std::error_code ec;
  std::vector<std::u32string> lines = ReadLines(path_, ec);
  if (ec) return ec;
  for (const IniEntry& entry : entries) SetEntry(lines, entry);
  return ReplaceFileAtomically(path_, JoinLines(lines));
}

std::error_code IniFile::WriteInteger(std::u32string_view section,
                                      std::u32string_view key,
                                      long value) const {
  return WriteString(section, key, DecodeUtf8(std::to_string(value)));
}

std::error_code IniFile::WriteBool(std::u32string_view section,
                                   std::u32string_view key, bool value) const {
  return WriteString(section, key, value ? U"1" : U"0");
}

std::string SettingsPathForProgram(const std::string& programPath) {
  const std::string name = SplitPath(programPath).name;
  const std::size_t dot = name.rfind('.');
  if (dot == std::string::npos) return programPath + ".INI";
  return programPath.substr(0, programPath.size() - (name.size() - dot)) + ".INI";
}

}  // namespace sonavex
