#include "core/batch/read_selected.h"

namespace sonavex {

void ReadSelected(const std::string& directory,
                  const std::vector<std::string>& markedNames,
                  const BatchContext& context, const OrderedReads::Use& use,
                  ReadAhead::Reader reader) {
  OrderedReads reads(ReadsInFlightFor(directory), use, reader);
  if (!markedNames.empty()) {
    for (const std::string& name : markedNames) reads.Add(directory, name);
    reads.Drain();
    return;
  }
  const bool walked = WalkFiles(context, directory,
                                [&reads](const std::string& dir, const std::string& name) {
                                  reads.Add(dir, name);
                                });
  reads.Drain();
  if (!walked) ReportWalkFailure(context, directory);
}

}  // namespace sonavex
