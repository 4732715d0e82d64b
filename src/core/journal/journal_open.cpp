// Opening the journal: where it lives, creating it, and bringing an older
// schema up to date.
#include <errno.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "core/journal/chunk_rows.h"
#include "core/journal/journal.h"
#include "core/journal/sqlite_util.h"

namespace sonavex {
namespace {

// Bringing a journal of version 1, one row per action, to chunks: each
// run of consecutive actions of a batch (up to a chunk's worth) becomes a
// chunk, done and failed states become marks. Converting once keeps one
// way of reading; the old rows are dropped.
class ActionRowConverter {
 public:
  explicit ActionRowConverter(sqlite3* db) : db_(db) {}

  std::error_code Run() {
    sqlite::Statement rows;
    std::error_code ec;
    if ((ec = rows.Prepare(db_,
                           "SELECT id, state, kind, directory, old_name, new_name, path, "
                           "bytes_before, bytes_after, size_before, size_after, hash_after, "
                           "failure FROM actions ORDER BY id")) ||
        (ec = chunkRows_.Prepare(db_)) ||
        (ec = mark_.Prepare(db_, "INSERT INTO marks(id, state, failure) VALUES(?1, ?2, ?3)"))) {
      return ec;
    }
    while (!ec && rows.Step(ec)) ec = Take(rows);
    if (ec || (ec = Flush())) return ec;
    rows.Reset();
    // The old rows' pages go back to the file system.
    return sqlite::Exec(db_, "DROP TABLE actions; PRAGMA incremental_vacuum");
  }

 private:
  // A run is at most this many actions or, with file contents, bytes.
  static constexpr std::size_t kRunActions = 1024;
  static constexpr std::size_t kRunBytes = std::size_t{16} << 20;

  std::error_code Take(const sqlite::Statement& row) {
    const std::int64_t id = row.Int(0);
    const bool sameBatch = !run_.empty() && (id >> 32) == (run_.back().id >> 32);
    if (!run_.empty() && (!sameBatch || id != run_.back().id + 1 ||
                          run_.size() == kRunActions || runBytes_ > kRunBytes)) {
      if (auto ec = Flush()) return ec;
    }
    // A rename without a directory has the one of the action before it.
    if (!sameBatch) directory_.clear();
    run_.push_back(ActionOf(row));
    runBytes_ += run_.back().before.size() + run_.back().after.size();
    directory_ = run_.back().directory;
    if (run_.back().state == ActionState::Pending) return {};
    mark_.Bind(1, id);
    mark_.Bind(2, static_cast<std::int64_t>(run_.back().state));
    mark_.BindText(3, run_.back().failure);
    return mark_.Run();
  }

