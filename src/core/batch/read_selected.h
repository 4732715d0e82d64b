#pragma once
// The file set of a batch with each file's record read ahead.
#include <string>
#include <vector>

#include "core/batch/batch.h"
#include "core/mp3/read_ahead.h"

namespace sonavex {

// ForEachSelected, but `use` gets each file's item with its record read
// (not yet finished: an untagged file has no tag added), in the order of
// the set and on the calling thread. The files are read ahead as many at a
// time as the file system of `directory` calls for. A walk failure is
// reported after the items of the files the walk found. `reader` reads
// each file (ReadFileRecord for a caller that needs no texts).
void ReadSelected(const std::string& directory,
                  const std::vector<std::string>& markedNames,
                  const BatchContext& context, const OrderedReads::Use& use,
                  ReadAhead::Reader reader = ReadFileInfo);

}  // namespace sonavex
