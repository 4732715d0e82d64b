#include "core/mp3/frame_header.h"

#include <algorithm>
#include <cstring>

#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// Version bits (b1 bits 4-3) as they appear in the header.
[[maybe_unused]] constexpr int kVersion25 = 0;
constexpr int kVersion1 = 3;

// kbit/s for bit rate indices 1-14 (0 is free format, 15 forbidden).
// Rows: MPEG-1 Layer I, II, III (ISO/IEC 11172-3); lower sampling
// frequencies Layer I, Layer II and III (ISO/IEC 13818-3).
constexpr int kBitrates[5][14] = {
    {32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};

// Hz for sampling frequency indices 0-2, by version bits (01 is reserved
// and never passes the sync test).
constexpr int kSampleRates[4][3] = {
    {11025, 12000, 8000}, {0, 0, 0}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Enough of a frame to hold a Xing or VBRI summary with its counts.
constexpr std::size_t kProbe = 64;

int VersionBits(const FrameHeaderBytes& h) { return (h[1] >> 3) & 3; }
int LayerNumber(const FrameHeaderBytes& h) { return 4 - ((h[1] >> 1) & 3); }  // 4 = reserved
int BitrateIndex(const FrameHeaderBytes& h) { return h[2] >> 4; }
int SampleRateIndex(const FrameHeaderBytes& h) { return (h[2] >> 2) & 3; }

int BitrateKbps(const FrameHeaderBytes& h) {
  const int index = BitrateIndex(h);
  const int layer = LayerNumber(h);
  if (index == 0 || index == 15 || layer == 4) return 0;
  const int row = VersionBits(h) == kVersion1 ? layer - 1 : (layer == 1 ? 3 : 4);
  return kBitrates[row][index - 1];
}

int SampleRate(const FrameHeaderBytes& h) {
  const int index = SampleRateIndex(h);
  return index == 3 ? 0 : kSampleRates[VersionBits(h)][index];
}

std::uint32_t BigEndian32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  }
  return value;
}

FrameHeaderBytes HeaderAt(std::string_view bytes) {
  FrameHeaderBytes header{};
  for (std::size_t i = 0; i < 4; ++i) header[i] = static_cast<std::uint8_t>(bytes[i]);
  return header;
}

// Whether `next` may be the header of the frame after `header`: the same
// version, layer and sampling frequency.
bool IsLike(const FrameHeaderBytes& header, const FrameHeaderBytes& next) {
  return next[0] == 0xFF && (next[1] & 0xFE) == (header[1] & 0xFE) &&
         SampleRateIndex(next) == SampleRateIndex(header) && IsValidFrameHeader(next);
}

// Bytes of a frame of `header`'s version, layer and frequency at `kbps`.
int FrameBytes(const FrameHeaderBytes& header, int kbps, int padding) {
  const int rate = SampleRate(header);
  // Layer I counts in slots of four bytes and 384 samples; Layer II takes
  // 1152 samples a frame, and so does Layer III except at the lower
  // sampling frequencies, where it takes 576.
  const int layer = LayerNumber(header);
  if (layer == 1) return (12 * kbps * 1000 / rate + padding) * 4;
  const int bytesPerKbps = layer == 3 && VersionBits(header) != kVersion1 ? 72 : 144;
  return bytesPerKbps * kbps * 1000 / rate + padding;
}

// A free-format stream may go beyond the table's rates; encoders stop at
// 640 kbit/s for MPEG-1 and at 320 kbit/s for the lower frequencies, and
// none goes below 8 kbit/s.
constexpr int kFreeFormatMaxKbpsMpeg1 = 640;
constexpr int kFreeFormatMaxKbpsLower = 320;
constexpr int kFreeFormatMinKbps = 8;

