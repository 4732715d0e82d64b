#include "core/mp3/info_record.h"

#include <algorithm>

#include "core/mp3/tinfo.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// A grid over 100,000 files holds that many records: each stays small, a
// name too long for the string's own buffer adding its bytes on the heap,
// an ID3v2 tag its texts.
static_assert(sizeof(InfoRecord) <= 184);

const char* MpegText(MpegVersion version) {
  switch (version) {
    case MpegVersion::V1: return "1";
    case MpegVersion::V2: return "2";
    case MpegVersion::V25: return "2.5";
    case MpegVersion::None: break;
  }
  return "x";
}

std::string LayerText(int layer) {
  if (layer == 0) return "x";
  return layer == 4 ? "?" : DecimalAscii(layer);
}

const char* ModeText(ChannelMode mode) {
  switch (mode) {
    case ChannelMode::Stereo: return "Stereo";
    case ChannelMode::JointStereo: return "Joint Stereo";
    case ChannelMode::DualChannel: return "Dual-Channel";
    case ChannelMode::Mono: return "Mono";
    case ChannelMode::None: break;
  }
  return "x";
}

TagField TagFieldOf(InfoField field) {
  switch (field) {
    case InfoField::Titel: return TagField::Titel;
    case InfoField::Interpret: return TagField::Interpret;
    default: return TagField::Album;
  }
}

// The value of a field that is not text, appended to `out`.
void AppendAsciiValue(std::string& out, const InfoRecord& record, InfoField field) {
  switch (field) {
    case InfoField::Groesse:
      if (record.statKnown) AppendDecimalAscii(out, record.size);
      return;
    case InfoField::Datum:
      if (record.statKnown) AppendDatumAscii(out, record.modified);
      return;
    case InfoField::Mpeg: out += MpegText(record.version); return;
    case InfoField::Layer: out += LayerText(record.layer); return;
    case InfoField::Bitrate: AppendDecimalAscii(out, record.bitrateKbps); return;
    case InfoField::SampFreq:
      if (record.sampleRate == 0) {
        out += 'x';
      } else {
        AppendDecimalAscii(out, record.sampleRate);
      }
      return;
    case InfoField::Mode: out += ModeText(record.mode); return;
    case InfoField::Dauer:
      if (record.timed) AppendWholeSecondsAscii(out, record.seconds);
      return;
    default: return;
  }
}

std::string AsciiValue(const InfoRecord& record, InfoField field) {
  std::string text;
  AppendAsciiValue(text, record, field);
  return text;
}

std::string_view TagFieldBytes(const InfoRecord& record, TagField field) {
  const auto at = (static_cast<std::size_t>(field) - 1) * kTagFieldLength;
  return std::string_view(record.tag.data() + at, kTagFieldLength);
}

// The shown text of a tag field, trimmed, in UTF-8: made on the stack, as
// a list of thousands of files shows three of them a line.
void AppendTagTextUtf8(std::string& out, const InfoRecord& record, TagField field) {
  if (!record.tagged) return;
  std::array<char, kTagFieldLength> bytes;
  const std::size_t count = KeptTagBytes(bytes, TagFieldBytes(record, field));
  // An ASCII field, the usual case, is its own UTF-8 text.
  if (std::all_of(bytes.begin(), bytes.begin() + count,
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    out.append(bytes.data(), TrimBlanksIn(bytes.data(), count));
    return;
  }
  std::array<char32_t, kTagFieldLength> text;
  DecodeWindows1252Into(text.data(), std::string_view(bytes.data(), count));
  EncodeUtf8Into(out, std::u32string_view(text.data(), TrimBlanksIn(text.data(), count)));
}

// AppendAsciiValue with the unit the views show it with.
void AppendShownAscii(std::string& out, const InfoRecord& record, InfoField field) {
  AppendAsciiValue(out, record, field);
  if (field == InfoField::Bitrate) out += "KBit/s";
  if (field == InfoField::SampFreq) out += "Hz";
}

std::string ShownAscii(const InfoRecord& record, InfoField field) {
  std::string text;
  AppendShownAscii(text, record, field);
  return text;
}

bool IsMp3Field(InfoField field) {
  return field != InfoField::Name && field != InfoField::Groesse && field != InfoField::Datum;
}

}  // namespace

void SetTagFields(InfoRecord& record, std::string_view tag) {
  if (tag.size() < kTagSize) return;
  std::copy_n(tag.begin() + 3, record.tag.size(), record.tag.begin());
  record.tagged = true;
}

std::u32string Id3v2Text(const InfoRecord& record, Id3v2Field field) {
  if (record.id3v2 == nullptr || !record.id3v2->readable) return {};
  return record.id3v2->Text(field);
}

std::u32string TagText(const InfoRecord& record, TagField field) {
  if (!record.tagged) return {};
  return DecodeTagField(TagFieldBytes(record, field));
}

bool IsText(InfoField field) {
  return field == InfoField::Name || field == InfoField::Titel ||
         field == InfoField::Interpret || field == InfoField::Album;
}

std::u32string ValueText(const InfoRecord& record, InfoField field) {
  if (field == InfoField::Name) return DecodeUtf8(record.name);
  if (IsText(field)) return TagText(record, TagFieldOf(field));
  return WidenAscii(AsciiValue(record, field));
}

std::u32string ShownText(const InfoRecord& record, InfoField field) {
  if (IsMp3Field(field) && !record.isMp3) return {};
  if (field == InfoField::Name) return DecodeUtf8(ShownName(record));
  if (IsText(field)) return TrimBlanks(TagText(record, TagFieldOf(field)));
  return WidenAscii(ShownAscii(record, field));
}

void AppendValueUtf8(std::string& out, const InfoRecord& record, InfoField field) {
  if (field == InfoField::Name) {
    EncodeUtf8Into(out, TrimBlanks(DecodeUtf8(record.name)));
  } else if (IsText(field)) {
    AppendTagTextUtf8(out, record, TagFieldOf(field));
  } else {
    AppendAsciiValue(out, record, field);
  }
}

void AppendShownUtf8(std::string& out, const InfoRecord& record, InfoField field) {
  if (IsMp3Field(field) && !record.isMp3) return;
  if (field == InfoField::Name) {
    out += record.name;
    if (record.name.find('.') == std::string::npos) out += '.';
  } else if (IsText(field)) {
    AppendTagTextUtf8(out, record, TagFieldOf(field));
  } else {
    AppendShownAscii(out, record, field);
  }
}

// Name and type are shown joined by a dot, which a name without type ends
// in. A byte that is no character keeps its place, so "." is found alike.
std::string ShownName(const InfoRecord& record) {
  std::string name;
  AppendShownUtf8(name, record, InfoField::Name);
  return name;
}

}  // namespace sonavex
