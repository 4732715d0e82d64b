#pragma once
// The undo journal: one SQLite database that keeps every applied batch and,
// for each action the batch performed, what it takes to take it back.
//
// The executor writes an action before it touches the file and marks it
// done afterwards, a chunk of actions per transaction:
//
//   batch = BeginBatch(header)
//   for each chunk of the plan (256 to 1024 actions; a chunk that carries
//   file contents is bounded by their size instead, as all of it is held
//   in memory and written in one transaction):
//     ids = RecordPending(batch, chunk)     -- one transaction
//     perform the chunk in order; a refused action gets MarkFailed(id, text)
//     MarkDone(ids of the performed ones)   -- one transaction
//   EndBatch(batch)
//
// Marking done is cheapest when the actions are performed and marked in the
// order they were recorded: then only the batch's mark moves.
//
// After a crash or kill, the actions between RecordPending and MarkDone are
// still Pending: each of them may or may not have happened, and only the
// file can tell (see the notes at ActionState). Everything marked Done
// happened; Failed ones did not.
//
// No call throws or aborts: failures come back as std::error_code values,
// either in JournalCategory() (SQLite's result codes) or in the generic
// category (errno from creating the directory; not_supported for a journal
// of a newer schema or a file system without WAL; invalid_argument for a
// file that is not a journal, a malformed action or an unknown batch). A
// caller that gets one warns once and goes on without undo.
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <system_error>
#include <vector>

struct sqlite3;

namespace sonavex {

// Old content of a replaced file is kept for undo up to this size; a larger
// file is replaced without a copy and cannot be taken back.
inline constexpr std::int64_t kMaxKeptContent = std::int64_t{64} << 20;

// Batches older than this, or beyond the newest kKeptBatches, are dropped
// when the journal is opened.
inline constexpr std::int64_t kKeptSeconds = std::int64_t{90} * 24 * 60 * 60;
inline constexpr int kKeptBatches = 1000;

// The schema version kept in the database's user_version.
inline constexpr int kJournalSchemaVersion = 2;

enum class ActionKind {
  Rename = 1,          // directory, oldName -> newName
  TagWrite = 2,        // path, the 128 tag bytes before and after
  TagAppend = 3,       // path, an empty tag appended; sizeBefore
  ContentReplace = 4,  // path, old content (before, sizeBefore), new size/hash
  ExportWrite = 5,     // path of a file the batch created; its size/hash
  TagRemove = 6,       // path, an appended empty tag cut off; sizeBefore is
                       // the size without it (undoing a TagAppend)
  FileRemove = 7,      // path, a created file removed again (undoing an
                       // ExportWrite); its content (before, sizeBefore)
  Id3v2Write = 8,      // path; the bytes of the ID3v2 tag at the file's
                       // start that changed, before and after, from
                       // offset sizeBefore on (the whole tags from 0, the
                       // one before empty for none, where the tag's size
                       // changed); the audio is not kept
};

// Pending: recorded, not yet known to be performed. After a crash this
// means "maybe": a rename happened when the new name is there and the old
// one is gone, a tag write when the file holds `after`, an appended tag
// when the file is sizeBefore + 128 bytes long and ends in the empty tag,
// an ID3v2 tag write when the file holds `after` at offset sizeBefore,
// a content replacement or a created file when the file has sizeAfter
// bytes hashing to hashAfter, a removal when the file is gone.
enum class ActionState { Pending = 0, Done = 1, Failed = 2 };

// One action of a batch. Names, paths and contents are byte strings and are
// stored byte for byte. Only the fields of the action's kind are stored.
struct JournalAction {
  ActionKind kind = ActionKind::Rename;
  // Rename
  std::string directory;
  std::string oldName;
  std::string newName;
  // Every other kind: the file's full path.
  std::string path;
  // TagWrite: the 128 bytes before and after; Id3v2Write: the changed
  // bytes of the tag before and after. ContentReplace and
  // FileRemove: `before` is the old content when it was kept (at most
  // kMaxKeptContent bytes), otherwise empty.
  std::string before;
  std::string after;
  // TagAppend, TagRemove, ContentReplace and FileRemove: the file's size
  // without the appended tag (TagAppend, TagRemove) or before the action;
  // Id3v2Write: where the changed bytes start.
  std::int64_t sizeBefore = 0;
  // ContentReplace and ExportWrite: size and hash of the new content (the
  // hash is the caller's, compared only by the caller).
  std::int64_t sizeAfter = 0;
  std::string hashAfter;

