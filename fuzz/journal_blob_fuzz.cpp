// A chunk of the undo journal as it lies in the database, from any bytes:
// the first byte is the count of actions the row claims, the rest the
// blob. Reading never goes past the blob; a blob that is refused leaves the
// list as it was; whatever is read, written again, reads back the same.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/journal/action_blob.h"
#include "fuzz_support.h"

namespace sonavex::fuzz {
namespace {

bool Same(const JournalAction& a, const JournalAction& b) {
  return a.kind == b.kind && a.directory == b.directory && a.oldName == b.oldName &&
         a.newName == b.newName && a.path == b.path && a.before == b.before &&
         a.after == b.after && a.sizeBefore == b.sizeBefore && a.sizeAfter == b.sizeAfter &&
         a.hashAfter == b.hashAfter;
}

void Check(std::int64_t count, std::string_view blob) {
  // One action already in the list: reading appends behind it.
  std::vector<JournalAction> read(1);
  read[0].path = "kept";
  if (!DecodeActions(blob, count, read)) {
    Require(read.size() == 1 && read[0].path == "kept", "a refused blob changed the list");
    return;
  }
  Require(static_cast<std::int64_t>(read.size()) == count + 1, "count of actions read");
  const std::span<const JournalAction> actions = std::span(read).subspan(1);
  std::string again;
  EncodeActions(actions, again);
  std::vector<JournalAction> back;
  Require(DecodeActions(again, count, back), "a written blob reads back");
  Require(back.size() == actions.size(), "as many actions back");
  for (std::size_t i = 0; i < back.size(); ++i) {
    Require(Same(back[i], actions[i]), "the same actions back");
  }
}

}  // namespace
}  // namespace sonavex::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  sonavex::fuzz::Check(data[0], std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  return 0;
}
