#include "core/ops/playlist_lines.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "core/text/case.h"
#include "core/text/encoding.h"
#include "core/text/path.h"

namespace sonavex {
namespace {

constexpr std::string_view kFileScheme = "file://";

std::size_t HashOf(std::string_view text) { return std::hash<std::string_view>{}(text); }

std::size_t PathHash(std::size_t folderHash, std::string_view name) {
  return (folderHash * 0x9E3779B97F4A7C15ULL) ^ HashOf(name);
}

// The folder and name of a normal full path.
std::pair<std::string_view, std::string_view> SplitFull(std::string_view path) {
  const std::size_t cut = LastSlash(path);
  if (cut == std::string_view::npos) return {std::string_view(), path};
  return {path.substr(0, cut), path.substr(cut + 1)};
}

// Hashes full paths that come folder after folder: each folder is hashed
// once for a run of paths in it.
class PathHasher {
 public:
  std::size_t operator()(std::string_view path) {
    const auto [folder, name] = SplitFull(path);
    if (!known_ || folder != folder_.path) {
      folder_ = RenameMap::Folder(folder);
      known_ = true;
    }
    return PathHash(folder_.hash, name);
  }

 private:
  bool known_ = false;
  RenameMap::Folder folder_{""};
};

bool IsPathOf(std::string_view path, const RenameMap::Folder& folder, std::string_view name) {
  return path.size() == folder.path.size() + 1 + name.size() &&
         path[folder.path.size()] == '/' && path.starts_with(folder.path) &&
         path.ends_with(name);
}

// The renames in the order they take place, each file once: a file renamed
// twice maps to its last path, and one renamed back is left out.
RenameMap::Table Settled(RenameMap::Table renames) {
  std::unordered_map<std::string, std::string> byFirst;
  // The entries by their present path, which a later rename may start from.
  std::unordered_map<std::string_view, std::pair<const std::string, std::string>*> byPresent;
  for (auto& [from, to] : renames) {
    std::pair<const std::string, std::string>* entry = nullptr;
    if (const auto known = byPresent.find(from); known != byPresent.end()) {
      entry = known->second;
      byPresent.erase(known);
    } else {
      const auto [at, fresh] = byFirst.try_emplace(std::move(from));
      if (!fresh) byPresent.erase(at->second);
      entry = &*at;
    }
    entry->second = std::move(to);
    byPresent.emplace(entry->second, entry);
  }
  RenameMap::Table table;
  for (auto& [from, to] : byFirst) {
    if (from != to) table.emplace_back(from, std::move(to));
  }
  return table;
}

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

// How a line names its file, and the file's folder and name (UTF-8 bytes as
// the file system has them).
enum class Form { Slash, Backslash, FileUrl };
struct Reference {
  Form form = Form::Slash;
  bool absolute = false;
  RenameMap::Folder folder{""};
  std::string_view name;

  // The file's full path, made for the lines that need it only.
  std::string Path() const {
    std::string path;
    path.reserve(folder.path.size() + 1 + name.size());
    return path.append(folder.path).append("/").append(name);
  }
};

// Resolves the lines of one playlist. Its lines mostly name files of a few
// folders, one after another: the folder of the line before is kept
// resolved, and a line in the same folder only adds its name.
class LineResolver {
 public:
  explicit LineResolver(const std::string& folder) : folder_(folder) {}

  // The file a line names, or null for a URL of another scheme or a
  // Windows drive path, which name no file here. Valid up to the next call.
  const Reference* Resolve(std::string_view text) {
    if (StartsWithNoCase(text, kFileScheme)) return ResolveUrl(text);
    if (text.find("://") != std::string_view::npos) return nullptr;
    if (text.empty() || (text.size() >= 2 && IsAlpha(text[0]) && text[1] == ':')) {
      return nullptr;
    }
    ref_.form = Form::Slash;
    if (text.find('\\') != std::string_view::npos) {
      ref_.form = text.find('/') == std::string_view::npos ? Form::Backslash : Form::Slash;
      slashed_.assign(text);
      std::replace(slashed_.begin(), slashed_.end(), '\\', '/');
      text = slashed_;
    }
    ref_.absolute = text.front() == '/';
    Locate(text);
    return &ref_;
  }

