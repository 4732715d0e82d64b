#include "core/text/path.h"

#include <cstring>

namespace sonavex {

std::string JoinPath(std::string_view directory, std::string_view name) {
  std::string path;
  path.reserve(directory.size() + 1 + name.size());
  path.append(directory);
  if (path.empty() || path.back() != '/') path.push_back('/');
  path.append(name);
  return path;
}

std::size_t LastSlash(std::string_view path) {
  const void* slash = memrchr(path.data(), '/', path.size());
  return slash == nullptr ? std::string_view::npos
                          : static_cast<std::size_t>(static_cast<const char*>(slash) - path.data());
}

PathParts SplitPath(std::string_view path) {
  const std::size_t slash = LastSlash(path);
  if (slash == std::string_view::npos) return {".", std::string(path)};
  return {std::string(path.substr(0, slash == 0 ? 1 : slash)),
          std::string(path.substr(slash + 1))};
}

}  // namespace sonavex
