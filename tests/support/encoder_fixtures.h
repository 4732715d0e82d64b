#pragma once
// MP3 files made by an encoder at test time, so that no binary fixture needs
// to be committed. The test target defines SONAVEX_LAME as the encoder's path,
// empty when it was not found at configure time.
#include <cmath>
#include <numbers>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace sonavex::test {

inline std::string LamePath() { return SONAVEX_LAME; }

inline void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// A 16-bit stereo WAV file: a tone with some noise, so that a VBR encoder
// has something to vary its frames on.
inline std::string TestWav(double seconds, std::uint32_t rate = 44100) {
  const auto frames = static_cast<std::uint32_t>(seconds * rate);
  std::string out = "RIFF";
  AppendLittleEndian(out, 36 + frames * 4, 4);
  out += "WAVEfmt ";
  AppendLittleEndian(out, 16, 4);
  AppendLittleEndian(out, 1, 2);  // PCM
  AppendLittleEndian(out, 2, 2);  // channels
  AppendLittleEndian(out, rate, 4);
  AppendLittleEndian(out, rate * 4, 4);
  AppendLittleEndian(out, 4, 2);
  AppendLittleEndian(out, 16, 2);
  out += "data";
  AppendLittleEndian(out, frames * 4, 4);
  std::uint32_t noise = 12345;
  for (std::uint32_t i = 0; i < frames; ++i) {
    noise = noise * 1103515245u + 12345u;
    const double tone = 8000 * std::sin(i * 2 * std::numbers::pi * (220 + i % 50000 / 100.0) / rate);
    const auto left = static_cast<std::int16_t>(tone + static_cast<int>(noise >> 20) - 2048);
    AppendLittleEndian(out, static_cast<std::uint16_t>(left), 2);
    AppendLittleEndian(out, static_cast<std::uint16_t>(-left), 2);
  }
  return out;
}

// Encodes `seconds` of the test signal into `mp3` with the encoder options
// given; false when the encoder failed.
inline bool EncodeMp3(const TempDir& dir, const std::string& options,
                      const std::string& mp3, double seconds = 4) {
  const std::string wav = dir / "input.wav";
  WriteFile(wav, TestWav(seconds));
  const std::string command = "'" + LamePath() + "' --quiet " + options + " '" + wav +
                              "' '" + mp3 + "' </dev/null";
  return std::system(command.c_str()) == 0;
}

}  // namespace sonavex::test