 private:
  const Reference* ResolveUrl(std::string_view text) {
    std::string_view rest = text.substr(kFileScheme.size());
    if (StartsWithNoCase(rest, "localhost/")) rest.remove_prefix(9);
    if (rest.empty() || rest.front() != '/') return nullptr;
    ref_.form = Form::FileUrl;
    ref_.absolute = true;
    SetPath(NormalisePath(PercentDecode(rest)));
    return &ref_;
  }

  // Points the reference at the folder and name of a normal full path.
  void SetPath(std::string path) {
    whole_ = std::move(path);
    const std::size_t cut = LastSlash(whole_);
    ref_.folder = RenameMap::Folder(std::string_view(whole_).substr(0, cut));
    ref_.name = std::string_view(whole_).substr(cut + 1);
  }

  // The folder and name of `text` (with "/" only).
  void Locate(std::string_view text) {
    const std::size_t cut = LastSlash(text);
    const std::string_view name = cut == std::string_view::npos ? text : text.substr(cut + 1);
    if (name.empty() || name == "." || name == "..") {
      SetPath(NormalisePath(ref_.absolute ? std::string(text) : JoinPath(folder_, text)));
      return;
    }
    const std::string_view dirText = text.substr(0, text.size() - name.size());
    if (!cached_ || dirText != dirText_) {
      dirText_.assign(dirText);
      dir_ = NormalisePath(ref_.absolute ? dirText_ : JoinPath(folder_, dirText));
      cached_ = true;
      dirFolder_ = RenameMap::Folder(dir_);
    }
    ref_.folder = dirFolder_;
    ref_.name = name;
  }

  const std::string& folder_;
  Reference ref_;
  std::string slashed_;
  std::string whole_;
  // The folder text of the last line that had one, and its full path.
  bool cached_ = false;
  std::string dirText_;
  std::string dir_;
  RenameMap::Folder dirFolder_{""};
};

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

// Appends to `out` the new text of a line's path in the line's form. A
// rename keeps the folder, so only the last segment of the text changes; a
// text whose last segment is not the old name is written out anew from the
// folder. `rename` is the renamed file's old and new path; the line may
// spell the old one in another letter case.
void AppendNewText(std::string& out, std::string_view text, const Reference& ref,
                   const RenameMap::Entry& rename, const std::string& folder) {
  const auto& [oldPath, newPath] = rename;
  const bool url = ref.form == Form::FileUrl;
  const std::size_t cut =
      ref.form == Form::Backslash ? text.rfind('\\') : LastSlash(text);
  const std::string_view last = cut == std::string_view::npos ? text : text.substr(cut + 1);
  const bool sameLast = url ? PercentDecode(last) == ref.name : last == ref.name;
  const std::size_t newCut = LastSlash(newPath);
  if (sameLast && std::string_view(oldPath).substr(0, LastSlash(oldPath)) ==
                      std::string_view(newPath).substr(0, newCut)) {
    const std::string_view newName = std::string_view(newPath).substr(newCut + 1);
    out.append(text.substr(0, text.size() - last.size()));
    if (url) {
      out += PercentEncode(newName);
    } else {
      out.append(newName);
    }
    return;
  }
  if (url) {
    out.append(kFileScheme).append(PercentEncode(newPath));
    return;
  }
  std::string path = ref.absolute ? newPath : RelativePath(NormalisePath(folder), newPath);
  if (ref.form == Form::Backslash) std::replace(path.begin(), path.end(), '/', '\\');
  out += path;
}

// The playlist's text and the path bytes it stands for.
struct Encoding {
  bool utf8 = true;
  // The path bytes of `text`, in `scratch` when they differ from it.
  std::string_view ToPath(std::string_view text, std::string& scratch) const {
    if (utf8) return text;
    scratch = EncodeUtf8(DecodeWindows1252(text));
    return scratch;
  }
  // The text of `path` into `out`; false when the encoding cannot hold it.
  bool FromPath(std::string_view path, std::string& out) const {
    if (utf8) {
      out.assign(path);
      return true;
    }
    const std::u32string text = DecodeUtf8(path);
    out = EncodeWindows1252(text);
    return IsValidUtf8(path) && DecodeWindows1252(out) == text;
  }
};

// What a playlist is rewritten by: the renames, and the volume's own
// comparison for a line spelt in another letter case. The volume is asked
// only about lines in a folder that a renamed file lies in under some
// letter case; most lines that name no renamed file lie elsewhere, and each
// run of them in one folder is looked at once.
class Renames {
 public:
  Renames(const RenameMap& map, const CaseBlindLookup& caseBlind)
      : map(map), caseBlind_(caseBlind) {}

