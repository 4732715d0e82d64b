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
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sonavex {

enum class PlaylistType { M3u, M3u8, Pls };

// The type of a playlist by the extension of its name (letter case
// ignored), or nothing for a file that is no playlist.
std::optional<PlaylistType> PlaylistTypeOf(std::string_view fileName);

// The mask that lists the playlists of a folder.
inline constexpr char32_t kPlaylistMask[] = U"*.m3u;*.m3u8;*.pls";

// Old full path -> new full path, both as NormalisePath gives them.
using RenameMap = std::unordered_map<std::string, std::string>;

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
  // Old and new full path of the file of each rewritten line.
  std::vector<std::pair<std::string, std::string>> named;
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
