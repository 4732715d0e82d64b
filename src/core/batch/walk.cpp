#include <memory>
#include <system_error>

#include "core/batch/batch.h"
#include "core/batch/listing_ahead.h"
#include "core/fs/remote.h"
#include "core/fs/fs.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// Visits the matching files of one directory, listed once up front so that
// files renamed on the way are not offered again, then its subdirectories
// when the walk goes into the tree.
bool VisitDirectory(const BatchContext& context, const std::string& directory,
                    const FileVisitor& visit, const ListingVisitor& listed,
                    ListingAhead& listings) {
  std::error_code ec;
  const auto listing =
      std::make_shared<const DirectoryListing>(listings.Take(directory, ec));
  if (ec) return false;
  if (listed) listed(directory, listing);
  for (const std::string& name : listing->files) visit(directory, name);
  if (!context.recursive) return true;
  for (const Subdirectory& sub : listing->subdirectories) {
    if (!IsEnteredByWalk(sub)) continue;
    const std::string path = JoinPath(directory, sub.name);
    if (context.onDirectoryEntered) context.onDirectoryEntered(path);
    if (!VisitDirectory(context, path, visit, listed, listings)) return false;
  }
  return true;
}

}  // namespace

std::size_t ExtensionStart(std::u32string_view fileName) {
  const std::size_t dot = fileName.rfind(U'.');
  return dot == std::u32string_view::npos ? fileName.size() : dot;
}

NameParts SplitName(std::u32string_view fileName) {
  const std::size_t dot = ExtensionStart(fileName);
  return {std::u32string(fileName.substr(0, dot)), std::u32string(fileName.substr(dot))};
}

std::u32string WalkFailureText(const std::string& startDirectory) {
  return U"Verzeichnis (" + DecodeUtf8(startDirectory) +
         U") nicht gefunden!\rProgrammabbruch!";
}

bool WalkFiles(const BatchContext& context, const std::string& startDirectory,
               const FileVisitor& visit, const ListingVisitor& listed) {
  // Only a tree has folders to list ahead.
  ListingAhead listings(context.recursive ? ReadsInFlightFor(startDirectory) : 1,
                        context.mask);
  return VisitDirectory(context, startDirectory, visit, listed, listings);
}

void ReportWalkFailure(const BatchContext& context, const std::string& startDirectory) {
  if (context.reporter != nullptr) {
    context.reporter->Report(MessageKind::Error, WalkFailureText(startDirectory));
  }
}

bool WalkDirectory(const BatchContext& context,
                   const std::string& startDirectory,
                   const FileVisitor& visit) {
  const bool walked = WalkFiles(context, startDirectory, visit);
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

}  // namespace sonavex