  // The rename of the file `ref` names, null for a file that is not renamed.
  const RenameMap::Entry* Find(const Reference& ref) {
    if (const RenameMap::Entry* renamed = map.Find(ref.folder, ref.name)) return renamed;
    if (!caseBlind_ || !MayHoldOtherCase(ref.folder.path)) return nullptr;
    const std::string* oldPath = caseBlind_(ref.Path());
    return oldPath == nullptr ? nullptr : map.Find(*oldPath);
  }

  const RenameMap& map;

 private:
  bool MayHoldOtherCase(std::string_view folder) {
    if (!asked_ || folder != askedFolder_) {
      askedFolder_.assign(folder);
      asked_ = true;
      answer_ = map.HoldsFolderFolded(FoldNameCase(folder));
    }
    return answer_;
  }

  const CaseBlindLookup& caseBlind_;
  bool asked_ = false;
  std::string askedFolder_;
  bool answer_ = false;
};

// Rewrites the path texts of one playlist's lines, keeping what one line
// leaves for the next: the resolved folder and the buffers.
class LineRewriter {
 public:
  LineRewriter(const std::string& folder, Renames& renames, bool utf8)
      : folder_(folder), renames_(renames), encoding_{utf8}, resolver_(folder) {}

  // The new text of a line's path, or null when the line stays; the
  // outcome Refused when the new name cannot be written. Valid up to the
  // next call.
  const std::string* Rewrite(std::string_view text, PlaylistRewrite& result) {
    const std::string_view path = encoding_.ToPath(text, decoded_);
    const Reference* ref = resolver_.Resolve(path);
    if (ref == nullptr) return nullptr;
    const RenameMap::Entry* renamed = renames_.Find(*ref);
    if (renamed == nullptr) return nullptr;
    newPath_.clear();
    AppendNewText(newPath_, path, *ref, *renamed, folder_);
    if (!encoding_.FromPath(newPath_, newText_)) {
      result.outcome = PlaylistRewrite::Outcome::Refused;
      return nullptr;
    }
    result.named.push_back(renames_.map.RowOf(*renamed));
    return &newText_;
  }

 private:
  const std::string& folder_;
  Renames& renames_;
  const Encoding encoding_;
  LineResolver resolver_;
  std::string decoded_;
  std::string newPath_;
  std::string newText_;
};

// The line ends of a text, its CRs and LFs, each found with a search of
// several bytes at a time. The next of each is kept until a line passes
// it: a text of LF line ends is searched for a CR once.
class LineEnds {
 public:
  explicit LineEnds(std::string_view bytes)
      : bytes_(bytes), cr_(Next('\r', 0)), lf_(Next('\n', 0)) {}

  // Where the line that begins at `at` ends: its CR or LF, or the end.
  std::size_t After(std::size_t at) {
    if (cr_ < at) cr_ = Next('\r', at);
    if (lf_ < at) lf_ = Next('\n', at);
    return std::min(cr_, lf_);
  }

