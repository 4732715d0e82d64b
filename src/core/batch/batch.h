#pragma once
// What a batch runs over: the file set (the marked entries of the list or
// every matching file of a directory (tree)) and the context it reads.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/fs/fs.h"
#include "core/ops/replacement_table.h"
#include "core/report/reporter.h"

namespace sonavex {

// A file name split at its last ".": the extension keeps the dot and is
// empty when there is none.
struct NameParts {
  std::u32string base;
  std::u32string extension;
};
NameParts SplitName(std::u32string_view fileName);
// Where the extension of `fileName` starts: at its last dot, or at its end
// when it has none.
std::size_t ExtensionStart(std::u32string_view fileName);

// Everything a batch reads while it runs. The front end fills it from its
// controls when the command starts.
struct BatchContext {
  std::u32string mask = U"*.mp3";
  bool recursive = false;
  // The table as its edit fields stand when the batch starts.
  ReplacementTable table;
  bool replacementActive = false;
  Reporter* reporter = nullptr;
  // A batch that renames files adjusts the playlists naming them: those of
  // each folder it walks and those of these folders' trees.
  bool followPlaylists = false;
  std::vector<std::string> playlistFolders;
  // "ID3v2 mitführen": the tag operations write their fields into a
  // file's ID3v2 tag as well, and 'N' names files by it.
  bool id3v2FollowsTags = false;
  // The plan runs as soon as it is made (no preview, no dry run): a tag
  // batch on a share then keeps each file it will change open from its
  // reading to its change.
  bool appliedAtOnce = false;
  // Told the full path of each subdirectory the walk enters.
  std::function<void(const std::string& directory)> onDirectoryEntered;
};

// Called with (directory, file name) for each file of the walk.
using FileVisitor =
    std::function<void(const std::string& directory, const std::string& name)>;

// Visits the files of `startDirectory` that match the mask, then, with the
// recursive option, the subdirectories depth first (each directory's own
// files before its subdirectories; names starting with "." are skipped,
// links to directories are not followed). Each directory is listed once
// before its first file is visited. A directory that cannot be listed ends
// the whole walk with the error "Verzeichnis (start) nicht gefunden!";
// returns false then.
bool WalkDirectory(const BatchContext& context,
                   const std::string& startDirectory, const FileVisitor& visit);

// The selection rule: with no marked names the whole directory (tree),
// otherwise exactly the marked names in the order given. A walk failure is
// reported as WalkDirectory does.
void ForEachSelected(const std::string& directory,
                     const std::vector<std::string>& markedNames,
                     const BatchContext& context, const FileVisitor& visit);

// Told each directory's listing before its files are visited.
// The listing is shared: whoever keeps it past the visit keeps it alive.
using ListingVisitor = std::function<void(
    const std::string& directory, const std::shared_ptr<const DirectoryListing>& listing)>;

// WalkDirectory without the report: false when a directory could not be
// listed, after the files visited up to there.
bool WalkFiles(const BatchContext& context, const std::string& startDirectory,
               const FileVisitor& visit, const ListingVisitor& listed = {});

// "Verzeichnis (start) nicht gefunden!\rProgrammabbruch!", the error a
// failed walk ends with.
std::u32string WalkFailureText(const std::string& startDirectory);

// Reports WalkFailureText through the context's reporter, if it has one.
void ReportWalkFailure(const BatchContext& context, const std::string& startDirectory);

}  // namespace sonavex
