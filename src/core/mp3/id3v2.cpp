#include "core/mp3/id3v2.h"

#include <taglib/commentsframe.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/tfile.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::size_t kHeaderSize = 10;
constexpr std::uint8_t kUnsynchronised = 0x80;
constexpr std::uint8_t kExtendedHeader = 0x40;  // 2.2: the tag is compressed
constexpr std::uint8_t kFooter = 0x10;

std::uint8_t Byte(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint8_t>(bytes[at]);
}

// `count` bytes at `at` as a big-endian number of 8 or 7 bits per byte;
// nothing when a 7-bit byte has its high bit set.
std::optional<std::uint32_t> Number(std::string_view bytes, std::size_t at, std::size_t count,
                                    bool synchsafe) {
  std::uint32_t value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (synchsafe && (Byte(bytes, i) & 0x80) != 0) return std::nullopt;
    value = synchsafe ? (value << 7) | Byte(bytes, i) : (value << 8) | Byte(bytes, i);
  }
  return value;
}

std::string NumberBytes(std::uint32_t value, std::size_t count, bool synchsafe) {
  std::string bytes(count, '\0');
  const int bits = synchsafe ? 7 : 8;
  for (std::size_t i = count; i-- > 0; value >>= bits) {
    bytes[i] = static_cast<char>(value & ((1u << bits) - 1));
  }
  return bytes;
}

// The frame IDs of the fields, per version (2.2, 2.3, 2.4).
constexpr std::array<std::array<std::string_view, kId3v2FieldCount>, 3> kFrameIds = {{
    {"TT2", "TP1", "TAL", "TRK", "TYE", "COM", "TCO"},
    {"TIT2", "TPE1", "TALB", "TRCK", "TYER", "COMM", "TCON"},
    {"TIT2", "TPE1", "TALB", "TRCK", "TDRC", "COMM", "TCON"},
}};

std::string_view FrameId(int version, Id3v2Field field) {
  return kFrameIds[static_cast<std::size_t>(version - 2)][static_cast<std::size_t>(field)];
}

// One frame as it stands in the tag: header and body.
struct RawFrame {
  std::string_view id;
  std::string_view bytes;  // the whole frame
  std::string_view body;   // behind the frame header and a data length indicator
  bool compressedOrEncrypted = false;
  // A frame without content: readers (TagLib among them) stop at it and
  // miss every frame behind it, so a rewritten tag leaves it out.
  bool hollow = false;
};

// The frames of a tag's body as far as they can be made out.
struct FrameWalk {
  std::vector<RawFrame> frames;
  bool clean = false;  // the frames end in zero padding or at the body's end
};

bool IsFrameIdCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); }

// Whether `bytes` are all zero, as a tag's padding is: compared a block at
// a time, as padding runs to kilobytes.
bool AllZero(std::string_view bytes) {
  static constexpr char kZeros[256] = {};
  while (bytes.size() > sizeof kZeros) {
    if (std::memcmp(bytes.data(), kZeros, sizeof kZeros) != 0) return false;
    bytes.remove_prefix(sizeof kZeros);
  }
  return bytes.empty() || std::memcmp(bytes.data(), kZeros, bytes.size()) == 0;
}

// Frames from `at` on; `synchsafe` says how a 2.4 frame's size is written
// (some writers wrote 2.4 sizes as plain numbers).
FrameWalk WalkFrames(std::string_view body, std::size_t at, int version, bool synchsafe) {
  FrameWalk walk;
  walk.frames.reserve(16);
  const std::size_t idLength = version == 2 ? 3 : 4;
  const std::size_t headerLength = version == 2 ? 6 : 10;
  while (at + headerLength <= body.size() && body[at] != '\0') {
    const std::string_view id = body.substr(at, idLength);
    if (!std::all_of(id.begin(), id.end(), IsFrameIdCharacter)) return walk;
    const std::optional<std::uint32_t> size =
        Number(body, at + idLength, idLength, version == 4 && synchsafe);
    if (!size || *size > body.size() - at - headerLength) return walk;
    RawFrame frame{id, body.substr(at, headerLength + *size),
                   body.substr(at + headerLength, *size), false};
    if (version >= 3) {
      const std::uint8_t flags = Byte(body, at + 9);
      frame.compressedOrEncrypted = (flags & (version == 3 ? 0xC0 : 0x0C)) != 0;
      const bool lengthGiven = version == 4 ? (flags & 0x01) != 0 : (flags & 0x80) != 0;
      if (lengthGiven && frame.body.size() >= 4) frame.body.remove_prefix(4);
      frame.hollow = lengthGiven && *size <= 4;
    }
    frame.hollow = frame.hollow || *size == 0;
    walk.frames.push_back(frame);
    at += headerLength + *size;
  }
  walk.clean = AllZero(body.substr(std::min(at, body.size())));
  return walk;
}

