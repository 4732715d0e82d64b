#pragma once
// eyeD3 as an outside reader of the ID3v2 tags the program writes.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "support/test_support.h"

namespace sonavex::test {

// What eyeD3 shows for `key` ("title", "artist", "album") of the file's ID3v2
// tag: "(none)" when it shows nothing, no value at all when eyeD3 is not
// installed.
inline std::optional<std::string> EyeD3Field(const std::string& path, const std::string& key) {
  static const bool present = std::system("command -v eyeD3 >/dev/null 2>&1") == 0;
  if (!present) return std::nullopt;
  const std::string command = "eyeD3 -2 --no-color " + ShellQuote(path) + " 2>/dev/null";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string output;
  char buffer[4096];
  while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) output += buffer;
  const std::string label = key + ": ";
  std::size_t at = output.find(label);
  // "album artist:" also ends in "artist: ".
  while (at != std::string::npos && at > 0 && output[at - 1] != '\n' && output[at - 1] != '\t') {
    at = output.find(label, at + 1);
  }
  if (at == std::string::npos) return std::string("(none)");
  const std::size_t start = at + label.size();
  return output.substr(start, output.find_first_of("\t\n", start) - start);
}

}  // namespace sonavex::test
