#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <utility>

#include "core/ops/name_parts.h"
#include "core/ops/tag_ops.h"

namespace sonavex {
namespace {

constexpr std::u32string_view kSeparator = U" - ";
constexpr std::size_t kMp3ExtensionLength = 4;  // ".mp3"

std::u32string TrimEdges(std::u32string_view text) {
  const std::size_t first = text.find_first_not_of(U' ');
  if (first == std::u32string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(U' ');
  return std::u32string(text.substr(first, last - first + 1));
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

std::u32string_view WithoutMp3Extension(std::u32string_view name) {
  return name.substr(0, name.size() - std::min(name.size(), kMp3ExtensionLength));
}

std::u32string PartOf(std::span<const std::u32string> parts, int k) {
  if (k < 1 || static_cast<std::size_t>(k) > parts.size()) return {};
  return parts[static_cast<std::size_t>(k) - 1];
}

// Where the text sources of the three fields come from.
enum class From { Name, PartOfTwo, PartOfThree, DirectoryLevel, Nothing };
struct Source {
  From from;
  int k;  // the part or the directory level
};

constexpr std::array<Source, kTitelSourceCount> kTitelSources = {{
    {From::Name, 0},
    {From::PartOfTwo, 2},    // Interpret - Titel
    {From::PartOfTwo, 1},    // Titel - Interpret
    {From::PartOfThree, 3},  // Album - Interpret - Titel
    {From::PartOfThree, 1},  // Titel - Interpret - Album
    {From::PartOfThree, 2},  // Interpret - Titel - Album
    {From::PartOfThree, 2},  // Album - Titel - Interpret
    {From::PartOfThree, 1},  // Titel - Album - Interpret
    {From::PartOfThree, 3},  // Interpret - Album - Titel
    {From::Nothing, 0},
}};

constexpr std::array<Source, kInterpretSourceCount> kInterpretSources = {{
    {From::PartOfTwo, 1},    // Interpret - Titel
    {From::PartOfTwo, 2},    // Titel - Interpret
    {From::PartOfThree, 2},  // Album - Interpret - Titel
    {From::PartOfThree, 2},  // Titel - Interpret - Album
    {From::PartOfThree, 1},  // Interpret - Titel - Album
    {From::PartOfThree, 3},  // Album - Titel - Interpret
    {From::PartOfThree, 3},  // Titel - Album - Interpret
    {From::PartOfThree, 1},  // Interpret - Album - Titel
    {From::DirectoryLevel, 0},
    {From::DirectoryLevel, 1},
    {From::DirectoryLevel, 2},
    {From::Nothing, 0},
}};

constexpr std::array<Source, kAlbumSourceCount> kAlbumSources = {{
    {From::PartOfThree, 1},  // Album - Interpret - Titel
    {From::PartOfThree, 3},  // Titel - Interpret - Album
    {From::PartOfThree, 3},  // Interpret - Titel - Album
    {From::PartOfThree, 1},  // Album - Titel - Interpret
    {From::PartOfThree, 2},  // Titel - Album - Interpret
    {From::PartOfThree, 2},  // Interpret - Album - Titel
    {From::DirectoryLevel, 0},
    {From::DirectoryLevel, 1},
    {From::DirectoryLevel, 2},
    {From::Nothing, 0},
}};

std::u32string SourceText(Source source, std::u32string_view fileName,
                          std::u32string_view directory) {
  switch (source.from) {
    case From::Name:
      return StripTrackNumber(NameWithoutExtension(fileName));
    case From::PartOfTwo:
      return StripTrackNumber(SplitNameTwo(fileName, source.k));
    case From::PartOfThree:
      return StripTrackNumber(SplitNameThree(fileName, source.k));
    case From::DirectoryLevel:
      return StripTrackNumber(DirectoryLevelName(directory, source.k));
    case From::Nothing:
      break;
  }
  return {};
}

// Whether the field is written: checked, with a typed text or an entry of
// its list of `entries`.
bool HasSource(const TagSource& field, std::size_t entries) {
  return field.enabled &&
         (field.index == -1 ||
          (field.index >= 0 && static_cast<std::size_t>(field.index) < entries));
}

// The field's new text; none when it has no source (the field then keeps
// its content).
std::optional<std::u32string> FieldText(const TagSource& field,
                                        std::span<const Source> sources,
                                        std::u32string_view fileName,
                                        std::u32string_view directory) {
  if (!HasSource(field, sources.size())) return std::nullopt;
  if (field.index == -1) return field.text;
  return SourceText(sources[static_cast<std::size_t>(field.index)], fileName,
                    directory);
}

}  // namespace

std::u32string NameWithoutExtension(std::u32string_view name) {
  return std::u32string(name.substr(0, name.rfind(U'.')));
}

std::u32string StripTrackNumber(std::u32string_view text) {
  if (text.size() > 3 && IsDigit(text[0]) && IsDigit(text[1]) && text[2] == U' ') {
    return std::u32string(text.substr(3));
  }
  return std::u32string(text);
}

std::u32string SplitNameTwo(std::u32string_view name, int k) {
  const std::u32string_view s = WithoutMp3Extension(name);
  const std::size_t a = s.find(kSeparator);
  std::array<std::u32string, 2> parts;
  if (a != std::u32string_view::npos && a > 0) {
    parts = {TrimEdges(s.substr(0, a)), TrimEdges(s.substr(a + kSeparator.size()))};
  } else {
    parts = {std::u32string(), TrimEdges(s)};
  }
  if (parts[0].empty()) std::swap(parts[0], parts[1]);
  return PartOf(parts, k);
}

std::u32string SplitNameThree(std::u32string_view name, int k) {
  const std::u32string_view s = WithoutMp3Extension(name);
  std::array<std::u32string, 3> parts;
  std::size_t c = 0;
  const std::size_t a = s.find(kSeparator);
  if (a != std::u32string_view::npos && a > 0) {
    parts[0] = TrimEdges(s.substr(0, a));
    c = a + kSeparator.size();
  }
  const std::size_t b = s.find(kSeparator, c);
  if (b != std::u32string_view::npos && b > c) {
    parts[1] = TrimEdges(s.substr(c, b - c));
    c = b + kSeparator.size();
  }
  parts[2] = TrimEdges(s.substr(c));
  if (parts[1].empty()) std::swap(parts[1], parts[2]);
  if (parts[0].empty()) {
    std::swap(parts[0], parts[1]);
    std::swap(parts[1], parts[2]);
  }
  return PartOf(parts, k);
}

std::u32string DirectoryLevelName(std::u32string_view directory, int level) {
  if (level < 0) return {};
  std::size_t end = directory.size();
  for (int step = 0;; ++step) {
    // Every level needs a separator before it; the walk stops at the start.
    const std::size_t slash =
        end == 0 ? std::u32string_view::npos : directory.rfind(U'/', end - 1);
    if (slash == std::u32string_view::npos) return {};
    if (step == level) return std::u32string(directory.substr(slash + 1, end - slash - 1));
    end = slash;
  }
}

TagTexts TagFromName(std::u32string_view fileName, std::u32string_view directory,
                     const TagFromNameParams& params) {
  return {FieldText(params.titel, kTitelSources, fileName, directory),
          FieldText(params.interpret, kInterpretSources, fileName, directory),
          FieldText(params.album, kAlbumSources, fileName, directory)};
}

bool HasWork(const TagFromNameParams& params) {
  return HasSource(params.titel, kTitelSources.size()) ||
         HasSource(params.interpret, kInterpretSources.size()) ||
         HasSource(params.album, kAlbumSources.size());
}

}  // namespace sonavex