// A tag taken apart: its version and frames. The frames point into
// `body`: the tag's own bytes, or where unsynchronisation had to be undone
// the decoded bytes, which live on the heap so that they stay where they
// are when the Parsed moves.
struct Parsed {
  int version = 0;
  bool readable = false;
  // The tag behind its header, unsynchronisation undone.
  std::string_view body;
  std::unique_ptr<std::string> decoded;
  std::size_t framesStart = 0;  // behind the extended header
  FrameWalk walk;
};

// Where the frames start behind the extended header; nothing when that
// header does not fit.
std::optional<std::size_t> FramesStart(const Parsed& tag, std::uint8_t flags) {
  if ((flags & kExtendedHeader) == 0 || tag.version == 2) return 0;
  if (tag.body.size() < 4) return std::nullopt;
  const std::optional<std::uint32_t> size = Number(tag.body, 0, 4, tag.version == 4);
  if (!size) return std::nullopt;
  const std::size_t length = tag.version == 4 ? *size : std::size_t{*size} + 4;
  if (length < 4 || length > tag.body.size()) return std::nullopt;
  return length;
}

Parsed TakeApart(std::string_view tag) {
  Parsed parsed;
  const std::int64_t length = Id3v2Length(tag);
  if (length == 0 || static_cast<std::size_t>(length) > tag.size()) return parsed;
  parsed.version = Byte(tag, 3);
  const std::uint8_t flags = Byte(tag, 5);
  const bool footer = parsed.version == 4 && (flags & kFooter) != 0;
  const std::string_view body =
      tag.substr(kHeaderSize, static_cast<std::size_t>(length) - kHeaderSize - (footer ? 10 : 0));
  // A compressed 2.2 tag is one no program reads.
  if (parsed.version == 2 && (flags & kExtendedHeader) != 0) return parsed;
  if (parsed.version < 4 && (flags & kUnsynchronised) != 0) {
    const TagLib::ByteVector decoded = TagLib::ID3v2::SynchData::decode(
        TagLib::ByteVector(body.data(), static_cast<unsigned int>(body.size())));
    parsed.decoded = std::make_unique<std::string>(decoded.data(), decoded.size());
    parsed.body = *parsed.decoded;
  } else {
    parsed.body = body;
  }
  const std::optional<std::size_t> start = FramesStart(parsed, flags);
  if (!start) return parsed;
  parsed.framesStart = *start;
  parsed.walk = WalkFrames(parsed.body, *start, parsed.version, true);
  if (!parsed.walk.clean && parsed.version == 4) {
    FrameWalk plain = WalkFrames(parsed.body, *start, 4, false);
    if (plain.clean) parsed.walk = std::move(plain);
  }
  parsed.readable = parsed.walk.clean || !parsed.walk.frames.empty();
  return parsed;
}

// TagLib reads a tag from a file; this one is the tag's bytes in memory.
class TagBytesFile : public TagLib::File {
 public:
  explicit TagBytesFile(TagLib::IOStream* stream) : TagLib::File(stream) {}
  TagLib::Tag* tag() const override { return nullptr; }
  TagLib::AudioProperties* audioProperties() const override { return nullptr; }
  bool save() override { return false; }
};

std::u32string FromTagLib(const TagLib::String& text) { return DecodeUtf8(text.to8Bit(true)); }

TagLib::String ToTagLib(std::u32string_view text) {
  return TagLib::String(EncodeUtf8(text), TagLib::String::UTF8);
}

std::u32string FirstText(const TagLib::ID3v2::Tag& tag, const char* id) {
  const TagLib::ID3v2::FrameList& frames = tag.frameList(id);
  return frames.isEmpty() ? std::u32string() : FromTagLib(frames.front()->toString());
}

Id3v2Texts TextsOf(const TagLib::ID3v2::Tag& tag) {
  Id3v2Texts texts;
  const auto set = [&texts](Id3v2Field field, std::u32string text) {
    texts[static_cast<std::size_t>(field)] = std::move(text);
  };
  set(Id3v2Field::Titel, FromTagLib(tag.title()));
  set(Id3v2Field::Interpret, FromTagLib(tag.artist()));
  set(Id3v2Field::Album, FromTagLib(tag.album()));
  set(Id3v2Field::Track, FirstText(tag, "TRCK"));
  // TagLib reads a 2.2 or 2.3 year as the recording time of 2.4.
  std::u32string year = FirstText(tag, "TDRC");
  set(Id3v2Field::Jahr, year.empty() ? FirstText(tag, "TYER") : std::move(year));
  set(Id3v2Field::Kommentar, FromTagLib(tag.comment()));
  set(Id3v2Field::Genre, FromTagLib(tag.genre()));
  return texts;
}

