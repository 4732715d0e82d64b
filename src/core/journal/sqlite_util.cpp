#include "core/journal/sqlite_util.h"

#include "core/journal/journal.h"

namespace sonavex {
namespace {

class SqliteCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "sqlite"; }
  std::string message(int code) const override { return sqlite3_errstr(code); }
};

}  // namespace

const std::error_category& JournalCategory() {
  static const SqliteCategory category;
  return category;
}

namespace sqlite {

std::error_code ErrorOf(int rc) {
  if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return {};
  return {rc, JournalCategory()};
}

std::error_code Exec(sqlite3* db, const char* sql) {
  return ErrorOf(sqlite3_exec(db, sql, nullptr, nullptr, nullptr));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

std::error_code Statement::Prepare(sqlite3* db, const char* sql) {
  sqlite3_finalize(stmt_);
  stmt_ = nullptr;
  return ErrorOf(sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT,
                                    &stmt_, nullptr));
}

void Statement::Bind(int index, std::int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
}

// data() of a std::string_view over an empty string may be null, which
// SQLite would store as NULL; an empty name must come back as empty.
void Statement::BindBlob(int index, std::string_view bytes) {
  sqlite3_bind_blob64(stmt_, index, bytes.empty() ? "" : bytes.data(),
                      bytes.size(), SQLITE_STATIC);
}

void Statement::BindText(int index, std::string_view text) {
  sqlite3_bind_text64(stmt_, index, text.empty() ? "" : text.data(),
                      text.size(), SQLITE_STATIC, SQLITE_UTF8);
}

bool Statement::Step(std::error_code& ec) {
  const int rc = sqlite3_step(stmt_);
  ec = ErrorOf(rc);
  return rc == SQLITE_ROW;
}

std::error_code Statement::Run() {
  std::error_code ec;
  while (Step(ec)) {
  }
  Reset();
  return ec;
}

void Statement::Reset() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::Int(int column) const {
  return sqlite3_column_int64(stmt_, column);
}

bool Statement::IsNull(int column) const {
  return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

std::string Statement::Bytes(int column) const { return std::string(View(column)); }

std::string_view Statement::View(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  const int size = sqlite3_column_bytes(stmt_, column);
  if (data == nullptr || size <= 0) return {};
  return {static_cast<const char*>(data), static_cast<std::size_t>(size)};
}

Transaction::Transaction(sqlite3* db) : db_(db) {
  error_ = Exec(db_, "BEGIN IMMEDIATE");
  open_ = !error_;
}

Transaction::~Transaction() {
  // Some failures (a full disk) end the transaction by themselves.
  if (open_ && sqlite3_get_autocommit(db_) == 0) Exec(db_, "ROLLBACK");
}

std::error_code Transaction::Commit() {
  if (error_) return error_;
  const std::error_code ec = Exec(db_, "COMMIT");
  // A failed COMMIT may leave the transaction open; the destructor rolls
  // it back.
  open_ = open_ && ec;
  return ec;
}

}  // namespace sqlite
}  // namespace sonavex
