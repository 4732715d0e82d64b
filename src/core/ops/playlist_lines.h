#pragma once
// Playlists that follow renamed files: the lines of a playlist that name a
// renamed file get the new name, in the form the line has (relative to the
// playlist's folder with "/" or "\", absolute, or a file:// URL); every
// other byte of the playlist stays as it is, line ends included.
//
// The encoding follows the text model of the text replacement: a playlist
// that is valid UTF-8 is UTF-8, any other Windows-1252. A new name that
// Windows-1252 cannot hold turns an .m3u8 into UTF-8 and refuses any other
// playlist.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace sonavex {

enum class PlaylistType { M3u, M3u8, Pls };

// The type of a playlist by the extension of its name (letter case
// ignored), or nothing for a file that is no playlist.
std::optional<PlaylistType> PlaylistTypeOf(std::string_view fileName);

// The mask that lists the playlists of a folder.
inline constexpr char32_t kPlaylistMask[] = U"*.m3u;*.m3u8;*.pls";

// Old full path -> new full path of each file a batch renames, both as
// NormalisePath gives them, in a table that the steps of a plan can share.
// A path is found by its folder and name: the lines of a playlist mostly
// name files of one folder after another, so a line hashes its name only
// and builds no path.
class RenameMap {
 public:
  using Entry = std::pair<std::string, std::string>;
  using Table = std::vector<Entry>;

  // The full path of a folder (without a trailing "/", empty for the root)
  // with its hash, made once for the names looked up in it.
  struct Folder {
    explicit Folder(std::string_view fullPath);
    std::string_view path;
    std::size_t hash;
  };

  RenameMap() = default;
  // The renames in the order they take place: a file renamed twice maps to
  // its last path, and one renamed back to its first path is left out.
  explicit RenameMap(std::vector<Entry> renames);
  RenameMap(std::initializer_list<Entry> renames) : RenameMap(std::vector<Entry>(renames)) {}

  // The rename of the file `name` in `folder`, or null.
  const Entry* Find(const Folder& folder, std::string_view name) const;
  // The rename of the file at the full path `path`, or null.
  const Entry* Find(std::string_view path) const;

  // Whether a renamed file lies in a folder whose full path folds
  // (FoldNameCase) to `folded`: only there can a line spell one in another
  // letter case.
  bool HoldsFolderFolded(const std::u32string& folded) const;

  bool empty() const { return table_->empty(); }
  // The renames, each once; an entry's row is its place here.
  const std::shared_ptr<const Table>& table() const { return table_; }
  std::uint32_t RowOf(const Entry& entry) const {
    return static_cast<std::uint32_t>(&entry - table_->data());
  }

 private:
  // Indexes the table's old paths; false for a path that comes twice.
  bool Index();

  std::shared_ptr<const Table> table_ = std::make_shared<const Table>();
  // The hash of each row's old path (folder and name), and the rows by it:
  // open addressing, a row's number plus one in each slot taken.
  std::vector<std::size_t> hashes_;
  std::vector<std::uint32_t> slots_ = std::vector<std::uint32_t>(2, 0);
  std::unordered_set<std::u32string> foldedFolders_;
};

// An absolute path without "." and ".." segments and without empty ones.
std::string NormalisePath(std::string_view path);
// Whether `path` is such a path already, as nearly every path of a
// playlist or a batch is.
bool IsNormalPath(std::string_view path);

struct PlaylistRewrite {
  enum class Outcome {
    Unchanged,  // no line names a renamed file
    Rewritten,  // `content` is the new content
    Refused,    // a new name the playlist's encoding cannot hold
  };
  Outcome outcome = Outcome::Unchanged;
  std::string content;
  int changedLines = 0;
  // The row of the rename (RenameMap::RowOf) of each rewritten line.
  std::vector<std::uint32_t> named;
};

// The old path of the renames that a path names under another letter case
// on a volume that ignores it; null where the volume tells them apart.
using CaseBlindLookup = std::function<const std::string*(const std::string& path)>;

// The playlist `bytes` of type `type` lying in `folder` (an absolute path)
// with each line that names an old path of `renames` rewritten; a line
// spelt otherwise than the old path is asked of `caseBlind`, when given. A
// line that names no renamed file, a comment line and a URL of another
// scheme stay.
PlaylistRewrite RewritePlaylist(std::string_view bytes, const std::string& folder,
                                PlaylistType type, const RenameMap& renames,
                                const CaseBlindLookup& caseBlind = {});

}  // namespace sonavex
