#include "core/journal/journal.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <set>
#include <string>

#include "core/fs/fs.h"
#include "core/journal/action_blob.h"
#include "core/journal/chunk_rows.h"
#include "core/journal/sqlite_util.h"

namespace sonavex {

// Prepared once per journal and reused: a batch of ten thousand renames
// records ten chunks, but marks, lists and prunes many times.
struct Journal::Statements {
  ChunkRows chunkRows;
  sqlite::Statement beginBatch;
  sqlite::Statement lastAction;
  sqlite::Statement doneThrough;
  sqlite::Statement countActions;
  sqlite::Statement countMarks;
  sqlite::Statement isUnmarked;
  sqlite::Statement advanceDone;
  sqlite::Statement markRange;
  sqlite::Statement countDone;
  sqlite::Statement markFailed;
  sqlite::Statement recordOutcome;
  sqlite::Statement endBatch;
  sqlite::Statement dropBatch;
  sqlite::Statement dropChunks;
  sqlite::Statement dropMarks;
  sqlite::Statement dropOutcomes;
  sqlite::Statement dropContents;
  sqlite::Statement reinstate;
  sqlite::Statement markUndone;
  sqlite::Statement prunedBatches;
  sqlite::Statement listBatches;
  sqlite::Statement chunksOf;
  sqlite::Statement marksOf;
  sqlite::Statement outcomesOf;
  sqlite::Statement contentsOf;
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

// Whether action `x` was recorded: the chunk that begins at or before it
// reaches it.
#define ACTION_EXISTS(x) \
  "(SELECT id + count FROM chunks WHERE id <= " x " ORDER BY id DESC LIMIT 1) > " x

bool IsBatchId(std::int64_t batch) { return batch > 0 && batch < (std::int64_t{1} << 31); }

// What the side tables say about the actions of one batch, by id.
struct Mark {
  int state = 0;
  std::string failure;
};
struct Outcome {
  std::int64_t sizeAfter = 0;
  std::string hashAfter;
};

// Fills in what was recorded about the action after its chunk: its state
// (a mark, else the batch's done mark), the outcome and the old content.
void Complete(JournalAction& action, std::int64_t doneThrough, const std::map<std::int64_t, Mark>& marks,
              std::map<std::int64_t, Outcome>& outcomes,
              std::map<std::int64_t, std::string>& contents) {
  if (const auto mark = marks.find(action.id); mark != marks.end()) {
    action.state = static_cast<ActionState>(mark->second.state);
    action.failure = mark->second.failure;
  } else {
    action.state = action.id <= doneThrough ? ActionState::Done : ActionState::Pending;
  }
  if (const auto outcome = outcomes.find(action.id); outcome != outcomes.end()) {
    action.sizeAfter = outcome->second.sizeAfter;
    action.hashAfter = std::move(outcome->second.hashAfter);
  }
  if (const auto content = contents.find(action.id); content != contents.end()) {
    action.before = std::move(content->second);
  }
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

// The one number `query` gives for the ids first..last.
std::int64_t CountIn(sqlite::Statement& query, std::int64_t first, std::int64_t last,
                     std::error_code& ec) {
  query.Bind(1, first);
  query.Bind(2, last);
  const std::int64_t count = query.Step(ec) ? query.Int(0) : 0;
  query.Reset();
  return count;
}

// Runs `query` over the ids of one batch, handing each row to `take`.
template <typename Take>
std::error_code ForEachRow(sqlite::Statement& query, IdRange ids, Take take) {
  query.Bind(1, ids.first);
  query.Bind(2, ids.last);
  std::error_code ec;
  while (query.Step(ec)) take(query);
  query.Reset();
  return ec;
}

std::error_code ReadMarks(sqlite::Statement& query, IdRange ids,
                          std::map<std::int64_t, Mark>& marks) {
  return ForEachRow(query, ids, [&](const sqlite::Statement& row) {
    marks[row.Int(0)] = {static_cast<int>(row.Int(1)), row.Bytes(2)};
  });
}

std::error_code ReadOutcomes(sqlite::Statement& query, IdRange ids,
                             std::map<std::int64_t, Outcome>& outcomes) {
  return ForEachRow(query, ids, [&](const sqlite::Statement& row) {
    outcomes[row.Int(0)] = {row.Int(1), row.Bytes(2)};
  });
}

std::error_code ReadContents(sqlite::Statement& query, IdRange ids,
                             std::map<std::int64_t, std::string>& contents) {
  return ForEachRow(query, ids,
                    [&](const sqlite::Statement& row) { contents[row.Int(0)] = row.Bytes(1); });
}

// The recorded actions of one batch in id order, ids filled in. A chunk
// that does not decode makes the journal corrupt.
std::error_code ReadChunks(sqlite::Statement& query, IdRange ids,
                           std::vector<JournalAction>& actions) {
  bool corrupt = false;
  const std::error_code ec = ForEachRow(query, ids, [&](const sqlite::Statement& row) {
    const std::size_t first = actions.size();
    corrupt = corrupt || !DecodeActions(row.View(2), row.Int(1), actions);
    for (std::size_t i = first; i < actions.size(); ++i) {
      actions[i].id = row.Int(0) + static_cast<std::int64_t>(i - first);
    }
  });
  return ec ? ec : corrupt ? sqlite::ErrorOf(SQLITE_CORRUPT) : std::error_code();
}

bool IsDropped(const std::map<std::int64_t, Mark>& marks, const JournalAction& action) {
  const auto mark = marks.find(action.id);
  return mark != marks.end() && mark->second.state == kDroppedMark;
}

// Moves the actions with ids in `moved` by `shift`, with everything recorded
// about them.
std::error_code MoveActions(sqlite3* db, IdRange moved, std::int64_t shift) {
  for (const char* table : {"chunks", "marks", "outcomes", "contents"}) {
    sqlite::Statement move;
    const std::string sql =
        std::string("UPDATE ") + table + " SET id = id + ?3 WHERE id BETWEEN ?1 AND ?2";
    if (auto ec = move.Prepare(db, sql.c_str())) return ec;
    move.Bind(1, moved.first);
    move.Bind(2, moved.last);
    move.Bind(3, shift);
    if (auto ec = move.Run()) return ec;
  }
  return {};
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
       "(SELECT id + count - 1 FROM chunks WHERE id BETWEEN ?1 AND ?2 ORDER BY id DESC "
       "LIMIT 1)"},
      {&s.doneThrough, "SELECT " DONE_THROUGH("?1")},
      // How many actions were recorded with ids ?1..?2 (of one batch): the
      // overlap of each chunk from the one holding ?1 on.
      {&s.countActions,
       "SELECT sum(min(id + count - 1, ?2) - max(id, ?1) + 1) FROM chunks "
       "WHERE id BETWEEN coalesce((SELECT max(id) FROM chunks WHERE id BETWEEN "
       "(?1 >> 32) << 32 AND ?1), ?1) AND ?2 AND id + count > ?1"},
      {&s.countMarks, "SELECT count(*) FROM marks WHERE id BETWEEN ?1 AND ?2"},
      {&s.isUnmarked,
       "SELECT " ACTION_EXISTS("?1") " AND NOT EXISTS (SELECT 1 FROM marks WHERE id = ?1)"},
      {&s.advanceDone,
       "UPDATE batches SET done_through = max(done_through, ?2), done = done + ?3 "
       "WHERE id = ?1"},
      // Gives the recorded actions ?1..?2 without a mark the mark ?3.
      // OR ROLLBACK: see ChunkRows::Prepare.
      {&s.markRange,
       "WITH RECURSIVE r(id) AS (SELECT ?1 UNION ALL SELECT id + 1 FROM r WHERE id < ?2) "
       "INSERT OR ROLLBACK INTO marks(id, state) SELECT id, ?3 FROM r "
       "WHERE NOT EXISTS (SELECT 1 FROM marks m WHERE m.id = r.id) AND " ACTION_EXISTS("r.id")},
      {&s.countDone, "UPDATE batches SET done = done + ?2 WHERE id = ?1"},
      {&s.markFailed,
       "INSERT INTO marks(id, state, failure) SELECT ?2, 2, ?3 WHERE ?2 > " DONE_THROUGH("?1")
       " AND NOT EXISTS (SELECT 1 FROM marks WHERE id = ?2) AND " ACTION_EXISTS("?2")},
      {&s.recordOutcome,
       "INSERT OR REPLACE INTO outcomes(id, size_after, hash_after) SELECT ?1, ?2, ?3 "
       "WHERE NOT EXISTS (SELECT 1 FROM marks WHERE id = ?1) AND " ACTION_EXISTS("?1")},
      {&s.endBatch, "UPDATE batches SET ended = 1 WHERE id = ?1 AND done > 0"},
      {&s.dropBatch, "DELETE FROM batches WHERE id = ?1"},
      {&s.dropChunks, "DELETE FROM chunks WHERE id BETWEEN ?1 AND ?2"},
      {&s.dropMarks, "DELETE FROM marks WHERE id BETWEEN ?1 AND ?2"},
      {&s.dropOutcomes, "DELETE FROM outcomes WHERE id BETWEEN ?1 AND ?2"},
      {&s.dropContents, "DELETE FROM contents WHERE id BETWEEN ?1 AND ?2"},
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
      {&s.chunksOf, "SELECT id, count, actions FROM chunks WHERE id BETWEEN ?1 AND ?2 ORDER BY id"},
      {&s.marksOf, "SELECT id, state, failure FROM marks WHERE id BETWEEN ?1 AND ?2"},
      {&s.outcomesOf, "SELECT id, size_after, hash_after FROM outcomes WHERE id BETWEEN ?1 AND ?2"},
      {&s.contentsOf, "SELECT id, bytes FROM contents WHERE id BETWEEN ?1 AND ?2"},
  };
#undef ACTION_EXISTS
#undef DONE_THROUGH
  for (const auto& [statement, sql] : all) {
    if (auto ec = statement->Prepare(db_, sql)) return ec;
  }
  return s.chunkRows.Prepare(db_);
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
  for (sqlite::Statement* drop : {&statements_->dropChunks, &statements_->dropMarks,
                                  &statements_->dropOutcomes, &statements_->dropContents}) {
    drop->Bind(1, ids.first);
    drop->Bind(2, ids.last);
    if (auto ec = drop->Run()) return ec;
  }
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
  if ((ec = statements_->chunkRows.Insert(id + 1, actions))) return {};
  if ((ec = transaction.Commit())) return {};
  std::vector<std::int64_t> ids(actions.size());
  std::iota(ids.begin(), ids.end(), id + 1);
  return ids;
}

// The batch's done mark: its last action counted Done unless marked
// otherwise (the batch's base id while there is none).
std::int64_t Journal::DoneThrough(std::int64_t batch, std::error_code& ec) {
  sqlite::Statement& query = statements_->doneThrough;
  query.Bind(1, batch);
  const std::int64_t doneThrough = query.Step(ec) ? query.Int(0) : 0;
  query.Reset();
  return doneThrough;
}

// How many of the recorded actions first..last (of one batch) carry no
// mark of their own.
std::int64_t Journal::UnmarkedAmong(std::int64_t first, std::int64_t last,
                                    std::error_code& ec) {
  if (first > last) return 0;
  const std::int64_t recorded = CountIn(statements_->countActions, first, last, ec);
  const std::int64_t marked = ec ? 0 : CountIn(statements_->countMarks, first, last, ec);
  return ec ? 0 : recorded - marked;
}

// Whether any recorded action first..last carries no mark of its own. The
// first is asked about alone before the whole stretch is counted: while an
// early step of a batch still runs, each later step marked done would
// otherwise count every action between them, a cost that grows with the
// batch.
bool Journal::AnyUnmarkedAmong(std::int64_t first, std::int64_t last, std::error_code& ec) {
  if (first > last) return false;
  sqlite::Statement& query = statements_->isUnmarked;
  query.Bind(1, first);
  const bool unmarked = query.Step(ec) && query.Int(0) != 0;
  query.Reset();
  if (ec || unmarked) return unmarked;
  return UnmarkedAmong(first + 1, last, ec) > 0;
}

// Gives the recorded actions first..last that carry no mark the mark
// `state`; how many got it.
std::int64_t Journal::MarkRange(std::int64_t first, std::int64_t last, int state,
                                std::error_code& ec) {
  if (first > last) return 0;
  sqlite::Statement& mark = statements_->markRange;
  mark.Bind(1, first);
  mark.Bind(2, last);
  mark.Bind(3, state);
  if ((ec = mark.Run())) return 0;
  return sqlite3_changes(db_);
}

// Marks the actions first..last done (consecutive ids of one batch) and
// counts the newly done ones into the batch. When every action before them
// is settled, which is the usual case, moving the batch's mark past them is
// enough: nothing is written per action.
std::error_code Journal::MarkRunDone(std::int64_t first, std::int64_t last) {
  const std::int64_t batch = BatchOf(first);
  std::error_code ec;
  const std::int64_t doneThrough = DoneThrough(batch, ec);
  const bool pendingBefore = !ec && AnyUnmarkedAmong(doneThrough + 1, first - 1, ec);
  const std::int64_t runFrom = std::max(first, doneThrough + 1);
  if (ec) return ec;
  if (!pendingBefore) {
    const std::int64_t pendingInRun = UnmarkedAmong(runFrom, last, ec);
    if (ec) return ec;
    statements_->advanceDone.Bind(1, batch);
    statements_->advanceDone.Bind(2, last);
    statements_->advanceDone.Bind(3, pendingInRun);
    return statements_->advanceDone.Run();
  }
  const std::int64_t marked = MarkRange(runFrom, last, static_cast<int>(ActionState::Done), ec);
  if (ec) return ec;
  statements_->countDone.Bind(1, batch);
  statements_->countDone.Bind(2, marked);
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
  std::error_code ec;
  const std::int64_t doneThrough = DoneThrough(BatchOf(first), ec);
  if (!ec) MarkRange(std::max(first, doneThrough + 1), last, kDroppedMark, ec);
  return ec;
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
  MarkRange(moved.first + 1, doneThrough, static_cast<int>(ActionState::Done), ec);
  if (ec || (ec = MoveActions(db_, moved, last - moved.first))) return ec;
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
  const std::int64_t doneThrough = DoneThrough(batch, ec);
  std::map<std::int64_t, Mark> marks;
  std::map<std::int64_t, Outcome> outcomes;
  std::map<std::int64_t, std::string> contents;
  std::vector<JournalAction> actions;
  if (ec || (ec = ReadMarks(statements_->marksOf, ids, marks)) ||
      (ec = ReadOutcomes(statements_->outcomesOf, ids, outcomes)) ||
      (ec = ReadContents(statements_->contentsOf, ids, contents)) ||
      (ec = ReadChunks(statements_->chunksOf, ids, actions))) {
    return {};
  }
  std::erase_if(actions, [&](const JournalAction& action) { return IsDropped(marks, action); });
  for (JournalAction& action : actions) Complete(action, doneThrough, marks, outcomes, contents);
  return actions;
}

int Journal::FilesOf(std::int64_t batch, std::error_code& ec) {
  if (!IsBatchId(batch)) return 0;
  const IdRange ids = ActionIds(batch);
  std::map<std::int64_t, Mark> marks;
  std::vector<JournalAction> actions;
  if ((ec = ReadMarks(statements_->marksOf, ids, marks)) ||
      (ec = ReadChunks(statements_->chunksOf, ids, actions))) {
    return 0;
  }
  std::set<std::string> files;
  for (const JournalAction& action : actions) {
    const auto mark = marks.find(action.id);
    if (mark != marks.end() && mark->second.state != static_cast<int>(ActionState::Done)) {
      continue;  // failed or dropped
    }
    files.insert(action.kind == ActionKind::Rename ? JoinPath(action.directory, action.oldName)
                                                   : action.path);
  }
  return static_cast<int>(files.size());
}

}  // namespace sonavex