  JournalAction ActionOf(const sqlite::Statement& row) const {
    JournalAction action;
    action.id = row.Int(0);
    action.state = static_cast<ActionState>(row.Int(1));
    action.kind = static_cast<ActionKind>(row.Int(2));
    const bool sameDirectory = action.kind == ActionKind::Rename && row.IsNull(3);
    action.directory = sameDirectory ? directory_ : row.Bytes(3);
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

  std::error_code Flush() {
    if (run_.empty()) return {};
    const std::error_code ec = chunkRows_.Insert(run_.front().id, run_);
    run_.clear();
    runBytes_ = 0;
    return ec;
  }

  sqlite3* db_;
  ChunkRows chunkRows_;
  sqlite::Statement mark_;
  std::vector<JournalAction> run_;
  std::size_t runBytes_ = 0;
  std::string directory_;
};

std::error_code ConvertActionRows(sqlite3* db) { return ActionRowConverter(db).Run(); }

// Schema changes, one step per version: kMigrations[v] brings a journal of
// version v to v + 1, by its SQL and then, where data must be rewritten,
// its conversion. A new version appends a step and raises
// kJournalSchemaVersion; steps already released never change.
struct Migration {
  const char* sql;
  std::error_code (*convert)(sqlite3* db);
};

constexpr Migration kMigrations[] = {
    // 0 -> 1
    // An action's id is its batch's id times 2^32 plus its number within
    // the batch, so that the rows of a batch lie together in id order and
    // no index is needed to find them. A batch's actions up to
    // done_through are Done unless their own state says Failed.
    {"CREATE TABLE batches("
     "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
     "  time INTEGER NOT NULL,"
     "  operation TEXT NOT NULL,"
     "  caption TEXT NOT NULL,"
     "  parameters TEXT NOT NULL,"
     "  directory BLOB NOT NULL,"
     "  undoes INTEGER NOT NULL DEFAULT 0,"
     "  undone_by INTEGER NOT NULL DEFAULT 0,"
     "  ended INTEGER NOT NULL DEFAULT 0,"
     "  done INTEGER NOT NULL DEFAULT 0,"
     "  done_through INTEGER NOT NULL DEFAULT 0);"
     "CREATE TABLE actions("
     "  id INTEGER PRIMARY KEY,"
     "  state INTEGER NOT NULL DEFAULT 0,"
     "  kind INTEGER NOT NULL,"
     "  directory BLOB, old_name BLOB, new_name BLOB, path BLOB,"
     "  bytes_before BLOB, bytes_after BLOB,"
     "  size_before INTEGER, size_after INTEGER, hash_after BLOB,"
     "  failure TEXT);",
     nullptr},
    // 1 -> 2
    // SQLite's cost per row outweighed a rename: the actions recorded by
    // one call go into one chunk row, its id the first action's id (see
    // action_blob.h). What is learnt about an action afterwards goes into
    // side tables by action id: marks (Done above the batch's
    // done_through, Failed with its text, or dropped), outcomes (size and
    // hash recorded late) and contents (old file contents kept for undo).
    {"CREATE TABLE chunks("
     "  id INTEGER PRIMARY KEY,"
     "  count INTEGER NOT NULL,"
     "  actions BLOB NOT NULL);"
     "CREATE TABLE marks("
     "  id INTEGER PRIMARY KEY,"
     "  state INTEGER NOT NULL,"
     "  failure TEXT);"
     "CREATE TABLE outcomes("
     "  id INTEGER PRIMARY KEY,"
     "  size_after INTEGER NOT NULL,"
     "  hash_after BLOB NOT NULL);"
     "CREATE TABLE contents("
     "  id INTEGER PRIMARY KEY,"
     "  bytes BLOB NOT NULL);",
     ConvertActionRows},
};
static_assert(std::size(kMigrations) == kJournalSchemaVersion);

std::string StateHome() {
  const char* xdg = std::getenv("XDG_STATE_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.local/state";
}

// mkdir -p of the directory that holds `path`.
std::error_code CreateParentDirectories(const std::string& path) {
  const std::size_t last = path.rfind('/');
  if (last == std::string::npos || last == 0) return {};
  for (std::size_t slash = path.find('/', 1); slash <= last;
       slash = path.find('/', slash + 1)) {
    const std::string directory = path.substr(0, slash);
    if (mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST) {
      return {errno, std::generic_category()};
    }
  }
  return {};
}

std::int64_t QueryInt(sqlite3* db, const char* sql, std::error_code& ec) {
  sqlite::Statement statement;
  ec = statement.Prepare(db, sql);
  if (ec) return 0;
  return statement.Step(ec) ? statement.Int(0) : 0;
}

// Version 0 is a fresh, empty database; one that already holds tables
// without a version belongs to someone else.
std::error_code CheckOwnership(sqlite3* db, std::int64_t version) {
  std::error_code ec;
  if (version > kJournalSchemaVersion) {
    return std::make_error_code(std::errc::not_supported);
  }
  if (version == 0 && QueryInt(db, "SELECT count(*) FROM sqlite_schema", ec) > 0) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  return ec;
}

// Every program that opens the journal first reads the whole write-ahead
// file to rebuild its index, so the file is copied into the database once
// it holds about 4 MiB, not the default thousand pages (64 MiB with large
// pages).
std::error_code LimitWriteAhead(sqlite3* db) {
  constexpr std::int64_t kWriteAheadBytes = std::int64_t{4} << 20;
  std::error_code ec;
  const std::int64_t pageSize = QueryInt(db, "PRAGMA page_size", ec);
  if (ec) return ec;
  const std::int64_t pages = kWriteAheadBytes / std::max<std::int64_t>(pageSize, 512);
  return sqlite::ErrorOf(sqlite3_wal_autocheckpoint(db, static_cast<int>(pages)));
}

// WAL lets a reader (the history window) and the writer work side by side,
// and with synchronous=NORMAL a commit costs no fsync; a power cut may lose
// the last commits, never the database.
std::error_code Configure(sqlite3* db, bool fresh) {
  // Freed pages of pruned batches go back to the file system; large pages
  // let the old content of a replaced file go out in few writes. Both only
  // possible before the first table exists.
  if (fresh) {
    if (auto ec = sqlite::Exec(db, "PRAGMA page_size = 65536; "
                                   "PRAGMA auto_vacuum = INCREMENTAL")) {
      return ec;
    }
  }
  sqlite::Statement wal;
  std::error_code ec = wal.Prepare(db, "PRAGMA journal_mode = WAL");
  if (!ec && wal.Step(ec) && wal.Bytes(0) != "wal") {
    return std::make_error_code(std::errc::not_supported);
  }
  if (ec) return ec;
  // The write-ahead file shrinks back after a batch that carried large
  // file contents.
  if ((ec = sqlite::Exec(db, "PRAGMA synchronous = NORMAL; "
                             "PRAGMA journal_size_limit = 4194304"))) {
    return ec;
  }
  return LimitWriteAhead(db);
}

// Runs the missing steps in one transaction, re-reading the version under
// the write lock in case another program upgraded it meanwhile.
std::error_code Migrate(sqlite3* db) {
  sqlite::Transaction transaction(db);
  if (transaction.error()) return transaction.error();
  std::error_code ec;
  const std::int64_t version = QueryInt(db, "PRAGMA user_version", ec);
  if (ec || (ec = CheckOwnership(db, version))) return ec;
  if (version == kJournalSchemaVersion) return {};
  for (std::int64_t step = version; step < kJournalSchemaVersion; ++step) {
    const Migration& migration = kMigrations[step];
    if ((ec = sqlite::Exec(db, migration.sql)) ||
        (migration.convert != nullptr && (ec = migration.convert(db)))) {
      return ec;
    }
  }
  const std::string setVersion =
      "PRAGMA user_version = " + std::to_string(kJournalSchemaVersion);
  if ((ec = sqlite::Exec(db, setVersion.c_str()))) return ec;
  return transaction.Commit();
}

// Everything from the first read to the schema: the first read is where a
// file that is not a database shows.
std::error_code PrepareDatabase(sqlite3* db) {
  if (sqlite3_db_readonly(db, "main") == 1) return sqlite::ErrorOf(SQLITE_READONLY);
  std::error_code ec;
  const std::int64_t version = QueryInt(db, "PRAGMA user_version", ec);
  if (ec || (ec = CheckOwnership(db, version))) return ec;
  if ((ec = Configure(db, version == 0))) return ec;
  return Migrate(db);
}

}  // namespace

std::string DefaultJournalPath() {
  return StateHome() + "/mp3sonavex/journal.sqlite";
}

std::unique_ptr<Journal> Journal::Open(const std::string& path,
                                       std::int64_t now, std::error_code& ec) {
  if ((ec = CreateParentDirectories(path))) return nullptr;
  sqlite3* db = nullptr;
  const int rc = sqlite3_open_v2(
      path.c_str(), &db,
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  // From here on the Journal owns the handle, even a failed one.
  std::unique_ptr<Journal> journal(new Journal(db));
  if ((ec = sqlite::ErrorOf(rc))) return nullptr;
  sqlite3_extended_result_codes(db, 1);
  // Another instance of the program may be writing; wait for it a while.
  sqlite3_busy_timeout(db, 3000);
  // Copying the write-ahead file into the database costs several syncs;
  // leaving it to the automatic checkpoint once the file has grown keeps
  // them out of every run of the command-line tool. The file stays
  // consistent either way.
  sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
  if ((ec = PrepareDatabase(db)) || (ec = journal->PrepareStatements()) ||
      (ec = journal->Prune(now))) {
    return nullptr;
  }
  return journal;
}

}  // namespace sonavex
