#include "core/mp3/frame_header.h"

#include <algorithm>
#include <cstring>

#include "core/mp3/tinfo.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// Version bits (b1 bits 4-3) as they appear in the header.
constexpr int kVersion25 = 0;
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

constexpr std::size_t kFirstBlock = 4096;
constexpr std::size_t kBlock = 64 * 1024;
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

std::optional<FoundFrame> FrameAt(std::int64_t offset, std::string probe) {
  if (probe.size() < 4) return std::nullopt;
  FoundFrame found;
  found.offset = offset;
  for (std::size_t i = 0; i < 4; ++i) {
    found.header[i] = static_cast<std::uint8_t>(probe[i]);
  }
  found.probe = std::move(probe);
  return found;
}

}  // namespace

bool IsFrameSync(std::uint8_t b0, std::uint8_t b1) {
  if (b0 != 0xFF) return false;
  return (b1 & 0xF0) == 0xF0 || (b1 & 0xF8) == 0xE0;
}

std::int64_t AudioSearchStart(std::string_view head) {
  if (head.size() < 10 || head.substr(0, 3) != "ID3") return 0;
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(head[i]); };
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

std::optional<FoundFrame> FindFrameHeader(std::string_view fileBytes) {
  const auto start = static_cast<std::size_t>(
      std::min<std::int64_t>(AudioSearchStart(fileBytes),
                             static_cast<std::int64_t>(fileBytes.size())));
  const std::size_t at = FindFrameSync(fileBytes, start);
  if (at == std::string_view::npos) return std::nullopt;
  return FrameAt(static_cast<std::int64_t>(at),
                 std::string(fileBytes.substr(at, kProbe)));
}

std::optional<FoundFrame> FindFrameHeader(const FileHandle& file,
                                          std::int64_t size,
                                          std::error_code& ec) {
  // Never asking beyond the end saves the read that would only find it.
  const auto upTo = [size](std::int64_t offset, std::size_t length) {
    return static_cast<std::size_t>(
        std::clamp<std::int64_t>(size - offset, 0, static_cast<std::int64_t>(length)));
  };
  std::string block;
  std::size_t requested = upTo(0, kFirstBlock);
  std::int64_t blockStart = 0;
  if ((ec = ReadAt(file.fd(), 0, requested, block))) return std::nullopt;
  std::int64_t from = AudioSearchStart(block);
  for (;;) {
    const auto blockEnd = blockStart + static_cast<std::int64_t>(block.size());
    const bool atEnd = block.size() < requested || blockEnd >= size;
    if (from < blockEnd) {
      const std::size_t at =
          FindFrameSync(block, static_cast<std::size_t>(from - blockStart));
      if (at != std::string_view::npos) {
        const std::int64_t offset = blockStart + static_cast<std::int64_t>(at);
        if (at + kProbe <= block.size() || atEnd) {
          return FrameAt(offset, block.substr(at, kProbe));
        }
        std::string probe;
        if ((ec = ReadAt(file.fd(), offset, kProbe, probe))) return std::nullopt;
        return FrameAt(offset, std::move(probe));
      }
    }
    if (atEnd) return std::nullopt;
    // The block's last byte may be the first of a sync window.
    from = std::max(from, blockEnd - 1);
    blockStart = from;
    requested = upTo(blockStart, kBlock);
    if ((ec = ReadAt(file.fd(), blockStart, requested, block))) return std::nullopt;
  }
}

void DecodeFrameHeader(const FrameHeaderBytes& header, TInfo& info) {
  // Version bits 01 are reserved; the sync test never lets them through.
  static constexpr const char32_t* kVersionNames[4] = {U"2.5", nullptr, U"2", U"1"};
  static constexpr const char32_t* kModeNames[4] = {U"Stereo", U"Joint Stereo",
                                                    U"Dual-Channel", U"Mono"};
  if (const char32_t* version = kVersionNames[VersionBits(header)]) info.MPEG = version;
  if (const int rate = SampleRate(header); rate != 0) {
    info.SampFreq = DecodeUtf8(std::to_string(rate));
  }
  const int layer = LayerNumber(header);
  info.Layer = layer == 4 ? U"?" : DecodeUtf8(std::to_string(layer));
  if (const int kbps = BitrateKbps(header); kbps != 0) {
    info.Bitrate = DecodeUtf8(std::to_string(kbps));
  }
  info.Mode = kModeNames[header[3] >> 6];
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
