#pragma once
// The file-system port, its writing part: renames that never replace, the
// write-permission guard, byte writes, truncation, atomic replacement and
// removal. Only the executor (core/apply) changes the user's files; the
// settings store and the journal write their own files, and core/fs itself
// implements the port. The build lets those folders and the tests include
// this header and stops every other file that does.
#if !defined(SONAVEX_FS_WRITE_ALLOWED)
#error "core/fs/fs_write.h changes files: only core/apply, core/settings, core/journal, core/fs and the tests may include it"
#endif

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>

#include "core/fs/fs.h"

namespace sonavex {

// Opens a file for reading and writing.
FileHandle OpenReadWrite(const std::string& path, std::error_code& ec);

// Writes all of `bytes` at `offset`.
std::error_code WriteAt(int fd, std::int64_t offset, std::string_view bytes);
// Cuts the open file down to `size` bytes.
std::error_code TruncateAt(int fd, std::int64_t size);
// Puts the end of a file back after a change of it failed part way: the
// file becomes `size` bytes long, its last tail.size() bytes `tail`. The
// file is opened anew, as the failed change may have lost its handle.
std::error_code RestoreEnd(const std::string& path, std::int64_t size,
                           std::string_view tail);

// Lifts the owner's write permission of a file for the guard's lifetime and
// puts the remembered mode back at the end.
class WritableGuard {
 public:
  explicit WritableGuard(const std::string& path);
  ~WritableGuard();
  WritableGuard(const WritableGuard&) = delete;
  WritableGuard& operator=(const WritableGuard&) = delete;
  // Failure to read the mode or to add the write bit.
  std::error_code error() const { return error_; }
  // Puts the remembered mode back now, so that a writer can tell whether
  // the protection is in place again; on failure the destructor tries once
  // more.
  std::error_code Restore();

 private:
  std::string path_;
  unsigned mode_ = 0;
  bool changed_ = false;
  std::error_code error_;
};

// Renames directory/oldName to directory/newName without ever replacing an
// existing file. Equal names: nothing happens, success. A letter-case-only
// change on a case-insensitive file system goes through a temporary name
// (RenameThroughTemporary). An invalid name on either side (empty, ".",
// "..", containing "/" or NUL) gives EINVAL before the system is asked.
// `strandedName`, if given, receives the temporary name the file was left
// under when the old name could not be put back.
std::error_code RenameNoReplace(const std::string& directory,
                                const std::string& oldName,
                                const std::string& newName,
                                std::string* strandedName = nullptr);

// One rename of a full path to another that never replaces an existing
// file.
using RenameStep =
    std::function<std::error_code(const std::string& fromPath, const std::string& toPath)>;
std::error_code RenameStepNoReplace(const std::string& fromPath,
                                    const std::string& toPath);

// Renames in two steps through a fresh temporary name in `directory`, each
// done by `step`. When the second step fails, the old name is put back; if
// even that fails, *strandedName (if given) receives the temporary name, so
// the user can be told where the file is. Returns the failure of the rename.
// `temporaryName`, when given and free, is the temporary name, so that a
// file a killed process left under it can be found again.
std::error_code RenameThroughTemporary(const std::string& directory,
                                       const std::string& oldName,
                                       const std::string& newName,
                                       std::string* strandedName,
                                       const RenameStep& step = RenameStepNoReplace,
                                       std::string_view temporaryName = {});

// Renames as RenameNoReplace does, keeping the directory of the last rename
// open so that the next one in it is resolved from there instead of from
// the root: a batch renames file after file in one folder. Where the
// directory cannot be opened, the rename goes by full path.
class DirectoryRenamer {
 public:
  // `temporaryName` as for RenameThroughTemporary.
  std::error_code Rename(const std::string& directory, const std::string& oldName,
                         const std::string& newName, std::string* strandedName = nullptr,
                         std::string_view temporaryName = {});

 private:
  std::string directory_;
  FileHandle handle_;
};

// Writes `contents` to a fresh temporary file beside `path` and renames it
// over `path`, so readers see the old or the new file, never a torn one.
// When `path` is a symbolic link, the file it leads to is replaced (beside
// that file) and the link stays. The new file keeps the old one's mode (and
// owner where allowed); a file with more than one hard link is rewritten in
// place, so all its links keep it, and gets its old content back when that
// fails. On failure the file is as it was and no temporary file is left.
// `temporaryName`, when given, names the temporary file, so that one left
// behind by a process that was killed can be found again; when a file of
// that name is already there, a fresh random name is taken instead.
std::error_code ReplaceFileAtomically(const std::string& path,
                                      std::string_view contents,
                                      std::string_view temporaryName = {});

// ReplaceFileAtomically in two halves, for a writer that must know the
// file can be written before it does anything else: Begin creates the
// temporary file (or, for a file with several hard links, opens the file
// itself), Finish writes, syncs and puts the content in place. Until
// Finish, the file is untouched; a replacement dropped unfinished removes
// its temporary file. With Mode::CreateOnly the file must not exist, and
// the content never replaces one that appears meanwhile (EEXIST).
class FileReplacement {
 public:
  enum class Mode { Replace, CreateOnly };
  FileReplacement() = default;
  ~FileReplacement();
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  std::error_code Begin(const std::string& path, std::string_view temporaryName = {},
                        Mode mode = Mode::Replace);
  std::error_code Finish(std::string_view contents);
  // Finish in two halves, for a writer that readies the new content long
  // before it may put it in place: Stage writes and syncs it under the
  // temporary name, Commit renames it over the file. The file is untouched
  // until Commit; a replacement dropped before it removes its temporary
  // file. Not for a file that is written in place (WritesInPlace).
  std::error_code Stage(std::string_view contents);
  std::error_code Commit();
  // Whether the file was there when Begin looked.
  bool Existed() const { return exists_; }
  // Whether Begin found further hard links: the content is written in place.
  bool WritesInPlace() const { return inPlace_; }

 private:
  void Drop();
  std::error_code PutInPlace();

  std::string path_;  // where the links lead
  std::string temporary_;
  int fd_ = -1;
  Mode mode_ = Mode::Replace;
  bool exists_ = false;
  bool inPlace_ = false;
  unsigned wantedMode_ = 0;   // the mode the new file is to have
  unsigned createdMode_ = 0;  // the mode the temporary file was made with
  unsigned oldOwner_ = 0;
  unsigned oldGroup_ = 0;
};

// Where ReplaceFileAtomically(path, ..., temporaryName) puts its temporary
// file: beside the file the links of `path` lead to.
std::string TemporaryPathFor(const std::string& path, std::string_view temporaryName);

// Removes a name from its directory (unlink).
std::error_code RemoveFile(const std::string& path);

}  // namespace sonavex