std::optional<Id3v2Field> FieldOf(int version, std::string_view id) {
  for (std::size_t i = 0; i < kId3v2FieldCount; ++i) {
    if (FrameId(version, static_cast<Id3v2Field>(i)) == id) return static_cast<Id3v2Field>(i);
  }
  return std::nullopt;
}

// The tag as TagLib is given it: its frames behind a plain header. TagLib
// 1.13 takes the size of a 2.3 extended header for the whole header's and
// counts a footer off the frames; neither is there for it to misread.
std::string PlainTag(const Parsed& tag) {
  const std::string_view frames = tag.body.substr(tag.framesStart);
  return "ID3" + std::string(1, static_cast<char>(tag.version)) + std::string(2, '\0') +
         NumberBytes(static_cast<std::uint32_t>(frames.size()), 4, true) + std::string(frames);
}

Id3v2Texts ReadTexts(const std::string& bytes) {
  TagLib::ByteVectorStream stream(
      TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size())));
  TagBytesFile file(&stream);
  const TagLib::ID3v2::Tag tag(&file, 0);
  return TextsOf(tag);
}

// Text encodings as a frame's first byte names them.
enum Encoding : std::uint8_t { kLatin1 = 0, kUtf16 = 1, kUtf16Be = 2, kUtf8 = 3 };

TagLib::String::Type TagLibType(std::uint8_t encoding) {
  switch (encoding) {
    case kUtf16: return TagLib::String::UTF16;
    case kUtf16Be: return TagLib::String::UTF16BE;
    case kUtf8: return TagLib::String::UTF8;
    default: return TagLib::String::Latin1;
  }
}

bool FitsLatin1(std::u32string_view text) {
  return std::all_of(text.begin(), text.end(), [](char32_t c) { return c <= 0xFF; });
}

// A comment frame is the comment field only without a description: others
// hold what players and encoders keep for themselves.
bool IsPlainComment(const RawFrame& frame) {
  const std::string_view body = frame.body;
  if (body.size() < 5) return false;
  const std::string_view description = body.substr(4);
  if (Byte(body, 0) == kUtf16 || Byte(body, 0) == kUtf16Be) {
    return description.starts_with(std::string_view("\0\0", 2)) ||
           description.starts_with(std::string_view("\xFF\xFE\0\0", 4)) ||
           description.starts_with(std::string_view("\xFE\xFF\0\0", 4));
  }
  return description[0] == '\0';
}

// The field a frame holds, when it is one of ours.
std::optional<Id3v2Field> FieldOf(int version, const RawFrame& frame) {
  const std::optional<Id3v2Field> field = FieldOf(version, frame.id);
  if (field == Id3v2Field::Kommentar && !IsPlainComment(frame)) return std::nullopt;
  return field;
}

// Whether each field of `fields` is read from a frame of its own: the
// year may be put together from several frames, and which comment counts
// depends on the others.
bool FramesOfTheirOwn(Id3v2FieldSet fields) {
  for (const Id3v2Field field : {Id3v2Field::Jahr, Id3v2Field::Kommentar, Id3v2Field::Genre}) {
    if (fields.test(static_cast<std::size_t>(field))) return false;
  }
  return true;
}

// TagLib's frames of our fields with their content's parsing and rendering
// at hand: the frame headers, which the frame walk reads and FrameHeader
// writes, are not taken apart or put together a second time.
class TextFields : public TagLib::ID3v2::TextIdentificationFrame {
 public:
  TextFields(Id3v2Field field, TagLib::String::Type encoding)
      : TextIdentificationFrame(TagLib::ByteVector(FrameId(4, field).data(), 4), encoding) {}
  using TextIdentificationFrame::parseFields;
  using TextIdentificationFrame::renderFields;
};

class CommentFields : public TagLib::ID3v2::CommentsFrame {
 public:
  explicit CommentFields(TagLib::String::Type encoding) : CommentsFrame(encoding) {}
  using CommentsFrame::renderFields;
};

