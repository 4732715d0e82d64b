#include "core/settings/window_placement.h"

#include <charconv>
#include <string>
#include <string_view>
#include <utility>

#include "core/report/reporter.h"
#include "core/settings/ini_file.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kPos = U"Pos";

bool ParseDecimal(std::u32string_view text, int& out) {
  const std::string bytes = EncodeUtf8(text);
  const char* end = bytes.data() + bytes.size();
  const auto [stop, error] = std::from_chars(bytes.data(), end, out);
  return error == std::errc() && stop == end;
}

std::u32string Decimal(int value) { return DecodeUtf8(std::to_string(value)); }

// Reads the keys one by one; one message about an unwritable settings
// file is enough at start-up.
class PlacementReader {
 public:
  PlacementReader(const IniFile& ini, Reporter& reporter) : ini_(ini), reporter_(reporter) {}

  void Read(std::u32string_view key, int& value) {
    const std::u32string text = ini_.ReadString(kPos, key, U"");
    int number = 0;
    if (text.empty()) {
      WriteBack(key, value);
    } else if (ParseDecimal(text, number)) {
      value = number;
    } else {
      reporter_.Report(MessageKind::Error, U"\"" + text + U"\" ist keine ganze Zahl (" +
                                               std::u32string(kPos) + U"/" +
                                               std::u32string(key) + U")");
    }
  }

 private:
  void WriteBack(std::u32string_view key, int value) {
    if (writeFailed_ || !ini_.WriteString(kPos, key, Decimal(value))) return;
    writeFailed_ = true;
    reporter_.Report(MessageKind::Error, SettingsWriteFailedText(DecodeUtf8(ini_.path())));
  }

  const IniFile& ini_;
  Reporter& reporter_;
  bool writeFailed_ = false;
};

}  // namespace

WindowPlacement LoadWindowPlacement(const IniFile& ini, Reporter& reporter) {
  WindowPlacement placement;
  PlacementReader reader(ini, reporter);
  reader.Read(U"X", placement.x);
  reader.Read(U"Y", placement.y);
  reader.Read(U"Xl", placement.width);
  reader.Read(U"Yl", placement.height);
  return placement;
}

std::error_code StoreWindowPlacement(const IniFile& ini, const WindowPlacement& placement) {
  const std::pair<std::u32string_view, int> keys[] = {
      {U"X", placement.x}, {U"Y", placement.y},
      {U"Xl", placement.width}, {U"Yl", placement.height}};
  for (const auto& [key, value] : keys) {
    if (std::error_code ec = ini.WriteString(kPos, key, Decimal(value))) return ec;
  }
  return {};
}

}  // namespace sonavex
