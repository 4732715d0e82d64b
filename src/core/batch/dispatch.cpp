#include "core/batch/batch.h"

namespace sonavex {

NameParts SplitName(std::u32string_view fileName) {
  const std::size_t dot = fileName.rfind(U'.');
  if (dot == std::u32string_view::npos) return {std::u32string(fileName), {}};
  return {std::u32string(fileName.substr(0, dot)),
          std::u32string(fileName.substr(dot))};
}

void ApplyOperation(OperationCode code, const std::string& fileName,
                    const std::string& directory, const BatchContext& context) {
  // The operations' cases are added here family by family; a code without
  // a case leaves the file as it is.
  (void)code;
  (void)fileName;
  (void)directory;
  (void)context;
}

}  // namespace sonavex
