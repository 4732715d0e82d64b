#pragma once
// What the fuzz targets share: reading texts out of the input, a check that
// stops the run with a message, and a scratch folder per process.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/text/encoding.h"

namespace sonavex::fuzz {

// Stops the run (libFuzzer keeps the input) when a property does not hold.
inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

// A text of up to `maxBytes` bytes of the input, decoded as a file name is.
inline std::u32string TakeText(FuzzedDataProvider& in, std::size_t maxBytes) {
  return DecodeUtf8(in.ConsumeRandomLengthString(maxBytes));
}

// The same with the bytes of `banned` (ASCII characters) left out before
// decoding, so that no byte sequence forms anew.
inline std::u32string TakeTextWithout(FuzzedDataProvider& in, std::size_t maxBytes,
                                      std::string_view banned) {
  std::string bytes = in.ConsumeRandomLengthString(maxBytes);
  std::erase_if(bytes, [&](char c) { return banned.find(c) != banned.npos; });
  return DecodeUtf8(bytes);
}

// The body of a target whose check takes its input through a provider.
inline int WithProvider(const std::uint8_t* data, std::size_t size,
                        void (*check)(FuzzedDataProvider&)) {
  FuzzedDataProvider in(data, size);
  check(in);
  return 0;
}

// A folder of this process, made empty on the first call and removed at
// exit; the targets that need files work below it.
inline const std::string& ScratchDirectory() {
  // Never destroyed: the handler that removes the folder at exit runs after
  // the destructors of statics made before it was registered.
  static const std::string& path = *new std::string([] {
    std::filesystem::path base = std::filesystem::exists("/dev/shm")
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    const std::string dir =
        (base / ("sonavex-fuzz-" + std::to_string(getpid()))).string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::atexit([] { std::filesystem::remove_all(ScratchDirectory()); });
    return dir;
  }());
  return path;
}

}  // namespace sonavex::fuzz
