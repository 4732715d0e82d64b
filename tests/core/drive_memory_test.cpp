// The drive selector's memory: a drive change lands where the drive was
// left, and a drive that is not ready gives way to the last good one.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/session/drive_memory.h"
#include "support/test_support.h"

namespace sonavex {
namespace {

TEST(DriveMemory, LandsWhereTheDriveWasLeftWhileThatDirectoryStillExists) {
  test::TempDir drive;
  const std::string album = drive / "Alben/Erstes";
  std::filesystem::create_directories(album);
  DriveMemory memory;
  EXPECT_EQ(memory.DirectoryFor(drive.path()), drive.path());
  memory.Entered(drive.path(), album);
  memory.Entered("/media/stick", "/media/stick/Musik");
  EXPECT_EQ(memory.DirectoryFor(drive.path()), album);
  std::filesystem::remove_all(drive / "Alben");
  EXPECT_EQ(memory.DirectoryFor(drive.path()), drive.path());
}

TEST(DriveMemory, FallsBackOnlyToAnotherDriveThatWasReached) {
  DriveMemory memory;
  EXPECT_EQ(memory.FallbackFor("/media/stick"), "");
  memory.Reached("/");
  EXPECT_EQ(memory.FallbackFor("/media/stick"), "/");
  EXPECT_EQ(memory.FallbackFor("/"), "");
}

}  // namespace
}  // namespace sonavex
