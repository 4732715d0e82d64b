#pragma once
// Whether a path lies on a file system whose every request goes over a
// network or through a user-space server.
#include <string>

namespace sonavex {

// True on NFS, SMB/CIFS, FUSE and their kin, told by the file system's
// type; false on local disks and when the path cannot be looked at.
bool IsOnRemoteFileSystem(const std::string& path);

}  // namespace sonavex
