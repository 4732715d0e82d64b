#pragma once
// Paths as strings: joined and split at "/", nothing asked of the file
// system, so that the rules can work on paths too.
#include <string>
#include <string_view>

namespace sonavex {

// directory + "/" + name; a directory that already ends in "/" (the root)
// gets no second one.
std::string JoinPath(std::string_view directory, std::string_view name);

// Where the last "/" of `path` is, std::string_view::npos when it has none.
// Found with a search of several bytes at a time: a batch asks it of every
// path it looks at.
std::size_t LastSlash(std::string_view path);

// A path cut at its last "/": "/a/b" gives "/a" and "b"; a file right under
// the root keeps "/" as its directory; a bare name lies in ".".
struct PathParts {
  std::string directory;
  std::string name;
};
PathParts SplitPath(std::string_view path);

}  // namespace sonavex
