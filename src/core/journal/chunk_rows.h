#pragma once
// Writing the rows of one chunk of actions: the chunk (its first action's
// id, how many actions, the blob) and, apart, the old contents it keeps.
// Shared by recording and by bringing a journal of the row-per-action
// layout up to date.
#include <cstdint>
#include <span>
#include <string>
#include <system_error>

#include "core/journal/journal.h"
#include "core/journal/sqlite_util.h"

namespace sonavex {

// The mark of an action that a stopped batch never began: no part of the
// batch. Marks 1 and 2 are ActionState::Done and ActionState::Failed.
inline constexpr int kDroppedMark = 3;

class ChunkRows {
 public:
  std::error_code Prepare(sqlite3* db);
  // Inserts `actions` under the ids firstId, firstId + 1, ... A failure
  // takes the whole transaction back.
  std::error_code Insert(std::int64_t firstId, std::span<const JournalAction> actions);

 private:
  sqlite::Statement chunk_;
  sqlite::Statement content_;
  std::string blob_;  // reused: its room is made once
};

}  // namespace sonavex
