#include "core/journal/journal.h"

#include <algorithm>
#include <set>
#include <string>

#include "core/fs/fs.h"
#include "core/journal/sqlite_util.h"

namespace sonavex {

// Prepared once per journal and reused: a batch of ten thousand renames
// runs the insert ten thousand times.
struct Journal::Statements {
  sqlite::Statement beginBatch;
  sqlite::Statement lastAction;
  sqlite::Statement insertAction;
  sqlite::Statement insertActions;  // kRowsPerInsert rows at once
  sqlite::Statement pendingAround;
  sqlite::Statement advanceDone;
  sqlite::Statement markDone;
  sqlite::Statement countDone;
  sqlite::Statement markFailed;
  sqlite::Statement recordOutcome;
  sqlite::Statement endBatch;
  sqlite::Statement dropBatch;
  sqlite::Statement dropActions;
  sqlite::Statement dropPending;
  sqlite::Statement reinstate;
  sqlite::Statement markUndone;
  sqlite::Statement prunedBatches;
  sqlite::Statement listBatches;
  sqlite::Statement actionsOf;
  sqlite::Statement filesOf;
};

namespace {

// The ids of a batch's actions: the batch id in the upper half, the
// action's number (from 1) in the lower.
struct IdRange {
  std::int64_t first;
  std::int64_t last;
};

IdRange ActionIds(std::int64_t batch) {
  const std::int64_t first = batch << 32;
  return {first, first | 0xFFFFFFFF};
}

std::int64_t BatchOf(std::int64_t actionId) { return actionId >> 32; }

// The last action of batch `b` counted Done by the batch's mark (its base
// id while there is none).
#define DONE_THROUGH(b) \
  "(SELECT max(done_through, id << 32) FROM batches WHERE id = " b ")"

bool IsBatchId(std::int64_t batch) { return batch > 0 && batch < (std::int64_t{1} << 31); }

// The columns an action is inserted with, in the order of its parameters.
constexpr const char* kActionColumns =
    "id, kind, directory, old_name, new_name, path, bytes_before, bytes_after, "
    "size_before, size_after, hash_after";
constexpr int kActionParameters = 11;

// Actions go in this many rows per INSERT where a chunk has enough of them:
// one statement run per row costs more than the row itself.
constexpr std::size_t kRowsPerInsert = 32;

// INSERT INTO actions(...) VALUES(?1, ..., ?11), (?12, ...), ... for `rows` rows.
// A failure takes the whole transaction back, as RecordPending does anyway:
// a statement of several rows that could fail on its own would have SQLite
// keep a copy of every page it touches, and with large pages that copy goes
// to a temporary file.
std::string InsertActionsSql(std::size_t rows) {
  std::string sql = std::string("INSERT OR ROLLBACK INTO actions(") + kActionColumns + ") VALUES";
  for (std::size_t row = 0; row < rows; ++row) {
    sql += row == 0 ? "(" : ", (";
    for (int column = 0; column < kActionParameters; ++column) {
      sql += column == 0 ? "?" : ", ?";
    }
    sql += ')';
  }
  return sql;
}

// A rename's directory is stored only where it differs from the one of the
// action before it (NULL otherwise): a batch renames many files per folder,
// and the repeated paths would make up a third of the journal. The first
// action of each RecordPending call always carries it. `row` is the row of
// a several-row INSERT the action goes into.
void BindAction(sqlite::Statement& insert, std::size_t row, std::int64_t id,
                const JournalAction& action, const JournalAction* previous) {
  const int base = static_cast<int>(row) * kActionParameters;
  insert.Bind(base + 1, id);
  insert.Bind(base + 2, static_cast<int>(action.kind));
  if (action.kind == ActionKind::Rename) {
    if (previous == nullptr || previous->kind != ActionKind::Rename ||
        previous->directory != action.directory) {
      insert.BindBlob(base + 3, action.directory);
    }
    insert.BindBlob(base + 4, action.oldName);
    insert.BindBlob(base + 5, action.newName);
    return;
  }
  insert.BindBlob(base + 6, action.path);
  switch (action.kind) {
    case ActionKind::TagWrite:
      insert.BindBlob(base + 7, action.before);
      insert.BindBlob(base + 8, action.after);
      break;
    case ActionKind::Id3v2Write:
      insert.BindBlob(base + 7, action.before);
      insert.BindBlob(base + 8, action.after);
      insert.Bind(base + 9, action.sizeBefore);
      insert.Bind(base + 10, action.sizeAfter);
      insert.BindBlob(base + 11, action.hashAfter);
      break;
    case ActionKind::TagAppend:
    case ActionKind::TagRemove:
      insert.Bind(base + 9, action.sizeBefore);
      break;
    case ActionKind::ContentReplace:
      insert.BindBlob(base + 7, action.before);
      insert.Bind(base + 9, action.sizeBefore);
      insert.Bind(base + 10, action.sizeAfter);
      insert.BindBlob(base + 11, action.hashAfter);
      break;
    case ActionKind::ExportWrite:
      insert.Bind(base + 10, action.sizeAfter);
      insert.BindBlob(base + 11, action.hashAfter);
      break;
    case ActionKind::FileRemove:
      insert.BindBlob(base + 7, action.before);
      insert.Bind(base + 9, action.sizeBefore);
      break;
    default:
      break;
  }
}

JournalAction ReadAction(const sqlite::Statement& row,
                         const std::string& previousDirectory) {
  JournalAction action;
  action.id = row.Int(0);
  action.kind = static_cast<ActionKind>(row.Int(1));
  action.state = static_cast<ActionState>(row.Int(2));
  const bool sameDirectory = action.kind == ActionKind::Rename && row.IsNull(3);
  action.directory = sameDirectory ? previousDirectory : row.Bytes(3);
  action.oldName = row.Bytes(4);
  action.newName = row.Bytes(5);
  action.path = row.Bytes(6);
  action.before = row.Bytes(7);
  action.after = row.Bytes(8);
  action.sizeBefore = row.Int(9);
  action.sizeAfter = row.Int(10);
  action.hashAfter = row.Bytes(11);
  action.failure = row.Bytes(12);
  return action;
}

BatchSummary ReadSummary(const sqlite::Statement& row) {
  BatchSummary summary;
  summary.id = row.Int(0);
  summary.header.time = row.Int(1);
  const std::string operation = row.Bytes(2);
  summary.header.operation = operation.empty() ? '\0' : operation[0];
  summary.header.caption = row.Bytes(3);
  summary.header.parameters = row.Bytes(4);
  summary.header.directory = row.Bytes(5);
  summary.header.undoes = row.Int(6);
  summary.undoneBy = row.Int(7);
  summary.ended = row.Int(8) != 0;
  summary.doneActions = static_cast<int>(row.Int(9));
  return summary;
}

bool IsValid(const JournalAction& action) {
  if (action.kind == ActionKind::TagWrite) {
    return action.before.size() == 128 && action.after.size() == 128;
  }
  if (action.kind == ActionKind::ContentReplace || action.kind == ActionKind::FileRemove) {
    return static_cast<std::int64_t>(action.before.size()) <= kMaxKeptContent;
  }
  if (action.kind == ActionKind::Id3v2Write) {
    return action.sizeBefore >= 0 &&
           static_cast<std::int64_t>(action.before.size()) <= kMaxKeptContent &&
           static_cast<std::int64_t>(action.after.size()) <= kMaxKeptContent;
  }
  return action.kind >= ActionKind::Rename && action.kind <= ActionKind::Id3v2Write;
}

}  // namespace

bool CanBeUndone(const JournalAction& action) {
  return (action.kind != ActionKind::ContentReplace &&
          action.kind != ActionKind::FileRemove) ||
         static_cast<std::int64_t>(action.before.size()) == action.sizeBefore;
}

Journal::Journal(sqlite3* db) : db_(db) {}

Journal::~Journal() {
  // Statements first: a database with live statements does not close.
  statements_.reset();
  sqlite3_close(db_);
}

std::error_code Journal::PrepareStatements() {
  statements_ = std::make_unique<Statements>();
  Statements& s = *statements_;
  const std::pair<sqlite::Statement*, const char*> all[] = {
      {&s.beginBatch,
       "INSERT INTO batches(time, operation, caption, parameters, directory, "
       "undoes) VALUES(?1, ?2, ?3, ?4, ?5, ?6)"},
      {&s.lastAction,
       "SELECT EXISTS(SELECT 1 FROM batches WHERE id = ?3), "
       "(SELECT max(id) FROM actions WHERE id BETWEEN ?1 AND ?2)"},
      {&s.pendingAround,
       "SELECT count(*) FILTER (WHERE id < ?2), count(*) FILTER (WHERE id >= ?2) "
       "FROM actions WHERE id > " DONE_THROUGH("?1") " AND id <= ?3 AND state = 0"},
      {&s.advanceDone,
       "UPDATE batches SET done_through = max(done_through, ?2), done = done + ?3 "
       "WHERE id = ?1"},
      {&s.markDone,  // OR ROLLBACK: see InsertActionsSql
       "UPDATE OR ROLLBACK actions SET state = 1 WHERE id BETWEEN ?2 AND ?3 AND state = 0 "
       "AND id > " DONE_THROUGH("?1")},
      {&s.countDone, "UPDATE batches SET done = done + ?2 WHERE id = ?1"},
      {&s.markFailed,
       "UPDATE actions SET state = 2, failure = ?3 WHERE id = ?2 AND state = 0 "
       "AND id > " DONE_THROUGH("?1")},
      {&s.recordOutcome,
       "UPDATE actions SET size_after = ?2, hash_after = ?3 WHERE id = ?1 AND state = 0"},
      {&s.endBatch, "UPDATE batches SET ended = 1 WHERE id = ?1 AND done > 0"},
      {&s.dropBatch, "DELETE FROM batches WHERE id = ?1"},
      {&s.dropActions, "DELETE FROM actions WHERE id BETWEEN ?1 AND ?2"},
      {&s.dropPending,
       "DELETE FROM actions WHERE id BETWEEN ?1 AND ?2 AND state = 0 AND id > "
       DONE_THROUGH("?3")},
      {&s.reinstate,
       "UPDATE batches SET undone_by = 0 WHERE undone_by = ?1 AND id = "
       "(SELECT undoes FROM batches WHERE id = ?1)"},
      {&s.markUndone, "UPDATE batches SET undone_by = ?2 WHERE id = ?1"},
      {&s.prunedBatches,
       "SELECT id FROM batches WHERE time < ?1 OR id NOT IN "
       "(SELECT id FROM batches ORDER BY id DESC LIMIT ?2)"},
      {&s.listBatches,
       "SELECT id, time, operation, caption, parameters, directory, undoes, "
       "undone_by, ended, done FROM batches ORDER BY id DESC"},
      {&s.actionsOf,
       "SELECT id, kind, CASE WHEN state = 0 AND id <= " DONE_THROUGH("?3")
       " THEN 1 ELSE state END, directory, old_name, new_name, path, "
       "bytes_before, bytes_after, size_before, size_after, hash_after, "
       "failure FROM actions WHERE id BETWEEN ?1 AND ?2 ORDER BY id"},
      {&s.filesOf,
       "SELECT kind, directory, old_name, path FROM actions "
       "WHERE id BETWEEN ?1 AND ?2 AND state <> 2 ORDER BY id"},
  };
#undef DONE_THROUGH
  for (const auto& [statement, sql] : all) {
    if (auto ec = statement->Prepare(db_, sql)) return ec;
  }
  if (auto ec = s.insertAction.Prepare(db_, InsertActionsSql(1).c_str())) return ec;
  return s.insertActions.Prepare(db_, InsertActionsSql(kRowsPerInsert).c_str());
}

std::vector<std::int64_t> Journal::PrunedBatches(std::int64_t now,
                                                 std::error_code& ec) {
  std::vector<std::int64_t> batches;
  sqlite::Statement& query = statements_->prunedBatches;
  query.Bind(1, now - kKeptSeconds);
  query.Bind(2, kKeptBatches);
  while (query.Step(ec)) batches.push_back(query.Int(0));
  query.Reset();
  return batches;
}

std::error_code Journal::DropBatch(std::int64_t batch) {
  const IdRange ids = ActionIds(batch);
  statements_->dropActions.Bind(1, ids.first);
  statements_->dropActions.Bind(2, ids.last);
  if (auto ec = statements_->dropActions.Run()) return ec;
  statements_->dropBatch.Bind(1, batch);
  return statements_->dropBatch.Run();
}

std::error_code Journal::Prune(std::int64_t now) {
  sqlite::Transaction transaction(db_);
  if (transaction.error()) return transaction.error();
  std::error_code ec;
  const std::vector<std::int64_t> pruned = PrunedBatches(now, ec);
  for (auto batch = pruned.begin(); !ec && batch != pruned.end(); ++batch) {
    ec = DropBatch(*batch);
  }
  if (ec || (ec = transaction.Commit())) return ec;
  // Hands the freed pages back; a failure here loses nothing.
  if (!pruned.empty()) sqlite::Exec(db_, "PRAGMA incremental_vacuum");
  return {};
}

std::int64_t Journal::BeginBatch(const BatchHeader& header, std::error_code& ec) {
  sqlite::Statement& insert = statements_->beginBatch;
  insert.Bind(1, header.time);
  insert.BindText(2, std::string_view(&header.operation, 1));
  insert.BindText(3, header.caption);
  insert.BindText(4, header.parameters);
  insert.BindBlob(5, header.directory);
  insert.Bind(6, header.undoes);
  if ((ec = insert.Run())) return 0;
  return sqlite3_last_insert_rowid(db_);
}

// The id of the batch's newest action, or the batch's base id when it has
// none yet. A batch that does not exist is an error: its actions would
// never be pruned.
std::int64_t Journal::LastActionId(std::int64_t batch, std::error_code& ec) {
  const IdRange ids = ActionIds(batch);
  sqlite::Statement& query = statements_->lastAction;
  query.Bind(1, ids.first);
  query.Bind(2, ids.last);
  query.Bind(3, batch);
  const bool row = query.Step(ec);
  const bool exists = row && query.Int(0) != 0;
  const std::int64_t last = row && !query.IsNull(1) ? query.Int(1) : ids.first;
  query.Reset();
  if (!ec && !exists) ec = std::make_error_code(std::errc::invalid_argument);
  return last;
}

std::vector<std::int64_t> Journal::RecordPending(
    std::int64_t batch, std::span<const JournalAction> actions,
    std::error_code& ec) {
  if (!IsBatchId(batch) || !std::all_of(actions.begin(), actions.end(), IsValid)) {
    ec = std::make_error_code(std::errc::invalid_argument);
    return {};
  }
  sqlite::Transaction transaction(db_);
  if ((ec = transaction.error())) return {};
  std::int64_t id = LastActionId(batch, ec);
  if (ec) return {};
  std::vector<std::int64_t> ids;
  ids.reserve(actions.size());
  const JournalAction* previous = nullptr;
  for (std::size_t first = 0; first < actions.size();) {
    const bool several = actions.size() - first >= kRowsPerInsert;
    sqlite::Statement& insert =
        several ? statements_->insertActions : statements_->insertAction;
    const std::size_t rows = several ? kRowsPerInsert : 1;
    for (std::size_t row = 0; row < rows; ++row) {
      BindAction(insert, row, ++id, actions[first + row], previous);
      ids.push_back(id);
      previous = &actions[first + row];
    }
    if ((ec = insert.Run())) return {};
    first += rows;
  }
  if ((ec = transaction.Commit())) return {};
  return ids;
}

// Marks the actions first..last done (consecutive ids of one batch) and
// counts the newly done ones into the batch. When every action before them
// is settled, which is the usual case, moving the batch's mark past them is
// enough: the rows themselves are not rewritten.
std::error_code Journal::MarkRunDone(std::int64_t first, std::int64_t last) {
  const std::int64_t batch = BatchOf(first);
  sqlite::Statement& pending = statements_->pendingAround;
  pending.Bind(1, batch);
  pending.Bind(2, first);
  pending.Bind(3, last);
  std::error_code ec;
  const bool found = pending.Step(ec);
  const std::int64_t pendingBefore = found ? pending.Int(0) : 1;
  const std::int64_t pendingInRun = found ? pending.Int(1) : 0;
  pending.Reset();
  if (ec) return ec;
  if (pendingBefore == 0) {
    statements_->advanceDone.Bind(1, batch);
    statements_->advanceDone.Bind(2, last);
    statements_->advanceDone.Bind(3, pendingInRun);
    return statements_->advanceDone.Run();
  }
  statements_->markDone.Bind(1, batch);
  statements_->markDone.Bind(2, first);
  statements_->markDone.Bind(3, last);
  if ((ec = statements_->markDone.Run())) return ec;
  statements_->countDone.Bind(1, batch);
  statements_->countDone.Bind(2, sqlite3_changes(db_));
  return statements_->countDone.Run();
}

std::error_code Journal::MarkDone(std::span<const std::int64_t> ids) {
  sqlite::Transaction transaction(db_);
  if (transaction.error()) return transaction.error();
  for (std::size_t first = 0; first < ids.size();) {
    std::size_t last = first;
    while (last + 1 < ids.size() && ids[last + 1] == ids[last] + 1 &&
           BatchOf(ids[last + 1]) == BatchOf(ids[first])) {
      ++last;
    }
    if (auto ec = MarkRunDone(ids[first], ids[last])) return ec;
    first = last + 1;
  }
  return transaction.Commit();
}

std::error_code Journal::MarkFailed(std::int64_t id, const std::string& failure) {
  sqlite::Statement& update = statements_->markFailed;
  update.Bind(1, BatchOf(id));
  update.Bind(2, id);
  update.BindText(3, failure);
  return update.Run();
}

std::error_code Journal::DropPending(std::int64_t first, std::int64_t last) {
  if (first > last || BatchOf(first) != BatchOf(last)) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  sqlite::Statement& drop = statements_->dropPending;
  drop.Bind(1, first);
  drop.Bind(2, last);
  drop.Bind(3, BatchOf(first));
  return drop.Run();
}

std::error_code Journal::RecordOutcome(std::int64_t id, std::int64_t sizeAfter,
                                       const std::string& hashAfter) {
  sqlite::Statement& update = statements_->recordOutcome;
  update.Bind(1, id);
  update.Bind(2, sizeAfter);
  update.BindBlob(3, hashAfter);
  return update.Run();
}

std::error_code Journal::EndBatch(std::int64_t batch) {
  if (!IsBatchId(batch)) return std::make_error_code(std::errc::invalid_argument);
  sqlite::Transaction transaction(db_);
  if (transaction.error()) return transaction.error();
  statements_->endBatch.Bind(1, batch);
  if (auto ec = statements_->endBatch.Run()) return ec;
  if (sqlite3_changes(db_) == 0) {
    if (auto ec = DropBatch(batch)) return ec;
  }
  return transaction.Commit();
}

namespace {

// The batch that `batch` takes back, 0 for none.
std::int64_t UndoesOf(sqlite3* db, std::int64_t batch, std::error_code& ec) {
  sqlite::Statement query;
  if ((ec = query.Prepare(db, "SELECT undoes FROM batches WHERE id = ?1"))) return 0;
  query.Bind(1, batch);
  return query.Step(ec) ? query.Int(0) : 0;
}

// `undo` is in effect again: the batch it takes back is undone by it again.
std::error_code Retake(sqlite3* db, std::int64_t undo, std::int64_t target) {
  sqlite::Statement update;
  if (auto ec = update.Prepare(db, "UPDATE batches SET undone_by = ?1 WHERE id = ?2")) return ec;
  update.Bind(1, undo);
  update.Bind(2, target);
  return update.Run();
}

}  // namespace

std::error_code Journal::Reinstate(std::int64_t batch) {
  statements_->reinstate.Bind(1, batch);
  return statements_->reinstate.Run();
}

// Down a chain of undos the marks alternate: undoing a redo puts its undo
// back in effect, which takes the batch back again, and so on.
std::error_code Journal::MarkUndone(std::int64_t batch, std::int64_t undoBatch) {
  sqlite::Transaction transaction(db_);
  if (transaction.error()) return transaction.error();
  if (auto ec = Reinstate(batch)) return ec;
  statements_->markUndone.Bind(1, batch);
  statements_->markUndone.Bind(2, undoBatch);
  if (auto ec = statements_->markUndone.Run()) return ec;
  if (sqlite3_changes(db_) == 0) return std::make_error_code(std::errc::invalid_argument);
  std::error_code ec;
  for (std::int64_t back = UndoesOf(db_, batch, ec); !ec && back != 0;) {
    const std::int64_t target = UndoesOf(db_, back, ec);
    if (ec || target == 0) break;
    if ((ec = Retake(db_, back, target)) || (ec = Reinstate(target))) break;
    back = UndoesOf(db_, target, ec);
  }
  if (ec) return ec;
  return transaction.Commit();
}

namespace {

// Whether `into` and `from` may be joined (see JoinBatch); `from`'s done
// count and mark come back.
bool Joinable(sqlite3* db, std::int64_t into, std::int64_t from, std::int64_t& done,
              std::int64_t& doneThrough, std::error_code& ec) {
  sqlite::Statement check;
  if ((ec = check.Prepare(
           db,
           "SELECT b.done, b.done_through FROM batches a, batches b WHERE a.id = ?1 AND "
           "b.id = ?2 AND a.operation = b.operation AND a.ended AND b.ended AND "
           "a.undoes = 0 AND b.undoes = 0 AND a.undone_by = 0 AND b.undone_by = 0 AND "
           "NOT EXISTS (SELECT 1 FROM batches WHERE id > ?1 AND id <> ?2)"))) {
    return false;
  }
  check.Bind(1, into);
  check.Bind(2, from);
  const bool found = check.Step(ec);
  if (found) {
    done = check.Int(0);
    doneThrough = check.Int(1);
  }
  return found && !ec;
}

}  // namespace

std::error_code Journal::JoinBatch(std::int64_t into, std::int64_t from) {
  if (!IsBatchId(into) || !IsBatchId(from) || into >= from) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  sqlite::Transaction transaction(db_);
  if (transaction.error()) return transaction.error();
  std::error_code ec;
  std::int64_t done = 0;
  std::int64_t doneThrough = 0;
  if (!Joinable(db_, into, from, done, doneThrough, ec)) {
    return ec ? ec : std::make_error_code(std::errc::invalid_argument);
  }
  const std::int64_t last = LastActionId(into, ec);
  if (ec) return ec;
  const IdRange moved = ActionIds(from);
  // The moved actions carry their state themselves: `into`'s mark does not
  // reach them.
  sqlite::Statement move;
  if ((ec = move.Prepare(db_,
                         "UPDATE actions SET id = id + ?3, state = CASE WHEN state = 0 AND "
                         "id <= ?4 THEN 1 ELSE state END WHERE id BETWEEN ?1 AND ?2"))) {
    return ec;
  }
  move.Bind(1, moved.first);
  move.Bind(2, moved.last);
  move.Bind(3, last - moved.first);
  move.Bind(4, std::max(doneThrough, moved.first));
  if ((ec = move.Run())) return ec;
  statements_->countDone.Bind(1, into);
  statements_->countDone.Bind(2, done);
  if ((ec = statements_->countDone.Run())) return ec;
  statements_->dropBatch.Bind(1, from);
  if ((ec = statements_->dropBatch.Run())) return ec;
  return transaction.Commit();
}

std::vector<BatchSummary> Journal::ListBatches(std::error_code& ec) {
  std::vector<BatchSummary> batches;
  sqlite::Statement& query = statements_->listBatches;
  while (query.Step(ec)) batches.push_back(ReadSummary(query));
  query.Reset();
  if (ec) return {};
  return batches;
}

std::vector<JournalAction> Journal::ActionsOf(std::int64_t batch,
                                              std::error_code& ec) {
  if (!IsBatchId(batch)) return {};
  const IdRange ids = ActionIds(batch);
  std::vector<JournalAction> actions;
  sqlite::Statement& query = statements_->actionsOf;
  query.Bind(1, ids.first);
  query.Bind(2, ids.last);
  query.Bind(3, batch);
  std::string directory;
  while (query.Step(ec)) {
    actions.push_back(ReadAction(query, directory));
    directory = actions.back().directory;
  }
  query.Reset();
  if (ec) return {};
  return actions;
}

int Journal::FilesOf(std::int64_t batch, std::error_code& ec) {
  if (!IsBatchId(batch)) return 0;
  const IdRange ids = ActionIds(batch);
  sqlite::Statement& query = statements_->filesOf;
  query.Bind(1, ids.first);
  query.Bind(2, ids.last);
  std::set<std::string> files;
  std::string directory;
  while (query.Step(ec)) {
    if (static_cast<ActionKind>(query.Int(0)) != ActionKind::Rename) {
      files.insert(query.Bytes(3));
      continue;
    }
    if (!query.IsNull(1)) directory = query.Bytes(1);
    files.insert(JoinPath(directory, query.Bytes(2)));
  }
  query.Reset();
  return ec ? 0 : static_cast<int>(files.size());
}

}  // namespace sonavex
