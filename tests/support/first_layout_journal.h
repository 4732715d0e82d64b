#pragma once
// A journal as the first released layout wrote it (one row per action), as
// `sqlite3 .dump` printed it: written by that program with every state an
// action can be left in. Paths begin with the folder "/@ROOT@", which
// WriteFirstLayoutJournal replaces.
//
//   1 X  renames in /m and /m/süb: two done, one refused, one done
//   2 B  a tag written, an empty tag appended, an ID3v2 write refused
//   3 Z  /m/list.m3u replaced ("old\r\n" to "new\r\n"), /m/export.txt written ("list")
//   4 G  five renames in /m/stop, stopped after two (the other three dropped)
//   5 J  empty tags appended to /m/w.mp3 and /m/x.mp3, two batches joined
//   7 X  four renames in /m/kill, killed: the first and the third done
#include <sqlite3.h>

#include <string>

namespace sonavex::test {

inline constexpr const char* kFirstLayoutJournal = R"sql(
PRAGMA page_size = 65536;
PRAGMA auto_vacuum = INCREMENTAL;
BEGIN TRANSACTION;
CREATE TABLE batches(  id INTEGER PRIMARY KEY AUTOINCREMENT,  time INTEGER NOT NULL,  operation TEXT NOT NULL,  caption TEXT NOT NULL,  parameters TEXT NOT NULL,  directory BLOB NOT NULL,  undoes INTEGER NOT NULL DEFAULT 0,  undone_by INTEGER NOT NULL DEFAULT 0,  ended INTEGER NOT NULL DEFAULT 0,  done INTEGER NOT NULL DEFAULT 0,  done_through INTEGER NOT NULL DEFAULT 0);
INSERT INTO batches VALUES(1,4000000001,'X','Suchen und Ersetzen: Dateiname',replace('search= - \nreplace= -- ','\n',char(10)),X'2f40524f4f54402f6d',0,0,1,3,4294967300);
INSERT INTO batches VALUES(2,4000000002,'B','Titel setzen','',X'2f40524f4f54402f6d',0,0,1,2,8589934594);
INSERT INTO batches VALUES(3,4000000003,'Z','Suchen und Ersetzen: Text','',X'2f40524f4f54402f6d',0,0,1,2,12884901890);
INSERT INTO batches VALUES(4,4000000004,'G','Großbuchstaben abc->Abc','',X'2f40524f4f54402f6d',0,0,1,2,17179869186);
INSERT INTO batches VALUES(5,4000000005,'J','Tags beim Lesen','',X'2f40524f4f54402f6d',0,0,1,2,21474836481);
INSERT INTO batches VALUES(7,4000000007,'X','Suchen und Ersetzen: Dateiname','',X'2f40524f4f54402f6d',0,0,0,2,30064771073);
CREATE TABLE actions(  id INTEGER PRIMARY KEY,  state INTEGER NOT NULL DEFAULT 0,  kind INTEGER NOT NULL,  directory BLOB, old_name BLOB, new_name BLOB, path BLOB,  bytes_before BLOB, bytes_after BLOB,  size_before INTEGER, size_after INTEGER, hash_after BLOB,  failure TEXT);
INSERT INTO actions VALUES(4294967297,0,1,X'2f40524f4f54402f6d',X'61202d20622e6d7033',X'61202d2d20622e6d7033',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(4294967298,0,1,NULL,X'63202d20642e6d7033',X'63202d2d20642e6d7033',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(4294967299,2,1,NULL,X'67202d20682e6d7033',X'67202d2d20682e6d7033',NULL,NULL,NULL,NULL,NULL,NULL,'Zugriff verweigert');
INSERT INTO actions VALUES(4294967300,0,1,X'2f40524f4f54402f6d2f73c3bc62',X'65202d20662e6d7033',X'65202d2d20662e6d7033',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(8589934593,0,2,NULL,NULL,NULL,X'2f40524f4f54402f6d2f742e6d7033',X'544147616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161616161610c',X'544147626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262626262620c',NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(8589934594,0,3,NULL,NULL,NULL,X'2f40524f4f54402f6d2f752e6d7033',NULL,NULL,4,NULL,NULL,NULL);
INSERT INTO actions VALUES(8589934595,2,8,NULL,NULL,NULL,X'2f40524f4f54402f6d2f762e6d7033',X'000178',X'797a',21,2048,X'0100fe','Die Datei ist schreibgeschützt');
INSERT INTO actions VALUES(12884901889,0,4,NULL,NULL,NULL,X'2f40524f4f54402f6d2f6c6973742e6d3375',X'6f6c640d0a',NULL,5,5,X'76323a32656166313130386136353661613666',NULL);
INSERT INTO actions VALUES(12884901890,0,5,NULL,NULL,NULL,X'2f40524f4f54402f6d2f6578706f72742e747874',NULL,NULL,NULL,4,X'76323a36396261383530326535363537373930',NULL);
INSERT INTO actions VALUES(17179869185,0,1,X'2f40524f4f54402f6d2f73746f70',X'6e30',X'4e30',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(17179869186,0,1,NULL,X'6e31',X'4e31',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(21474836481,0,3,NULL,NULL,NULL,X'2f40524f4f54402f6d2f772e6d7033',NULL,NULL,0,NULL,NULL,NULL);
INSERT INTO actions VALUES(21474836482,1,3,NULL,NULL,NULL,X'2f40524f4f54402f6d2f782e6d7033',NULL,NULL,0,NULL,NULL,NULL);
INSERT INTO actions VALUES(30064771073,0,1,X'2f40524f4f54402f6d2f6b696c6c',X'6b30',X'4b30',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(30064771074,0,1,NULL,X'6b31',X'4b31',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(30064771075,1,1,NULL,X'6b32',X'4b32',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
INSERT INTO actions VALUES(30064771076,0,1,NULL,X'6b33',X'4b33',NULL,NULL,NULL,NULL,NULL,NULL,NULL);
DELETE FROM sqlite_sequence;
INSERT INTO sqlite_sequence VALUES('batches',7);
COMMIT;
PRAGMA user_version = 1;
PRAGMA journal_mode = WAL;
)sql";

// Lowercase hex of `bytes`, as the dump spells blobs.
inline std::string HexOf(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char byte : bytes) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 15];
  }
  return hex;
}

// Writes the journal above to `path` with "/@ROOT@" replaced by `root`.
// False when SQLite refused it.
inline bool WriteFirstLayoutJournal(const std::string& path, const std::string& root) {
  std::string sql = kFirstLayoutJournal;
  const std::string marker = HexOf("/@ROOT@");
  const std::string replacement = HexOf(root);
  for (std::size_t at = sql.find(marker); at != std::string::npos;
       at = sql.find(marker, at + replacement.size())) {
    sql.replace(at, marker.size(), replacement);
  }
  sqlite3* db = nullptr;
  bool written = sqlite3_open(path.c_str(), &db) == SQLITE_OK &&
                 sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return written;
}

}  // namespace sonavex::test
