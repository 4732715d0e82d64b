#pragma once
// Locating and decoding the first MPEG audio frame header of a file, and the
// VBR summary ("Xing" / "VBRI") that an encoder may put into that frame.
// Everything here except the FileHandle overload of FindFrameHeader works on
// bytes handed to it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/fs/fs.h"

namespace sonavex {

struct TInfo;

using FrameHeaderBytes = std::array<std::uint8_t, 4>;

// b0 = FF with the upper four bits of b1 set (MPEG-1 and MPEG-2), or with the
// upper three set and version bits 00 (MPEG-2.5).
bool IsFrameSync(std::uint8_t b0, std::uint8_t b1);

// Where the audio search starts: behind a leading ID3v2 tag (and its footer),
// or 0. `head` is the start of the file; fewer than 10 bytes mean no tag.
std::int64_t AudioSearchStart(std::string_view head);

// Position of the first sync window in `bytes` at or after `from`, or npos.
std::size_t FindFrameSync(std::string_view bytes, std::size_t from = 0);

struct FoundFrame {
  std::int64_t offset = 0;
  FrameHeaderBytes header{};
  // The frame's first bytes (header included), enough to hold a VBR
  // summary; shorter at the end of the file.
  std::string probe;
};

// The first frame header of a whole file given as bytes. A sync whose two
// following bytes lie beyond the end counts as none.
std::optional<FoundFrame> FindFrameHeader(std::string_view fileBytes);

// The same search on an open file of `size` bytes, read in blocks.
std::optional<FoundFrame> FindFrameHeader(const FileHandle& file,
                                          std::int64_t size,
                                          std::error_code& ec);

// Writes MPEG, Layer, Bitrate, SampFreq and Mode of `info`; a field whose
// bits hold a reserved or forbidden value keeps what it held.
void DecodeFrameHeader(const FrameHeaderBytes& header, TInfo& info);

// Numbers of a header needed for the VBR playing time; none when the layer
// or sampling frequency index is reserved.
struct FrameParams {
  int layer = 0;             // 1, 2 or 3
  int sampleRate = 0;        // Hz
  int samplesPerFrame = 0;
  bool mono = false;
  bool mpeg1 = false;
};
std::optional<FrameParams> FrameParamsOf(const FrameHeaderBytes& header);

// The frame count (and, when stated, the audio byte count) of a "Xing" or
// "VBRI" summary in a Layer III frame. The "Info" form that encoders write
// into constant bit rate files, and a summary without frame count, give none.
struct VbrSummary {
  std::uint32_t frames = 0;
  std::optional<std::uint32_t> bytes;
};
std::optional<VbrSummary> ReadVbrSummary(std::string_view frame,
                                         const FrameParams& params);

}  // namespace sonavex