// The text TagLib reads from a text frame's content; nothing for a frame
// compressed, encrypted, grouped or unsynchronised on its own, which is
// left to TagLib's reading of the whole tag.
std::optional<std::u32string> OwnFrameText(int version, Id3v2Field field,
                                           const RawFrame& frame) {
  if (version >= 3 && Byte(frame.bytes, 9) != 0) return std::nullopt;
  TextFields parsed(field, TagLib::String::Latin1);
  parsed.parseFields(
      TagLib::ByteVector(frame.body.data(), static_cast<unsigned int>(frame.body.size())));
  return FromTagLib(parsed.toString());
}

// The texts of `fields` (title, artist, album, track) as TagLib reads them
// from the first frame of each, frame by frame, which spares building the
// whole tag; nothing where a frame needs the whole tag's reading. A frame
// without content ends the frames, as it ends TagLib's reading.
std::optional<Id3v2Texts> TextsOfOwnFrames(const Parsed& tag, Id3v2FieldSet fields) {
  Id3v2Texts texts;
  Id3v2FieldSet found;
  for (const RawFrame& frame : tag.walk.frames) {
    if (frame.hollow) break;
    const std::optional<Id3v2Field> field = FieldOf(tag.version, frame.id);
    const std::size_t index = field ? static_cast<std::size_t>(*field) : 0;
    if (!field || !fields.test(index) || found.test(index)) continue;
    std::optional<std::u32string> text = OwnFrameText(tag.version, *field, frame);
    if (!text) return std::nullopt;
    texts[index] = std::move(*text);
    found.set(index);
  }
  return texts;
}

// The encoding a changed field's frame is written in: the one its old
// frame had (else the tag's first text frame's), Latin-1 that cannot hold
// the text turning into the version's Unicode encoding, and an encoding the
// version does not know into UTF-16.
std::uint8_t EncodingFor(const Parsed& tag, Id3v2Field field, std::u32string_view text) {
  std::optional<std::uint8_t> found;
  for (const RawFrame& frame : tag.walk.frames) {
    if (frame.body.empty() || frame.compressedOrEncrypted) continue;
    if (FieldOf(tag.version, frame) == field) {
      found = Byte(frame.body, 0);
      break;
    }
    if (!found && frame.id[0] == 'T') found = Byte(frame.body, 0);
  }
  std::uint8_t encoding = found.value_or(kLatin1);
  if (encoding > kUtf8 || (tag.version < 4 && encoding > kUtf16)) encoding = kUtf16;
  if (encoding == kLatin1 && !FitsLatin1(text)) encoding = tag.version == 4 ? kUtf8 : kUtf16;
  return encoding;
}

// The content of a new frame, as TagLib renders it.
std::string FrameBody(Id3v2Field field, std::u32string_view text, std::uint8_t encoding) {
  TagLib::ByteVector rendered;
  if (field == Id3v2Field::Kommentar) {
    CommentFields frame(TagLibType(encoding));
    frame.setLanguage("eng");
    frame.setText(ToTagLib(text));
    rendered = frame.renderFields();
  } else {
    TextFields frame(field, TagLibType(encoding));
    frame.setText(ToTagLib(text));
    rendered = frame.renderFields();
  }
  return std::string(rendered.data(), rendered.size());
}

std::string FrameHeader(int version, std::string_view id, std::size_t size) {
  const auto length = static_cast<std::uint32_t>(size);
  if (version == 2) return std::string(id) + NumberBytes(length, 3, false);
  return std::string(id) + NumberBytes(length, 4, version == 4) + std::string(2, '\0');
}

std::string NewFrame(const Parsed& tag, Id3v2Field field, std::u32string text) {
  // 2.2 and 2.3 keep only the year.
  if (field == Id3v2Field::Jahr && tag.version < 4 && text.size() > 4) text.resize(4);
  const std::string body = FrameBody(field, text, EncodingFor(tag, field, text));
  return FrameHeader(tag.version, FrameId(tag.version, field), body.size()) + body;
}

// Appends the frames with the changes made to `frames`: each changed
// field's first frame in its place, its other frames dropped, new fields
// behind the rest.
void AppendFrames(const Parsed& tag, const Id3v2Changes& changes, std::string& frames) {
  std::array<bool, kId3v2FieldCount> placed{};
  for (const RawFrame& frame : tag.walk.frames) {
    const std::optional<Id3v2Field> field = FieldOf(tag.version, frame);
    const std::size_t index = field ? static_cast<std::size_t>(*field) : 0;
    if (frame.hollow) continue;
    if (!field || !changes[index]) {
      frames += frame.bytes;
      continue;
    }
    if (!placed[index] && !changes[index]->empty()) frames += NewFrame(tag, *field, *changes[index]);
    placed[index] = true;
  }
  for (std::size_t i = 0; i < kId3v2FieldCount; ++i) {
    if (changes[i] && !placed[i] && !changes[i]->empty()) {
      frames += NewFrame(tag, static_cast<Id3v2Field>(i), *changes[i]);
    }
  }
}

