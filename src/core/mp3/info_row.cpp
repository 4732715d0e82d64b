#include "core/mp3/info_row.h"

namespace sonavex {

InfoRow MakeInfoRow(const InfoRecord& record) {
  InfoRow row;
  for (int field = 0; field < kInfoFieldCount; ++field) {
    row[static_cast<std::size_t>(field)] = ShownText(record, static_cast<InfoField>(field));
  }
  return row;
}

InfoRow MakeInfoRow(const TInfo& info) { return MakeInfoRow(info.record); }

}  // namespace sonavex