// A free-format header does not tell its frame's length, so the header of
// the next frame, free format too and of the same kind, is looked for
// between the shortest and the longest frame the format allows. Without
// one, the candidate is taken for bytes that merely look like a header.
bool FreeFormatFrameFollows(FileBytes& bytes, std::int64_t offset,
                            const FrameHeaderBytes& header, std::error_code& ec) {
  const int maxKbps =
      VersionBits(header) == kVersion1 ? kFreeFormatMaxKbpsMpeg1 : kFreeFormatMaxKbpsLower;
  const auto shortest =
      static_cast<std::size_t>(FrameBytes(header, kFreeFormatMinKbps, 0));
  const auto longest = static_cast<std::size_t>(FrameBytes(header, maxKbps, 1));
  const std::string_view window = bytes.From(offset, longest + 4, ec).substr(0, longest + 4);
  if (ec) return false;
  for (std::size_t at = FindFrameSync(window, shortest);
       at != std::string_view::npos && at + 4 <= window.size();
       at = FindFrameSync(window, at + 1)) {
    const FrameHeaderBytes next = HeaderAt(window.substr(at));
    if (BitrateIndex(next) == 0 && IsLike(header, next)) return true;
  }
  return false;
}

// Whether the frame that `header` starts at `offset` is followed by the
// header of a frame like it. A frame whose successor would lie beyond the
// end passes.
bool NextFrameFollows(FileBytes& bytes, std::int64_t offset,
                      const FrameHeaderBytes& header, std::error_code& ec) {
  if (BitrateIndex(header) == 0) return FreeFormatFrameFollows(bytes, offset, header, ec);
  const int length = FrameLength(header);
  if (offset + length + 4 > bytes.size()) return true;
  // Asked for from the candidate on, so that a block read here also holds
  // the header and the probe the caller takes next.
  const std::string_view frame =
      bytes.From(offset, static_cast<std::size_t>(length) + 4, ec);
  if (ec || frame.size() < static_cast<std::size_t>(length) + 4) return false;
  return IsLike(header, HeaderAt(frame.substr(static_cast<std::size_t>(length))));
}

std::int64_t SkipId3v2Tags(FileBytes& bytes, std::error_code& ec) {
  std::int64_t start = 0;
  for (;;) {
    const std::int64_t tag = Id3v2TagSize(bytes.From(start, 10, ec));
    if (ec || tag == 0) return start;
    start += tag;
  }
}

// The first accepted frame header at or after `from`.
std::optional<FoundFrame> FindFrameFrom(FileBytes& bytes, std::int64_t from,
                                        std::error_code& ec) {
  for (;;) {
    const std::string_view block = bytes.From(from, 4, ec);
    if (ec || block.size() < 4) return std::nullopt;
    const std::size_t at = FindFrameSync(block);
    if (at == std::string_view::npos) {
      // The block's last byte may be the first of a sync window.
      from += static_cast<std::int64_t>(block.size()) - 1;
      continue;
    }
    const std::int64_t offset = from + static_cast<std::int64_t>(at);
    from = offset + 1;
    const std::string_view start = bytes.From(offset, 4, ec);
    if (ec || start.size() < 4) return std::nullopt;
    const FrameHeaderBytes header = HeaderAt(start);
    if (!IsValidFrameHeader(header)) continue;
    const bool follows = NextFrameFollows(bytes, offset, header, ec);
    if (ec) return std::nullopt;
    if (!follows) continue;
    FoundFrame found{offset, header, std::string(bytes.From(offset, kProbe, ec).substr(0, kProbe))};
    if (ec) return std::nullopt;
    return found;
  }
}

}  // namespace

bool IsFrameSync(std::uint8_t b0, std::uint8_t b1) {
  if (b0 != 0xFF) return false;
  return (b1 & 0xF0) == 0xF0 || (b1 & 0xF8) == 0xE0;
}

std::int64_t Id3v2TagSize(std::string_view bytes) {
  if (bytes.size() < 10 || bytes.substr(0, 3) != "ID3") return 0;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  if (byte(3) == 0xFF) return 0;
  std::int64_t size = 0;
  for (std::size_t i = 6; i < 10; ++i) {
    if (byte(i) & 0x80) return 0;
    size = (size << 7) | byte(i);
  }
  const bool footer = (byte(5) & 0x10) != 0;
  return 10 + size + (footer ? 10 : 0);
}

std::size_t FindFrameSync(std::string_view bytes, std::size_t from) {
  const char* const begin = bytes.data();
  const char* const last = begin + bytes.size();  // one past the end
  const char* at = begin + std::min(from, bytes.size());
  while (last - at >= 2) {
    // memchr keeps a file without sync at close to read speed.
    const void* hit = std::memchr(at, 0xFF, static_cast<std::size_t>(last - at - 1));
    if (hit == nullptr) break;
    at = static_cast<const char*>(hit);
    if (IsFrameSync(0xFF, static_cast<std::uint8_t>(at[1]))) {
      return static_cast<std::size_t>(at - begin);
    }
    ++at;
  }
  return std::string_view::npos;
}

