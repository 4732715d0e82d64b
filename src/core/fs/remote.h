#pragma once
// Whether a path lies on a file system whose every request goes over a
// network or through a user-space server.
#include <string>

namespace sonavex {

// True on NFS, SMB/CIFS, FUSE and their kin, told by the file system's
// type; false on local disks and when the path cannot be looked at.
bool IsOnRemoteFileSystem(const std::string& path);

// How many files (or folders) to read at once below `directory`: many on
// network and FUSE file systems, where each request waits for an answer;
// one on a local disk, where the reads come from the cache and threads
// would only cost. SONAVEX_READS_IN_FLIGHT in the environment sets the
// number, so that benchmarks and tests can compare the two ways of reading.
int ReadsInFlightFor(const std::string& directory);

}  // namespace sonavex
