// The frame header search with the ID3v2 skip, the header decoding and the
// VBR summary, on any bytes: the search on bytes in memory and the reading
// of the same bytes from a file (block by block) must agree.
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

#include "core/mp3/frame_header.h"
#include "core/mp3/tinfo.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {
namespace {

void CheckSearch(std::string_view bytes) {
  const HeaderSearch search = FindFrameHeader(bytes);
  Require(search.audioStart >= 0, "audio start is negative");
  if (!search.frame) return;
  const FoundFrame& frame = *search.frame;
  Require(frame.offset >= search.audioStart, "frame before the audio start");
  Require(frame.offset + 4 <= static_cast<std::int64_t>(bytes.size()),
          "frame header beyond the end");
  const auto at = static_cast<std::size_t>(frame.offset);
  for (std::size_t i = 0; i < 4; ++i) {
    Require(frame.header[i] == static_cast<std::uint8_t>(bytes[at + i]),
            "header differs from the bytes at its offset");
  }
  Require(IsValidFrameHeader(frame.header), "accepted header is not valid");
  Require(frame.probe == bytes.substr(at, frame.probe.size()) && !frame.probe.empty(),
          "probe is not the frame's bytes");
  Require(FrameLength(frame.header) >= 0, "negative frame length");
}

// Any four bytes as a header, any rest as a frame.
void CheckHeaderAndSummary(std::string_view bytes) {
  if (bytes.size() < 4) return;
  FrameHeaderBytes header{};
  for (std::size_t i = 0; i < 4; ++i) header[i] = static_cast<std::uint8_t>(bytes[i]);
  Require(FrameLength(header) >= 0, "negative frame length");
  TInfo info;
  DecodeFrameHeader(header, info);
  if (const auto params = FrameParamsOf(header)) {
    Require(params->sampleRate > 0 && params->samplesPerFrame > 0, "empty frame params");
    if (const auto summary = ReadVbrSummary(bytes, *params)) {
      Require(summary->frames != 0, "summary without frames");
    }
  }
}

bool SameMp3Fields(const TInfo& a, const TInfo& b) {
  return a.Titel == b.Titel && a.Interpret == b.Interpret && a.Album == b.Album &&
         a.MPEG == b.MPEG && a.Layer == b.Layer && a.Bitrate == b.Bitrate &&
         a.SampFreq == b.SampFreq && a.Mode == b.Mode && a.Dauer == b.Dauer;
}

void CheckFileAgreesWithMemory(std::string_view bytes) {
  TInfo memory;
  ReadMp3Bytes(bytes, memory);
  const std::string path = ScratchDirectory() + "/frame.mp3";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TInfo file;
  Require(!file.SetDatei(path), "reading the file failed");
  Require(file.Groesse == DecimalText(static_cast<long long>(bytes.size())),
          "size differs");
  Require(SameMp3Fields(memory, file), "file and memory reading disagree");
  Require(memory.Dauer.size() <= 6 && !memory.Bitrate.empty(), "odd playing time or rate");
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  sonavex::fuzz::CheckSearch(bytes);
  sonavex::fuzz::CheckHeaderAndSummary(bytes);
  sonavex::fuzz::CheckFileAgreesWithMemory(bytes);
  return 0;
}
