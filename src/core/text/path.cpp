#include "core/text/path.h"

namespace sonavex {

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path;
  path.reserve(directory.size() + 1 + name.size());
  path.append(directory);
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

PathParts SplitPath(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) return {".", std::string(path)};
  return {std::string(path.substr(0, slash == 0 ? 1 : slash)),
          std::string(path.substr(slash + 1))};
}

}  // namespace sonavex
