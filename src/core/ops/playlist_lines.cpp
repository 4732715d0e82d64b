#include "core/ops/playlist_lines.h"

#include <algorithm>
#include <vector>

#include "core/text/path.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

constexpr std::string_view kFileScheme = "file://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
    return (a | 0x20) == (b | 0x20);
  });
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsAlpha(char c) { return (c | 0x20) >= 'a' && (c | 0x20) <= 'z'; }

// Where the path of a line lies: the whole line of an .m3u(8) that is not
// empty and no comment, the value of a "FileN=" line of a .pls.
struct Span {
  std::size_t start = 0;
  std::size_t size = 0;
};
std::optional<Span> PathSpan(std::string_view line, PlaylistType type) {
  if (type != PlaylistType::Pls) {
    if (line.empty() || line.front() == '#') return std::nullopt;
    return Span{0, line.size()};
  }
  if (!StartsWithNoCase(line, "file")) return std::nullopt;
  std::size_t at = 4;
  while (at < line.size() && IsDigit(line[at])) ++at;
  if (at == 4 || at >= line.size() || line[at] != '=') return std::nullopt;
  return Span{at + 1, line.size() - at - 1};
}

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f') return (c | 0x20) - 'a' + 10;
  return -1;
}

std::string PercentDecode(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const int high = i + 2 < text.size() && text[i] == '%' ? HexValue(text[i + 1]) : -1;
    const int low = high >= 0 ? HexValue(text[i + 2]) : -1;
    if (low < 0) {
      out += text[i];
      continue;
    }
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

std::string PercentEncode(std::string_view path) {
  static constexpr std::string_view kKept = "-._~/!$&'()*+,;=:@";
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path) {
    if (IsAlpha(c) || IsDigit(c) || kKept.find(c) != std::string_view::npos) {
      out += c;
      continue;
    }
    const auto b = static_cast<unsigned char>(c);
    out += '%';
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

// How a line names its file, and the file's path (UTF-8 bytes as the file
// system has them).
enum class Form { Slash, Backslash, FileUrl };
struct Reference {
  Form form = Form::Slash;
  bool absolute = false;
  std::string path;  // normalised full path
};

std::optional<Reference> FileUrlReference(std::string_view text) {
  std::string_view rest = text.substr(kFileScheme.size());
  if (StartsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
  if (rest.empty() || rest.front() != '/') return std::nullopt;
  return Reference{Form::FileUrl, true, NormalisePath(PercentDecode(rest))};
}

// The file a line names, or nothing for a URL of another scheme or a
// Windows drive path, which name no file here.
std::optional<Reference> Resolve(std::string_view text, const std::string& folder) {
  if (StartsWithNoCase(text, kFileScheme)) return FileUrlReference(text);
  if (text.find("://") != std::string_view::npos) return std::nullopt;
  if (text.empty() || (text.size() >= 2 && IsAlpha(text[0]) && text[1] == ':')) {
    return std::nullopt;
  }
  Reference ref;
  std::string path(text);
  if (path.find('\\') != std::string::npos) {
    ref.form = path.find('/') == std::string::npos ? Form::Backslash : Form::Slash;
    std::replace(path.begin(), path.end(), '\\', '/');
  }
  ref.absolute = path.front() == '/';
  ref.path = NormalisePath(ref.absolute ? path : JoinPath(folder, path));
  return ref;
}

std::vector<std::string_view> Segments(std::string_view path) {
  std::vector<std::string_view> parts;
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t stop = std::min(path.find('/', at), path.size());
    if (stop > at) parts.push_back(path.substr(at, stop - at));
    at = stop + 1;
  }
  return parts;
}

// `target` relative to `folder`, both normalised.
std::string RelativePath(const std::string& folder, const std::string& target) {
  const std::vector<std::string_view> from = Segments(folder);
  const std::vector<std::string_view> to = Segments(target);
  std::size_t common = 0;
  while (common < from.size() && common < to.size() && from[common] == to[common]) ++common;
  std::string out;
  for (std::size_t i = common; i < from.size(); ++i) out += "../";
  for (std::size_t i = common; i < to.size(); ++i) {
    out += to[i];
    if (i + 1 < to.size()) out += '/';
  }
  return out;
}

// The new text of a line's path in the line's form. A rename keeps the
// folder, so only the last segment of the text changes; a text whose last
// segment is not the old name is written out anew from the folder.
// The parts of a normalised path before and after its last "/".
std::string_view FolderOf(std::string_view path) { return path.substr(0, path.rfind('/')); }
std::string_view NameOf(std::string_view path) { return path.substr(path.rfind('/') + 1); }

// `oldPath` is the renamed file's path, which the line may spell in
// another letter case.
std::string NewText(std::string_view text, const Reference& ref, const std::string& oldPath,
                    const std::string& newPath, const std::string& folder) {
  const char separator = ref.form == Form::Backslash ? '\\' : '/';
  const std::size_t cut = text.rfind(separator);
  const std::string_view last = cut == std::string_view::npos ? text : text.substr(cut + 1);
  const std::string oldLast =
      ref.form == Form::FileUrl ? PercentDecode(last) : std::string(last);
  if (FolderOf(oldPath) == FolderOf(newPath) && oldLast == NameOf(ref.path)) {
    const std::string_view newName = NameOf(newPath);
    const std::string name =
        ref.form == Form::FileUrl ? PercentEncode(newName) : std::string(newName);
    return std::string(text.substr(0, text.size() - last.size())) + name;
  }
  if (ref.form == Form::FileUrl) return std::string(kFileScheme) + PercentEncode(newPath);
  std::string path = ref.absolute ? newPath : RelativePath(NormalisePath(folder), newPath);
  if (ref.form == Form::Backslash) std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// The playlist's text and the path bytes it stands for.
struct Encoding {
  bool utf8 = true;
  std::string ToPath(std::string_view text) const {
    return utf8 ? std::string(text) : EncodeUtf8(DecodeWindows1252(text));
  }
  // Nothing when the encoding cannot hold the path.
  std::optional<std::string> FromPath(const std::string& path) const {
    if (utf8) return path;
    const std::u32string text = DecodeUtf8(path);
    std::string bytes = EncodeWindows1252(text);
    if (!IsValidUtf8(path) || DecodeWindows1252(bytes) != text) return std::nullopt;
    return bytes;
  }
};

// The rewritten path text of one line, or nothing when the line stays;
// the outcome Refused when the new name cannot be written.
// What a playlist is rewritten by: the renames, and the volume's own
// comparison for a line spelt in another letter case.
struct Renames {
  const RenameMap& map;
  const CaseBlindLookup& caseBlind;

  // The rename of the file `path` names, null for a file that is not renamed.
  const RenameMap::value_type* Find(const std::string& path) const {
    auto renamed = map.find(path);
    if (renamed == map.end() && caseBlind) {
      const std::string* oldPath = caseBlind(path);
      if (oldPath != nullptr) renamed = map.find(*oldPath);
    }
    return renamed == map.end() ? nullptr : &*renamed;
  }
};

std::optional<std::string> RewriteLine(std::string_view text, const std::string& folder,
                                       const Renames& renames, const Encoding& encoding,
                                       PlaylistRewrite& result) {
  const std::string path = encoding.ToPath(text);
  const std::optional<Reference> ref = Resolve(path, folder);
  if (!ref) return std::nullopt;
  const RenameMap::value_type* renamed = renames.Find(ref->path);
  if (renamed == nullptr) return std::nullopt;
  const auto& [oldPath, newPath] = *renamed;
  const std::string newText = NewText(path, *ref, oldPath, newPath, folder);
  std::optional<std::string> bytes = encoding.FromPath(newText);
  if (!bytes) result.outcome = PlaylistRewrite::Outcome::Refused;
  if (bytes) result.named.emplace_back(oldPath, newPath);
  return bytes;
}

// Where the line that begins at `at` ends: its CR or LF, or the end.
std::size_t LineEnd(std::string_view bytes, std::size_t at) {
  while (at < bytes.size() && bytes[at] != '\r' && bytes[at] != '\n') ++at;
  return at;
}

PlaylistRewrite RewriteIn(std::string_view bytes, const std::string& folder,
                          PlaylistType type, const Renames& renames, bool utf8) {
  PlaylistRewrite result;
  const Encoding encoding{utf8};
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t stop = LineEnd(bytes, at);
    const std::string_view line = bytes.substr(at, stop - at);
    const std::optional<Span> span = PathSpan(line, type);
    std::optional<std::string> text;
    if (span) text = RewriteLine(line.substr(span->start, span->size), folder, renames,
                                 encoding, result);
    if (result.outcome == PlaylistRewrite::Outcome::Refused) return result;
    if (text) {
      result.content.append(line.substr(0, span->start)).append(*text);
      ++result.changedLines;
    } else {
      result.content.append(line);
    }
    // The line end as it is: CR LF, CR or LF.
    at = stop;
    if (at < bytes.size() && bytes[at] == '\r') result.content += bytes[at++];
    if (at < bytes.size() && bytes[at] == '\n') result.content += bytes[at++];
  }
  if (result.content != bytes) result.outcome = PlaylistRewrite::Outcome::Rewritten;
  return result;
}

}  // namespace

std::optional<PlaylistType> PlaylistTypeOf(std::string_view fileName) {
  const std::size_t dot = fileName.rfind('.');
  if (dot == std::string_view::npos) return std::nullopt;
  const std::string_view extension = fileName.substr(dot);
  if (extension.size() == 4 && StartsWithNoCase(extension, ".m3u")) return PlaylistType::M3u;
  if (extension.size() == 5 && StartsWithNoCase(extension, ".m3u8")) return PlaylistType::M3u8;
  if (extension.size() == 4 && StartsWithNoCase(extension, ".pls")) return PlaylistType::Pls;
  return std::nullopt;
}

namespace {

// Whether `path` is absolute and already without empty, "." and ".."
// segments, as nearly every path of a playlist or a batch is.
bool IsNormal(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  if (path.size() == 1) return true;
  for (std::size_t at = 1; at <= path.size();) {
    const std::size_t stop = std::min(path.find('/', at), path.size());
    const std::string_view segment = path.substr(at, stop - at);
    if (segment.empty() || segment == "." || segment == "..") return false;
    at = stop + 1;
  }
  return true;
}

}  // namespace

std::string NormalisePath(std::string_view path) {
  if (IsNormal(path)) return std::string(path);
  std::string out;
  out.reserve(path.size());
  for (std::size_t at = 0; at <= path.size();) {
    const std::size_t stop = std::min(path.find('/', at), path.size());
    const std::string_view segment = path.substr(at, stop - at);
    if (segment == "..") {
      out.resize(out.empty() ? 0 : out.rfind('/'));
    } else if (!segment.empty() && segment != ".") {
      out.append("/").append(segment);
    }
    at = stop + 1;
  }
  return out.empty() ? "/" : out;
}

PlaylistRewrite RewritePlaylist(std::string_view bytes, const std::string& folder,
                                PlaylistType type, const RenameMap& renameMap,
                                const CaseBlindLookup& caseBlind) {
  if (bytes.find('\0') != std::string_view::npos || renameMap.empty()) return {};
  const Renames renames{renameMap, caseBlind};
  const bool utf8 = IsValidUtf8(bytes);
  PlaylistRewrite result = RewriteIn(bytes, folder, type, renames, utf8);
  if (result.outcome != PlaylistRewrite::Outcome::Refused || utf8 ||
      type != PlaylistType::M3u8) {
    return result;
  }
  // An .m3u8 is meant to be UTF-8: the name goes in, the playlist turns UTF-8.
  const std::string asUtf8 = EncodeUtf8(DecodeWindows1252(bytes));
  result = RewriteIn(asUtf8, folder, type, renames, true);
  result.outcome = PlaylistRewrite::Outcome::Rewritten;
  return result;
}

}  // namespace sonavex
