#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "core/fs/volumes.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

TEST(Volumes, RealFileSystemsFromTheMountTable) {
  test::TempDir temp;
  test::WriteFile(temp / "mit blank/.keep", "");
  test::WriteFile(temp / "b/.keep", "");
  test::WriteFile(temp / "datei", "");
  const std::string spaced = temp / "mit\\040blank";
  const std::string text =
      "21 27 0:20 / /proc rw - proc proc rw\n"
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "25 23 0:23 / /dev/shm rw - tmpfs tmpfs rw\n"
      "30 27 8:1 / " + temp.path() + "/b rw shared:1 - vfat /dev/sdb1 rw\n"
      "31 27 8:2 / " + spaced + " rw - ext4 /dev/sdb2 rw\n"
      "32 27 254:0 /etc/hosts " + temp.path() + "/datei rw - ext4 /dev/vda rw\n"
      "33 27 8:1 / " + temp.path() + "/b rw - vfat /dev/sdb1 rw\n"
      "kaputt\n";
  const std::vector<MountEntry> mounts = ParseMountInfo(text);
  ASSERT_EQ(mounts.size(), 7u);
  EXPECT_EQ(mounts[4].mountPoint, temp / "mit blank");
  EXPECT_EQ(mounts[3].fileSystemType, "vfat");
  const std::vector<std::string> expected = {"/", temp / "b", temp / "mit blank"};
  EXPECT_EQ(VolumesFromMounts(mounts), expected);
}

// A server that does not answer would hang whoever looks at its mount point,
// so the list is made from the table alone: a mount point that cannot be
// entered is listed (picking it tells), and nothing on a network share is
// read, not even to tell a bound file from a directory.
TEST(Volumes, MountPointsAreListedWithoutLookingAtThem) {
  test::TempDir temp;
  test::WriteFile(temp / "nas/datei", "");
  const std::vector<MountEntry> mounts = {
      {"/", "ext4"},
      {temp / "weg", "ext4"},
      {temp / "nas", "nfs4"},
      {temp / "nas/datei", "ext4"},
      {temp / "sshfs", "fuse.sshfs"},
  };
  const std::vector<std::string> expected = {"/", temp / "nas", temp / "nas/datei",
                                             temp / "sshfs", temp / "weg"};
  EXPECT_EQ(VolumesFromMounts(mounts), expected);
}

// The drive of a directory reached through a link is the volume the link
// leads to.
TEST(Volumes, VolumeHoldingFollowsLinks) {
  test::TempDir temp;
  const std::string root = std::filesystem::canonical(temp.path());
  test::WriteFile(root + "/stick/Musik/a.mp3", "");
  test::WriteFile(root + "/home/.keep", "");
  symlink((root + "/stick/Musik").c_str(), (root + "/home/Musik").c_str());
  const std::vector<std::string> volumes = {"/", root + "/stick"};
  EXPECT_EQ(VolumeHolding(root + "/home/Musik", volumes), root + "/stick");
  EXPECT_EQ(VolumeHolding(root + "/stick/Musik", volumes), root + "/stick");
  EXPECT_EQ(VolumeHolding(root + "/home", volumes), "/");
  EXPECT_EQ(VolumeHolding(root + "/stick/weg", volumes), root + "/stick");
}

TEST(Volumes, VolumeOfTakesTheLongestHoldingMountPath) {
  const std::vector<std::string> volumes = {"/", "/media/stick", "/media/stick2"};
  EXPECT_EQ(VolumeOf("/media/stick2/Musik", volumes), "/media/stick2");
  EXPECT_EQ(VolumeOf("/media/stick", volumes), "/media/stick");
  EXPECT_EQ(VolumeOf("/media/sticks", volumes), "/");
  EXPECT_EQ(VolumeOf("/home/ich", volumes), "/");
}

TEST(Volumes, OnlyMediumAndServerFailuresMeanNotReady) {
  for (int value : {EIO, ENOMEDIUM, ENOTCONN, ESTALE, EHOSTDOWN, ETIMEDOUT}) {
    EXPECT_TRUE(IsNotReady({value, std::generic_category()})) << value;
  }
  for (int value : {0, ENOENT, EACCES, ENOTDIR}) {
    EXPECT_FALSE(IsNotReady({value, std::generic_category()})) << value;
  }
}

}  // namespace
}  // namespace sonavex
