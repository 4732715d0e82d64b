#include <system_error>

#include "core/batch/batch.h"
#include "core/fs/fs.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

bool IsDotName(const std::string& name) { return !name.empty() && name[0] == '.'; }

// Visits the matching files of one directory, listed once up front so that
// files renamed on the way are not offered again, then its subdirectories
// when the walk goes into the tree.
bool VisitDirectory(const BatchContext& context, const std::string& directory,
                    const FileVisitor& visit) {
  std::error_code ec;
  const DirectoryListing listing = ListDirectory(directory, context.mask, ec);
  if (ec) return false;
  for (const std::string& name : listing.files) visit(directory, name);
  if (!context.recursive) return true;
  // Links to directories are not followed: a link loop would never end.
  for (const Subdirectory& sub : listing.subdirectories) {
    if (sub.isLink || IsDotName(sub.name)) continue;
    const std::string path = JoinPath(directory, sub.name);
    if (context.onDirectoryEntered) context.onDirectoryEntered(path);
    if (!VisitDirectory(context, path, visit)) return false;
  }
  return true;
}

void ReportWalkFailure(const BatchContext& context,
                       const std::string& startDirectory) {
  if (context.reporter == nullptr) return;
  context.reporter->Report(MessageKind::Error,
                           U"Verzeichnis (" + DecodeUtf8(startDirectory) +
                               U") nicht gefunden!\rProgrammabbruch!");
}

}  // namespace

bool WalkDirectory(const BatchContext& context,
                   const std::string& startDirectory,
                   const FileVisitor& visit) {
  const bool walked = VisitDirectory(context, startDirectory, visit);
  if (!walked) ReportWalkFailure(context, startDirectory);
  return walked;
}

void ForEachSelected(const std::string& directory,
                     const std::vector<std::string>& markedNames,
                     const BatchContext& context, const FileVisitor& visit) {
  if (markedNames.empty()) {
    WalkDirectory(context, directory, visit);
    return;
  }
  for (const std::string& name : markedNames) visit(directory, name);
}

void RunOperation(OperationCode code, const std::string& startDirectory,
                  const BatchContext& context) {
  WalkDirectory(context, startDirectory,
                [&](const std::string& directory, const std::string& name) {
                  ApplyOperation(code, name, directory, context);
                });
}

namespace {
// These operations always work on the whole directory (tree).
bool IgnoresMarks(OperationCode code) {
  return code == 'A' || code == 'B' || code == 'W';
}
}  // namespace

void RunSelection(OperationCode code, const std::string& directory,
                  const std::vector<std::string>& markedNames,
                  const BatchContext& context) {
  static const std::vector<std::string> kNoMarks;
  ForEachSelected(directory, IgnoresMarks(code) ? kNoMarks : markedNames,
                  context,
                  [&](const std::string& dir, const std::string& name) {
                    ApplyOperation(code, name, dir, context);
                  });
}

}  // namespace sonavex
