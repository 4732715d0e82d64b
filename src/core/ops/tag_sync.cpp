#include "core/ops/tag_sync.h"

#include <array>
#include <charconv>
#include <utility>

#include "core/mp3/id3v1.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::size_t kYearAt = 93;
constexpr std::size_t kYearLength = 4;
constexpr std::size_t kTrackMarkAt = 125;  // a zero here makes the next byte the track
constexpr std::size_t kTrackAt = 126;
constexpr std::size_t kGenreAt = 127;
constexpr int kNoGenre = 255;

std::u32string FieldText(std::string_view tag, std::size_t at, std::size_t length) {
  return TrimBlanks(DecodeTagField(tag.substr(at, length)));
}

std::size_t FieldAt(TagField field) {
  return 3 + (static_cast<std::size_t>(field) - 1) * kTagFieldLength;
}

void Copy(Id3v2Changes& changes, Id3v2Field field, std::u32string text) {
  if (!text.empty()) changes[static_cast<std::size_t>(field)] = std::move(text);
}

// The leading number of a track text ("3/12" gives 3); 0 for none.
int TrackNumber(std::u32string_view text) {
  const std::string digits = EncodeUtf8(TrimBlanks(text));
  int number = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  return ec == std::errc() && number > 0 && number <= 255 ? number : 0;
}

// The empty tag this program gives a file holds a blank where the genre
// goes, which would read as genre 32: a blank behind a blank comment is no
// genre.
bool IsBlankGenre(std::string_view tag) {
  const std::string_view comment = tag.substr(97, 30);
  return tag[kGenreAt] == ' ' &&
         comment.find_first_not_of(' ') == std::string_view::npos;
}

// Where each field the syncs copy lies in an ID3v1 tag: offset, length.
constexpr std::array<std::pair<std::size_t, std::size_t>, kId3v2FieldCount> kPlaces = {{
    {3, kTagFieldLength}, {33, kTagFieldLength}, {63, kTagFieldLength},
    {kTrackMarkAt, 2}, {kYearAt, kYearLength}, {0, 0}, {kGenreAt, 1},
}};

// Whether the ID3v1 field at `at` holds the present text in the form ID3v1
// keeps of it: as this program fits it, or its first 30 characters.
bool HoldsCutForm(std::string_view v1Tag, std::string_view presentInV1, std::size_t at,
                  std::size_t length, const std::u32string& present) {
  if (presentInV1.substr(at, length) == v1Tag.substr(at, length)) return true;
  if (length != kTagFieldLength) return false;
  const std::u32string v1 = FieldText(v1Tag, at, length);
  return v1 == FieldText(presentInV1, at, length) ||
         (v1.size() == kTagFieldLength &&
          DecodeWindows1252(EncodeWindows1252(present)).starts_with(v1));
}

// Drops the changes that would put back what the ID3v2 tag holds already,
// only in the cut form ID3v1 keeps of it ("...", "?", the year of a date,
// the number of "3/12"): the longer text stays.
void KeepFullTexts(std::string_view v1Tag, const Id3v2Texts& present, Id3v2Changes& changes) {
  const std::string presentInV1 = Id3v1FromId3v2(std::string(v1Tag), present);
  for (std::size_t i = 0; i < kId3v2FieldCount; ++i) {
    const auto [at, length] = kPlaces[i];
    if (!changes[i] || present[i].empty() || length == 0) continue;
    if (HoldsCutForm(v1Tag, presentInV1, at, length, present[i])) changes[i].reset();
  }
}

}  // namespace

Id3v2Changes Id3v2FromId3v1(std::string_view v1Tag, const Id3v2Texts& present) {
  Id3v2Changes changes;
  if (v1Tag.size() != kTagSize) return changes;
  Copy(changes, Id3v2Field::Titel, FieldText(v1Tag, FieldAt(TagField::Titel), kTagFieldLength));
  Copy(changes, Id3v2Field::Interpret,
       FieldText(v1Tag, FieldAt(TagField::Interpret), kTagFieldLength));
  Copy(changes, Id3v2Field::Album, FieldText(v1Tag, FieldAt(TagField::Album), kTagFieldLength));
  Copy(changes, Id3v2Field::Jahr, FieldText(v1Tag, kYearAt, kYearLength));
  const auto track = static_cast<unsigned char>(v1Tag[kTrackAt]);
  if (v1Tag[kTrackMarkAt] == '\0' && track != 0) {
    Copy(changes, Id3v2Field::Track, DecodeUtf8(std::to_string(track)));
  }
  if (!IsBlankGenre(v1Tag)) {
    Copy(changes, Id3v2Field::Genre, GenreName(static_cast<unsigned char>(v1Tag[kGenreAt])));
  }
  KeepFullTexts(v1Tag, present, changes);
  return changes;
}

std::string Id3v1FromId3v2(std::string v1Tag, const Id3v2Texts& v2) {
  if (v1Tag.size() != kTagSize) return v1Tag;
  const auto text = [&v2](Id3v2Field field) -> const std::u32string& {
    return v2[static_cast<std::size_t>(field)];
  };
  const auto put = [&](TagField field, const std::u32string& value) {
    if (!value.empty()) RenderFittedFieldInto(v1Tag, field, value);
  };
  put(TagField::Titel, text(Id3v2Field::Titel));
  put(TagField::Interpret, text(Id3v2Field::Interpret));
  put(TagField::Album, text(Id3v2Field::Album));
  if (!text(Id3v2Field::Jahr).empty()) {
    v1Tag.replace(kYearAt, kYearLength,
                  TagFieldBytes(text(Id3v2Field::Jahr)).substr(0, kYearLength));
  }
  if (const int track = TrackNumber(text(Id3v2Field::Track)); track != 0) {
    v1Tag[kTrackMarkAt] = '\0';
    v1Tag[kTrackAt] = static_cast<char>(track);
  }
  if (const int genre = GenreNumber(text(Id3v2Field::Genre)); genre != kNoGenre) {
    v1Tag[kGenreAt] = static_cast<char>(genre);
  }
  return v1Tag;
}

}  // namespace sonavex
