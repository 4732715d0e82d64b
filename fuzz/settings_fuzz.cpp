// The settings file: any file content, then one or two keys written at once. A value reads
// back as written (quoted where its edges would otherwise be lost), every
// other key keeps its value, and a refused value leaves the file alone.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "core/fs/fs.h"
#include "core/settings/ini_file.h"
#include "core/text/case.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {
namespace {

constexpr std::size_t kMaxValue = 1023;

// A section or key name as the program uses them: no line break, no blanks
// at its edges, nothing the line syntax gives a meaning ("=", brackets).
std::u32string TakeName(FuzzedDataProvider& in) {
  std::u32string name = TakeTextWithout(in, 12, "\r\n=[] \t");
  return name.empty() ? U"k" : name;
}

bool IsBlank(char32_t c) { return c == U' ' || c == U'\t'; }

// The text stored for `value`: enclosed in quotes when its edges are blanks
// or quotes, as the program stores texts that may have them.
std::u32string Stored(const std::u32string& value) {
  const bool edges = !value.empty() && (IsBlank(value.front()) || IsBlank(value.back()) ||
                                        value.front() == U'"' || value.front() == U'\'');
  return edges ? U"\"" + value + U"\"" : value;
}

std::string FileBytes(const std::string& path) {
  std::string bytes;
  ReadWholeFile(path, bytes);
  return bytes;
}

bool SameEntry(const IniEntry& a, std::u32string_view section, std::u32string_view key) {
  return LowCaseUmlaut(a.section) == LowCaseUmlaut(section) &&
         LowCaseUmlaut(a.key) == LowCaseUmlaut(key);
}

bool HasLineBreak(const std::u32string& text) {
  return text.find_first_of(U"\r\n") != std::u32string::npos;
}

// Each entry that no later one of the same name replaces reads back.
void CheckWritten(const IniFile& ini, const std::vector<IniEntry>& entries,
                  const std::vector<std::u32string>& values) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bool replaced = false;
    for (std::size_t j = i + 1; j < entries.size(); ++j) {
      replaced = replaced || SameEntry(entries[j], entries[i].section, entries[i].key);
    }
    if (replaced || values[i].size() > kMaxValue) continue;
    Require(ini.ReadString(entries[i].section, entries[i].key, U"\x1F") == values[i],
            "value does not read back");
  }
}

void Check(FuzzedDataProvider& in) {
  const std::string path = ScratchDirectory() + "/settings.ini";
  std::vector<IniEntry> entries;
  std::vector<std::u32string> values;
  entries.push_back({TakeName(in), TakeName(in), {}});
  const std::u32string otherSection = TakeName(in), otherKey = TakeName(in);
  values.push_back(TakeText(in, 64));
  if (in.ConsumeBool()) {
    entries.push_back({TakeName(in), TakeName(in), {}});
    values.push_back(TakeText(in, 64));
  }
  bool lineBreak = false;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i].value = Stored(values[i]);
    lineBreak = lineBreak || HasLineBreak(values[i]);
  }
  {
    const std::string initial = in.ConsumeRemainingBytesAsString();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(initial.data(), static_cast<std::streamsize>(initial.size()));
  }
  const IniFile ini(path);
  const std::string before = FileBytes(path);
  const std::u32string otherBefore = ini.ReadString(otherSection, otherKey, U"\x1F");
  const std::error_code ec = ini.WriteStrings(entries);
  if (lineBreak) {
    Require(ec == std::errc::invalid_argument, "line break not refused");
    Require(FileBytes(path) == before, "refused write changed the file");
    return;
  }
  Require(!ec, "write failed");
  CheckWritten(ini, entries, values);
  for (const IniEntry& entry : entries) {
    if (SameEntry(entry, otherSection, otherKey)) return;
  }
  Require(ini.ReadString(otherSection, otherKey, U"\x1F") == otherBefore,
          "another key changed");
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return sonavex::fuzz::WithProvider(data, size, sonavex::fuzz::Check);
}