 private:
  std::size_t Next(char end, std::size_t at) const {
    if (at >= bytes_.size()) return bytes_.size();
    const void* found = std::memchr(bytes_.data() + at, end, bytes_.size() - at);
    return found == nullptr ? bytes_.size()
                            : static_cast<std::size_t>(static_cast<const char*>(found) -
                                                       bytes_.data());
  }

  std::string_view bytes_;
  std::size_t cr_;
  std::size_t lf_;
};

PlaylistRewrite RewriteIn(std::string_view bytes, const std::string& folder,
                          PlaylistType type, Renames& renames, bool utf8) {
  PlaylistRewrite result;
  result.content.reserve(bytes.size() + bytes.size() / 8);
  LineRewriter rewriter(folder, renames, utf8);
  LineEnds ends(bytes);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t stop = ends.After(at);
    const std::string_view line = bytes.substr(at, stop - at);
    const std::optional<Span> span = PathSpan(line, type);
    const std::string* text =
        span ? rewriter.Rewrite(line.substr(span->start, span->size), result) : nullptr;
    if (result.outcome == PlaylistRewrite::Outcome::Refused) return result;
    if (text != nullptr) {
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

bool IsNormalPath(std::string_view path) {
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

std::string NormalisePath(std::string_view path) {
  if (IsNormalPath(path)) return std::string(path);
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

RenameMap::Folder::Folder(std::string_view fullPath)
    : path(fullPath == "/" ? std::string_view() : fullPath), hash(HashOf(path)) {}

RenameMap::RenameMap(std::vector<Entry> renames) {
  auto table = std::make_shared<Table>(std::move(renames));
  table_ = table;
  // Nearly always each file is renamed once and takes no path another one
  // had: the renames are the table as they come.
  if (!Index() || std::any_of(table->begin(), table->end(),
                              [&](const Entry& entry) { return Find(entry.second); })) {
    *table = Settled(std::move(*table));
    Index();
  }
  std::string_view folder;
  for (const auto& [oldPath, newPath] : *table_) {
    const std::string_view next = SplitFull(oldPath).first;
    if (folder.data() != nullptr && next == folder) continue;
    folder = next;
    foldedFolders_.insert(FoldNameCase(folder));
  }
}

bool RenameMap::Index() {
  const Table& table = *table_;
  std::size_t size = 2;
  while (size < 2 * table.size()) size *= 2;
  slots_.assign(size, 0);
  hashes_.resize(table.size());
  PathHasher hash;
  for (std::uint32_t row = 0; row < table.size(); ++row) {
    hashes_[row] = hash(table[row].first);
    std::size_t slot = hashes_[row] & (size - 1);
    for (; slots_[slot] != 0; slot = (slot + 1) & (size - 1)) {
      const std::uint32_t other = slots_[slot] - 1;
      if (hashes_[other] == hashes_[row] && table[other].first == table[row].first) return false;
    }
    slots_[slot] = row + 1;
  }
  return true;
}

bool RenameMap::HoldsFolderFolded(const std::u32string& folded) const {
  return foldedFolders_.contains(folded);
}

const RenameMap::Entry* RenameMap::Find(const Folder& folder, std::string_view name) const {
  const std::size_t hash = PathHash(folder.hash, name);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = hash & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
    const std::uint32_t row = slots_[slot] - 1;
    const Entry& entry = (*table_)[row];
    if (hashes_[row] == hash && IsPathOf(entry.first, folder, name)) return &entry;
  }
  return nullptr;
}

const RenameMap::Entry* RenameMap::Find(std::string_view path) const {
  if (!path.starts_with('/')) return nullptr;
  const auto [folder, name] = SplitFull(path);
  return Find(Folder(folder), name);
}

PlaylistRewrite RewritePlaylist(std::string_view bytes, const std::string& folder,
                                PlaylistType type, const RenameMap& renameMap,
                                const CaseBlindLookup& caseBlind) {
  if (bytes.find('\0') != std::string_view::npos || renameMap.empty()) return {};
  Renames renames(renameMap, caseBlind);
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
