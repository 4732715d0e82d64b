#pragma once
// A directory with what collections on real disks and shares hold besides
// plain files: special files, links that lead nowhere or round in a
// circle, names at the limits, tiny files and a folder nobody may read.
#include <string>
#include <vector>

namespace sonavex::test {

// The regular files of the tree, in the order the list shows them, each
// with its content. All names end in ".mp3", so the default mask takes
// them; the special entries carry it too. `utf8Only` leaves out the names
// that are not UTF-8, which a share's server may not be able to list.
struct OddFile {
  std::string name;
  std::string content;
};
std::vector<OddFile> OddTreeFiles(bool utf8Only = false);

// The entries that are no files of the list: FIFO, socket, a link to
// itself, a dangling link, a link to the tree itself (a loop for a walk
// that follows links) and the unreadable folder "locked" with one file.
const std::vector<std::string>& OddTreeOthers();

// Builds the tree in `directory` (which must exist). The folder "locked"
// gets mode 000 last.
void BuildOddTree(const std::string& directory, bool utf8Only = false);

}  // namespace sonavex::test