bool IsValidFrameHeader(const FrameHeaderBytes& header) {
  return LayerNumber(header) != 4 && BitrateIndex(header) != 15 &&
         SampleRateIndex(header) != 3;
}

int FrameLength(const FrameHeaderBytes& header) {
  const int kbps = BitrateKbps(header);
  if (kbps == 0 || SampleRate(header) == 0) return 0;
  return FrameBytes(header, kbps, (header[2] >> 1) & 1);
}

HeaderSearch FindFrameHeader(FileBytes& bytes, std::error_code& ec) {
  HeaderSearch search;
  search.audioStart = SkipId3v2Tags(bytes, ec);
  if (!ec) search.frame = FindFrameFrom(bytes, search.audioStart, ec);
  return search;
}

HeaderSearch FindFrameHeader(std::string_view fileBytes) {
  FileBytes bytes(fileBytes);
  std::error_code ec;
  return FindFrameHeader(bytes, ec);
}

void DecodeFrameHeader(const FrameHeaderBytes& header, InfoRecord& record) {
  // Version bits 01 are reserved; the sync test never lets them through.
  static constexpr MpegVersion kVersions[4] = {MpegVersion::V25, MpegVersion::None,
                                               MpegVersion::V2, MpegVersion::V1};
  if (const MpegVersion version = kVersions[VersionBits(header)]; version != MpegVersion::None) {
    record.version = version;
  }
  if (const int rate = SampleRate(header); rate != 0) record.sampleRate = rate;
  record.layer = static_cast<std::uint8_t>(LayerNumber(header));
  if (const int kbps = BitrateKbps(header); kbps != 0) record.bitrateKbps = kbps;
  record.mode = static_cast<ChannelMode>(header[3] >> 6);
}

void DecodeFrameHeader(const FrameHeaderBytes& header, TInfo& info) {
  DecodeFrameHeader(header, info.record);
  info.MPEG = ValueText(info.record, InfoField::Mpeg);
  info.Layer = ValueText(info.record, InfoField::Layer);
  info.Bitrate = ValueText(info.record, InfoField::Bitrate);
  info.SampFreq = ValueText(info.record, InfoField::SampFreq);
  info.Mode = ValueText(info.record, InfoField::Mode);
}

std::optional<FrameParams> FrameParamsOf(const FrameHeaderBytes& header) {
  const int layer = LayerNumber(header);
  const int rate = SampleRate(header);
  if (layer == 4 || rate == 0) return std::nullopt;
  FrameParams params;
  params.layer = layer;
  params.sampleRate = rate;
  params.mpeg1 = VersionBits(header) == kVersion1;
  params.mono = (header[3] >> 6) == 3;
  params.samplesPerFrame =
      layer == 1 ? 384 : (layer == 2 || params.mpeg1) ? 1152 : 576;
  return params;
}

std::optional<VbrSummary> ReadVbrSummary(std::string_view frame,
                                         const FrameParams& params) {
  if (params.layer != 3) return std::nullopt;
  // A Xing summary sits behind the side information, whose size depends on
  // version and channel count; a VBRI summary always 32 bytes behind the
  // header.
  const std::size_t sideInfo =
      params.mpeg1 ? (params.mono ? 17 : 32) : (params.mono ? 9 : 17);
  const std::size_t xing = 4 + sideInfo;
  VbrSummary summary;
  if (frame.size() >= xing + 8 && frame.substr(xing, 4) == "Xing") {
    const std::uint32_t flags = BigEndian32(frame, xing + 4);
    std::size_t at = xing + 8;
    if (!(flags & 1) || frame.size() < at + 4) return std::nullopt;
    summary.frames = BigEndian32(frame, at);
    at += 4;
    if ((flags & 2) && frame.size() >= at + 4) summary.bytes = BigEndian32(frame, at);
  } else if (frame.size() >= 36 + 18 && frame.substr(36, 4) == "VBRI") {
    summary.bytes = BigEndian32(frame, 36 + 10);
    summary.frames = BigEndian32(frame, 36 + 14);
  } else {
    return std::nullopt;
  }
  if (summary.frames == 0) return std::nullopt;
  return summary;
}

}  // namespace sonavex
