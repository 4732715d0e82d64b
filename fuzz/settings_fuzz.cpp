// The settings file: any file content, then one key written. A value reads
// back as written (quoted where its edges would otherwise be lost), every
// other key keeps its value, and a refused value leaves the file alone.
#include <cstdint>
#include <fstream>
#include <string>

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

void Check(FuzzedDataProvider& in) {
  const std::string path = ScratchDirectory() + "/settings.ini";
  const std::u32string section = TakeName(in), key = TakeName(in);
  const std::u32string otherSection = TakeName(in), otherKey = TakeName(in);
  const std::u32string value = TakeText(in, 64);
  {
    const std::string initial = in.ConsumeRemainingBytesAsString();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(initial.data(), static_cast<std::streamsize>(initial.size()));
  }
  const IniFile ini(path);
  const std::string before = FileBytes(path);
  const std::u32string otherBefore = ini.ReadString(otherSection, otherKey, U"\x1F");
  const std::error_code ec = ini.WriteString(section, key, Stored(value));
  if (value.find_first_of(U"\r\n") != std::u32string::npos) {
    Require(ec == std::errc::invalid_argument, "line break not refused");
    Require(FileBytes(path) == before, "refused write changed the file");
    return;
  }
  Require(!ec, "write failed");
  if (value.size() <= kMaxValue) {
    Require(ini.ReadString(section, key, U"\x1F") == value, "value does not read back");
  }
  const bool same = LowCaseUmlaut(section) == LowCaseUmlaut(otherSection) &&
                    LowCaseUmlaut(key) == LowCaseUmlaut(otherKey);
  if (!same) {
    Require(ini.ReadString(otherSection, otherKey, U"\x1F") == otherBefore,
            "another key changed");
  }
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return sonavex::fuzz::WithProvider(data, size, sonavex::fuzz::Check);
}