  // Filled when read back from the journal.
  std::int64_t id = 0;
  ActionState state = ActionState::Pending;
  std::string failure;  // the text given to MarkFailed
};

// False for a content replacement or removal whose old content was too
// large to keep.
bool CanBeUndone(const JournalAction& action);

// What BeginBatch records about a batch.
struct BatchHeader {
  std::int64_t time = 0;   // seconds since the epoch
  char operation = 0;      // the operation's letter
  std::string caption;     // its short caption, as menus show it
  std::string parameters;  // the parameters, as a text the caller makes
  std::string directory;   // the directory the batch started in
  std::int64_t undoes = 0; // for an undo: the batch it takes back, else 0
};

// One line of the journal's list of batches.
struct BatchSummary {
  std::int64_t id = 0;
  BatchHeader header;
  int doneActions = 0;
  // 0 while the batch is in effect, otherwise the batch that undid it (which
  // may have been pruned since).
  std::int64_t undoneBy = 0;
  // False for a batch whose program ended before EndBatch: some of its
  // actions may be Pending.
  bool ended = false;
};

// Error category of SQLite's result codes.
const std::error_category& JournalCategory();

// $XDG_STATE_HOME/mp3sonavex/journal.sqlite, or
// ~/.local/state/mp3sonavex/journal.sqlite when the variable is unset or
// not an absolute path. Nothing is created.
std::string DefaultJournalPath();

// One open journal; use it from one thread at a time. Several programs may
// have the same journal open: writes wait for each other for a while.
class Journal {
 public:
  // Opens or creates the journal at `path` (creating missing directories on
  // the way), brings an older schema up to date and prunes it as of `now`
  // (seconds since the epoch). A file that is not a journal, or one written
  // by a newer schema, is left untouched and gives an error.
  static std::unique_ptr<Journal> Open(const std::string& path,
                                       std::int64_t now, std::error_code& ec);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  // Drops batches older than kKeptSeconds before `now` and those beyond
  // the newest kKeptBatches, with their actions.
  std::error_code Prune(std::int64_t now);

  std::int64_t BeginBatch(const BatchHeader& header, std::error_code& ec);
  // Records `actions` as Pending in one transaction and returns their ids
  // in the same order. All or nothing.
  std::vector<std::int64_t> RecordPending(std::int64_t batch,
                                          std::span<const JournalAction> actions,
                                          std::error_code& ec);
  // Marks Pending actions Done in one transaction. Runs of consecutive ids
  // are cheapest.
  std::error_code MarkDone(std::span<const std::int64_t> ids);
  // Gives a Pending content action (ContentReplace, ExportWrite) the size
  // and hash of its new content, for a writer that records the action
  // before it knows what it will write (the export creates its temporary
  // file, named after the action, before it reads the files of its list).
  std::error_code RecordOutcome(std::int64_t id, std::int64_t sizeAfter,
                                const std::string& hashAfter);
  // Marks a Pending action Failed (not performed) with the text reported.
  std::error_code MarkFailed(std::int64_t id, const std::string& failure);
  // Drops the Pending actions among the ids first..last (of one batch): a
  // batch that was stopped never began them, so they are no part of it.
  std::error_code DropPending(std::int64_t first, std::int64_t last);
  // Marks the batch as ended. A batch without a single Done action is
  // dropped with its actions: there is nothing to take back.
  std::error_code EndBatch(std::int64_t batch);

  // Marks `batch` as undone by `undoBatch`. When `batch` was itself an undo,
  // the batch it took back is in effect again and loses its mark; when that
  // one was an undo too, its own batch is taken back again, and so on.
  std::error_code MarkUndone(std::int64_t batch, std::int64_t undoBatch);

  // Moves the actions of `from` behind those of `into` and drops `from`:
  // the tags given on reading during one visit of a folder are one batch,
  // however many clicks they took. Only two ended batches of the same
  // operation, in effect, no undo, and with nothing between or after them;
  // otherwise invalid_argument and nothing changes.
  std::error_code JoinBatch(std::int64_t into, std::int64_t from);

  // Every batch, newest first.
  std::vector<BatchSummary> ListBatches(std::error_code& ec);
  // The actions of `batch` in the order they were recorded.
  std::vector<JournalAction> ActionsOf(std::int64_t batch, std::error_code& ec);
  // How many files the actions of `batch` that did not fail changed (a grid
  // edit writes one file many times), read without their old contents.
  int FilesOf(std::int64_t batch, std::error_code& ec);

 private:
  struct Statements;
  explicit Journal(sqlite3* db);
  std::error_code PrepareStatements();
  std::vector<std::int64_t> PrunedBatches(std::int64_t now, std::error_code& ec);
  std::error_code DropBatch(std::int64_t batch);
  std::int64_t LastActionId(std::int64_t batch, std::error_code& ec);
  std::int64_t DoneThrough(std::int64_t batch, std::error_code& ec);
  std::int64_t UnmarkedAmong(std::int64_t first, std::int64_t last, std::error_code& ec);
  bool AnyUnmarkedAmong(std::int64_t first, std::int64_t last, std::error_code& ec);
  std::int64_t MarkRange(std::int64_t first, std::int64_t last, int state, std::error_code& ec);
  std::error_code MarkRunDone(std::int64_t first, std::int64_t last);
  std::error_code Reinstate(std::int64_t batch);

  sqlite3* db_;
  std::unique_ptr<Statements> statements_;
};

}  // namespace sonavex
