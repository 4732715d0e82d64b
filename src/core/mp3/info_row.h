#pragma once
// The twelve values that the info views show for one file, without any
// padding: name, title, artist, album, MPEG, layer, bit rate, sampling
// frequency, mode, playing time, size, date.
#include <array>
#include <string>

#include "core/mp3/info_record.h"
#include "core/mp3/tinfo.h"

namespace sonavex {

inline constexpr int kInfoColumnCount = kInfoFieldCount;
using InfoRow = std::array<std::u32string, kInfoColumnCount>;

// Columns 1 to 9 stay empty for files that are not MP3 files; tag texts are
// shown through TrimBlanks.
InfoRow MakeInfoRow(const InfoRecord& record);
InfoRow MakeInfoRow(const TInfo& info);

}  // namespace sonavex
