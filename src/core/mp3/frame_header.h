#pragma once
// Locating and decoding the first MPEG audio frame header of a file, and the
// VBR summary ("Xing" / "VBRI") that an encoder may put into that frame.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/mp3/file_bytes.h"

namespace sonavex {

struct InfoRecord;
struct TInfo;

using FrameHeaderBytes = std::array<std::uint8_t, 4>;

// b0 = FF with the upper four bits of b1 set (MPEG-1 and MPEG-2), or with the
// upper three set and version bits 00 (MPEG-2.5).
bool IsFrameSync(std::uint8_t b0, std::uint8_t b1);

// The length of the ID3v2 tag (header, data and footer) that `bytes` start
// with, or 0 when they start with none; fewer than 10 bytes hold none.
std::int64_t Id3v2TagSize(std::string_view bytes);

// Position of the first sync window in `bytes` at or after `from`, or npos.
std::size_t FindFrameSync(std::string_view bytes, std::size_t from = 0);

// True when the header holds no reserved layer, no bit rate index 15 and no
// reserved sampling frequency.
bool IsValidFrameHeader(const FrameHeaderBytes& header);

// Bytes of the frame that `header` starts, padding included; 0 when that
// cannot be told (free format, or a header that is not valid).
int FrameLength(const FrameHeaderBytes& header);

struct FoundFrame {
  std::int64_t offset = 0;
  FrameHeaderBytes header{};
  // The frame's first bytes (header included), enough to hold a VBR
  // summary; shorter at the end of the file.
  std::string probe;
};

struct HeaderSearch {
  // Where the audio starts: behind every ID3v2 tag at the start of the file.
  std::int64_t audioStart = 0;
  std::optional<FoundFrame> frame;
};

// The first frame header behind the ID3v2 tags: a valid header followed,
// where the bytes reach that far, by the header of a next frame of the same
// version, layer and sampling frequency at the distance the frame length
// gives. A free-format header, whose frame length is not known, needs a
// next free-format header of that kind within the longest frame the format
// allows. A candidate that fails this does not end the search; it goes on
// at the next byte. Reads that fail leave `ec` set.
HeaderSearch FindFrameHeader(FileBytes& bytes, std::error_code& ec);

// The same on a whole file given as bytes.
HeaderSearch FindFrameHeader(std::string_view fileBytes);

// Sets version, layer, bit rate, sampling frequency and mode of `record`; a
// value whose bits are reserved or forbidden keeps what it held.
void DecodeFrameHeader(const FrameHeaderBytes& header, InfoRecord& record);
// The same on the record of `info`, whose texts MPEG to Mode follow it.
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
