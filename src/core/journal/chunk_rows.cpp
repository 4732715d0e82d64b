#include "core/journal/chunk_rows.h"

#include "core/journal/action_blob.h"

namespace sonavex {

// OR ROLLBACK: a statement that could fail on its own would have SQLite
// keep a copy of every page it touches, and with large pages that copy goes
// to a temporary file. The caller takes the transaction back anyway.
std::error_code ChunkRows::Prepare(sqlite3* db) {
  if (auto ec = chunk_.Prepare(
          db, "INSERT OR ROLLBACK INTO chunks(id, count, actions) VALUES(?1, ?2, ?3)")) {
    return ec;
  }
  return content_.Prepare(db, "INSERT OR ROLLBACK INTO contents(id, bytes) VALUES(?1, ?2)");
}

std::error_code ChunkRows::Insert(std::int64_t firstId, std::span<const JournalAction> actions) {
  if (actions.empty()) return {};
  blob_.clear();
  EncodeActions(actions, blob_);
  chunk_.Bind(1, firstId);
  chunk_.Bind(2, static_cast<std::int64_t>(actions.size()));
  chunk_.BindBlob(3, blob_);
  if (auto ec = chunk_.Run()) return ec;
  for (std::size_t i = 0; i < actions.size(); ++i) {
    if (!KeepsBeforeApart(actions[i].kind) || actions[i].before.empty()) continue;
    content_.Bind(1, firstId + static_cast<std::int64_t>(i));
    content_.BindBlob(2, actions[i].before);
    if (auto ec = content_.Run()) return ec;
  }
  return {};
}

}  // namespace sonavex
