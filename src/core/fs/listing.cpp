// Directory listings: files by mask and subdirectories.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/fs/fs.h"
#include "core/text/case.h"
#include "core/text/encoding.h"

namespace sonavex {
namespace {

// Wildcard match of one pattern on already folded texts. Iterative with one
// back-tracking point, so long names cannot blow up. The usual mask, a star
// and an extension ("*.mp3"), only needs the name's end compared.
bool MatchPattern(std::u32string_view name, std::u32string_view pattern) {
  if (pattern.size() > 1 && pattern[0] == U'*' &&
      pattern.find_first_of(U"*?", 1) == std::u32string_view::npos) {
    return name.ends_with(pattern.substr(1));
  }
  std::size_t n = 0, p = 0;
  std::size_t starP = std::u32string_view::npos, starN = 0;
  while (n < name.size()) {
    // A "*" in the pattern is always a wildcard, also where the name has a
    // "*" of its own.
    if (p < pattern.size() && pattern[p] == U'*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (starP != std::u32string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == U'*') ++p;
  return p == pattern.size();
}

bool MatchesOnePattern(std::u32string_view name, std::u32string_view pattern) {
  if (MatchPattern(name, pattern)) return true;
  // "name.*" also stands for "name" without any extension.
  return pattern.ends_with(U".*") && name.find(U'.') == std::u32string_view::npos &&
         MatchPattern(name, pattern.substr(0, pattern.size() - 2));
}

// Files are regular files and links to them. Links to directories are told
// apart from real directories: the tree enters them, the walk does not (a
// link loop would never end).
enum class EntryKind { File, Directory, DirectoryLink, Other };

EntryKind KindOfLinkTarget(int dirFd, const char* name) {
  struct stat st{};
  if (fstatat(dirFd, name, &st, 0) != 0) return EntryKind::Other;
  if (S_ISREG(st.st_mode)) return EntryKind::File;
  return S_ISDIR(st.st_mode) ? EntryKind::DirectoryLink : EntryKind::Other;
}

EntryKind KindOf(int dirFd, const dirent& entry) {
  switch (entry.d_type) {
    case DT_REG: return EntryKind::File;
    case DT_DIR: return EntryKind::Directory;
    case DT_LNK: return KindOfLinkTarget(dirFd, entry.d_name);
    case DT_UNKNOWN: break;
    default: return EntryKind::Other;
  }
  struct stat st{};
  if (fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Other;
  if (S_ISLNK(st.st_mode)) return KindOfLinkTarget(dirFd, entry.d_name);
  if (S_ISREG(st.st_mode)) return EntryKind::File;
  return S_ISDIR(st.st_mode) ? EntryKind::Directory : EntryKind::Other;
}

// Calls take(name, kind) for every entry except "." and "..".
template <typename Take>
std::error_code ForEachEntry(const std::string& directory, Take take) {
  DIR* dir = opendir(directory.c_str());
  if (dir == nullptr) return LastError();
  const int fd = dirfd(dir);
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") take(name, KindOf(fd, *entry));
    errno = 0;
  }
  const std::error_code ec = errno != 0 ? LastError() : std::error_code{};
  closedir(dir);
  return ec;
}

struct Named {
  std::string bytes;
  bool isLink = false;
  std::u32string_view folded{};  // in the listing's folded names
};

// `name` decoded and folded into `out`, which has room for a code point per
// byte: the number of code points. ASCII is folded as it is widened; the
// rest from the first other byte on, which starts a sequence of its own, is
// decoded first.
std::size_t FoldNameInto(char32_t* out, std::string_view name) {
  std::size_t i = 0;
  for (; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte >= 0x80) break;
    out[i] = byte >= 'A' && byte <= 'Z' ? byte + 0x20u : byte;
  }
  if (i == name.size()) return i;
  const std::size_t size = i + DecodeUtf8Into(out + i, name.substr(i));
  for (std::size_t k = i; k < size; ++k) out[k] = LowCaseChar(out[k]);
  return size;
}

// The folded names of a listing, all in one text: a folder of ten thousand
// files costs one allocation, not ten thousand. `text` must stay as long as
// the names' views are used.
void FoldNames(std::vector<std::pair<Named, EntryKind>>& entries, std::u32string& text) {
  std::size_t room = 0;
  for (const auto& [named, kind] : entries) room += named.bytes.size();
  text.assign(room, U'\0');
  std::size_t at = 0;
  for (auto& [named, kind] : entries) {
    const std::size_t size = FoldNameInto(text.data() + at, named.bytes);
    named.folded = std::u32string_view(text.data() + at, size);
    at += size;
  }
}

// The entries in name order ignoring letter case, ties in code point order.
// Pointers are sorted, not the entries: a folder's names share long
// beginnings, and moving three texts per swap would cost more than
// comparing them.
std::vector<Named*> SortByName(std::vector<Named>& entries) {
  std::vector<Named*> sorted;
  sorted.reserve(entries.size());
  for (Named& e : entries) sorted.push_back(&e);
  std::sort(sorted.begin(), sorted.end(), [](const Named* a, const Named* b) {
    const int order = a->folded.compare(b->folded);
    // Names that differ in letter case only are rare: decoded when met.
    return order != 0 ? order < 0 : DecodeUtf8(a->bytes) < DecodeUtf8(b->bytes);
  });
  return sorted;
}

std::vector<std::string> SortedBytes(std::vector<Named>& entries) {
  std::vector<std::string> out;
  out.reserve(entries.size());
  for (Named* e : SortByName(entries)) out.push_back(std::move(e->bytes));
  return out;
}

std::vector<Subdirectory> SortedSubdirectories(std::vector<Named>& entries) {
  std::vector<Subdirectory> out;
  out.reserve(entries.size());
  for (Named* e : SortByName(entries)) out.push_back({std::move(e->bytes), e->isLink});
  return out;
}

}  // namespace

namespace {
bool MatchesFoldedMask(std::u32string_view foldedName,
                       std::u32string_view foldedMask) {
  std::u32string_view rest = foldedMask;
  while (true) {
    const std::size_t semicolon = rest.find(U';');
    const std::u32string_view pattern = rest.substr(0, semicolon);
    if (!pattern.empty() && MatchesOnePattern(foldedName, pattern)) return true;
    if (semicolon == std::u32string_view::npos) return false;
    rest.remove_prefix(semicolon + 1);
  }
}
}  // namespace

bool MatchesMask(std::u32string_view name, std::u32string_view mask) {
  return MatchesFoldedMask(LowCaseUmlaut(name), LowCaseUmlaut(mask));
}

DirectoryListing ListDirectory(const std::string& directory,
                               std::u32string_view mask, std::error_code& ec) {
  std::vector<std::pair<Named, EntryKind>> entries;
  ec = ForEachEntry(directory, [&](std::string_view name, EntryKind kind) {
    entries.push_back({{std::string(name), kind == EntryKind::DirectoryLink}, kind});
  });
  if (ec) return {};
  std::u32string foldedNames;
  FoldNames(entries, foldedNames);
  const std::u32string foldedMask = LowCaseUmlaut(mask);
  std::vector<Named> files;
  std::vector<Named> subdirectories;
  std::vector<std::string> others;
  for (auto& [named, kind] : entries) {
    if (kind == EntryKind::Other) {
      others.push_back(std::move(named.bytes));
    } else if (kind != EntryKind::File) {
      subdirectories.push_back(std::move(named));
    } else if (MatchesFoldedMask(named.folded, foldedMask)) {
      files.push_back(std::move(named));
    } else {
      others.push_back(std::move(named.bytes));
    }
  }
  return {SortedBytes(files), SortedSubdirectories(subdirectories), std::move(others)};
}

std::vector<std::string> ListFiles(const std::string& directory,
                                   std::u32string_view mask,
                                   std::error_code& ec) {
  return ListDirectory(directory, mask, ec).files;
}

std::vector<std::string> ListNames(const std::string& directory, std::error_code& ec) {
  std::vector<std::string> names;
  ec = ForEachEntry(directory, [&](std::string_view name, EntryKind) {
    names.emplace_back(name);
  });
  return names;
}

std::vector<std::string> ListSubdirectories(const std::string& directory,
                                            std::error_code& ec) {
  std::vector<std::string> names;
  for (Subdirectory& sub : ListDirectory(directory, U"", ec).subdirectories) {
    if (!sub.isLink) names.push_back(std::move(sub.name));
  }
  return names;
}

}  // namespace sonavex