// A parsed tag with no frames, as a new tag starts.
Parsed NewTag() {
  Parsed tag;
  tag.version = 3;
  tag.readable = true;
  tag.walk.clean = true;
  return tag;
}

// Why `tag` is not rewritten, or nothing.
std::u32string Refusal(const Parsed& tag) {
  if (!tag.readable || !tag.walk.clean) {
    return U"ID3v2-Tag kann nicht neu geschrieben werden: seine Frames sind nicht lesbar";
  }
  for (const RawFrame& frame : tag.walk.frames) {
    if (frame.compressedOrEncrypted) {
      return U"ID3v2-Tag mit komprimierten oder verschlüsselten Frames wird nicht geändert";
    }
  }
  return {};
}

}  // namespace

std::int64_t Id3v2Length(std::string_view bytes) {
  if (bytes.size() < kHeaderSize || bytes.substr(0, 3) != "ID3") return 0;
  const std::uint8_t version = Byte(bytes, 3);
  if (version < 2 || version > 4 || Byte(bytes, 4) == 0xFF) return 0;
  const std::optional<std::uint32_t> size = Number(bytes, 6, 4, true);
  if (!size) return 0;
  const bool footer = version == 4 && (Byte(bytes, 5) & kFooter) != 0;
  return static_cast<std::int64_t>(kHeaderSize) + *size + (footer ? 10 : 0);
}

struct Id3v2Tag::Parts {
  Parsed tag;
};

Id3v2Tag::Id3v2Tag(std::string_view bytes)
    : bytes_(bytes), parts_(new Parts{bytes.empty() ? NewTag() : TakeApart(bytes)}) {}

Id3v2Tag::~Id3v2Tag() = default;
Id3v2Tag::Id3v2Tag(Id3v2Tag&&) noexcept = default;
Id3v2Tag& Id3v2Tag::operator=(Id3v2Tag&&) noexcept = default;

Id3v2Info Id3v2Tag::Read(Id3v2FieldSet fields) const {
  Id3v2Info info;
  if (bytes_.empty()) return info;
  const Parsed& parsed = parts_->tag;
  info.version = parsed.version;
  info.size = Id3v2Length(bytes_);
  info.readable = parsed.readable;
  if (!info.readable) return info;
  std::optional<Id3v2Texts> own;
  if (FramesOfTheirOwn(fields)) own = TextsOfOwnFrames(parsed, fields);
  info.texts = own ? std::move(*own) : ReadTexts(PlainTag(parsed));
  return info;
}

Id3v2Rendering Id3v2Tag::Render(const Id3v2Changes& changes) const {
  const Parsed& tag = parts_->tag;
  Id3v2Rendering rendering;
  if (rendering.refusal = Refusal(tag); !rendering.refusal.empty()) return rendering;
  const std::size_t oldSize = static_cast<std::size_t>(Id3v2Length(bytes_));
  std::string& bytes = rendering.bytes;
  // Most new tags fit the old one's place: room for that is made at once.
  bytes.reserve(std::max(oldSize, kHeaderSize + kId3v2Padding));
  bytes += "ID3";
  bytes += static_cast<char>(tag.version);
  bytes.append(6, '\0');  // revision, flags; the size follows
  AppendFrames(tag, changes, bytes);
  const std::size_t bare = bytes.size();
  const std::size_t size = !bytes_.empty() && bare <= oldSize ? oldSize : bare + kId3v2Padding;
  bytes.replace(6, 4, NumberBytes(static_cast<std::uint32_t>(size - kHeaderSize), 4, true));
  bytes.resize(size, '\0');
  return rendering;
}

Id3v2Info ReadId3v2(std::string_view tag, Id3v2FieldSet fields) {
  return Id3v2Tag(tag).Read(fields);
}

Id3v2Rendering RenderId3v2(std::string_view old, const Id3v2Changes& changes) {
  return Id3v2Tag(old).Render(changes);
}

std::u32string GenreName(int index) { return FromTagLib(TagLib::ID3v1::genre(index)); }

int GenreNumber(std::u32string_view name) {
  return name.empty() ? 255 : TagLib::ID3v1::genreIndex(ToTagLib(name));
}

}  // namespace sonavex
