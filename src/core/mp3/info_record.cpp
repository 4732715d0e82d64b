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

std::u32string MpegText(MpegVersion version) {
  switch (version) {
    case MpegVersion::V1: return U"1";
    case MpegVersion::V2: return U"2";
    case MpegVersion::V25: return U"2.5";
    case MpegVersion::None: break;
  }
  return U"x";
}

std::u32string LayerText(int layer) {
  if (layer == 0) return U"x";
  return layer == 4 ? U"?" : DecimalText(layer);
}

std::u32string ModeText(ChannelMode mode) {
  switch (mode) {
    case ChannelMode::Stereo: return U"Stereo";
    case ChannelMode::JointStereo: return U"Joint Stereo";
    case ChannelMode::DualChannel: return U"Dual-Channel";
    case ChannelMode::Mono: return U"Mono";
    case ChannelMode::None: break;
  }
  return U"x";
}

std::u32string TagValue(const InfoRecord& record, InfoField field) {
  switch (field) {
    case InfoField::Titel: return TagText(record, TagField::Titel);
    case InfoField::Interpret: return TagText(record, TagField::Interpret);
    default: return TagText(record, TagField::Album);
  }
}

// The values that only MP3 files have.
std::u32string Mp3Value(const InfoRecord& record, InfoField field) {
  switch (field) {
    case InfoField::Mpeg: return MpegText(record.version);
    case InfoField::Layer: return LayerText(record.layer);
    case InfoField::Bitrate: return DecimalText(record.bitrateKbps);
    case InfoField::SampFreq:
      return record.sampleRate == 0 ? U"x" : DecimalText(record.sampleRate);
    case InfoField::Mode: return ModeText(record.mode);
    case InfoField::Dauer:
      return record.timed ? FormatWholeSeconds(record.seconds) : U"";
    default: return TagValue(record, field);
  }
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
  const auto at = (static_cast<std::size_t>(field) - 1) * kTagFieldLength;
  return DecodeTagField(std::string_view(record.tag.data() + at, kTagFieldLength));
}

std::u32string ValueText(const InfoRecord& record, InfoField field) {
  switch (field) {
    case InfoField::Name: return DecodeUtf8(record.name);
    case InfoField::Groesse: return record.statKnown ? DecimalText(record.size) : U"";
    case InfoField::Datum: return record.statKnown ? FormatDatum(record.modified) : U"";
    default: return Mp3Value(record, field);
  }
}

std::u32string ShownText(const InfoRecord& record, InfoField field) {
  if (IsMp3Field(field) && !record.isMp3) return {};
  if (field == InfoField::Name) return DecodeUtf8(ShownName(record));
  std::u32string text = ValueText(record, field);
  switch (field) {
    case InfoField::Titel:
    case InfoField::Interpret:
    case InfoField::Album: return TrimBlanks(text);
    case InfoField::Bitrate: return text + U"KBit/s";
    case InfoField::SampFreq: return text + U"Hz";
    default: return text;
  }
}

// Name and type are shown joined by a dot, which a name without type ends
// in. A byte that is no character keeps its place, so "." is found alike.
std::string ShownName(const InfoRecord& record) {
  if (record.name.find('.') != std::string::npos) return record.name;
  return record.name + '.';
}

}  // namespace sonavex
