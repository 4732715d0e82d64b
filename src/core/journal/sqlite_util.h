#pragma once
// Thin helpers over SQLite's C API for the journal: result codes as
// std::error_code, a prepared statement that finalises itself, and a write
// transaction that rolls back unless committed.
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <system_error>

namespace sonavex::sqlite {

// SQLITE_OK and the row/done codes are no error.
std::error_code ErrorOf(int rc);

// Runs SQL without results (several statements allowed).
std::error_code Exec(sqlite3* db, const char* sql);

// A prepared statement, reset after every use so that it can be reused.
class Statement {
 public:
  Statement() = default;
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  std::error_code Prepare(sqlite3* db, const char* sql);

  // Bind by 1-based index. Text and blobs must outlive the next Step.
  void Bind(int index, std::int64_t value);
  void BindBlob(int index, std::string_view bytes);
  void BindText(int index, std::string_view text);

  // One step: true while a row is there; ec set on failure.
  bool Step(std::error_code& ec);
  // Steps to the end (for statements without rows) and resets.
  std::error_code Run();
  // Ready for the next use: bindings cleared, cursor reset.
  void Reset();

  std::int64_t Int(int column) const;
  bool IsNull(int column) const;
  std::string Bytes(int column) const;
  // The same bytes without a copy, valid until the next Step or Reset.
  std::string_view View(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

// BEGIN IMMEDIATE (the write lock is taken at once, so two programs writing
// the journal wait for each other instead of failing half-way); rolls back
// on destruction unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  std::error_code error() const { return error_; }
  std::error_code Commit();

 private:
  sqlite3* db_;
  bool open_ = false;
  std::error_code error_;
};

}  // namespace sonavex::sqlite
