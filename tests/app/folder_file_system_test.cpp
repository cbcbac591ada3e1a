#include "app/folder_file_system.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace matslip {
namespace {

constexpr long kExt4 = 0xEF53, kNfs = 0x6969, kCifs = 0xFF534D42,
               kSmb2 = 0xFE534D42, kTmpfs = 0x01021994, kFuse = 0x65735546;

TEST(FolderFileSystemTest, WarnsWhereLocksStayLocalOrFilesDoNotLast) {
  const std::string local_locks = std::string(kLocalLocksStart);
  // Locks that reach the server: nothing to say.
  EXPECT_EQ(FileSystemWarningFor(kExt4, "ext4", "rw,relatime"), "");
  EXPECT_EQ(FileSystemWarningFor(kNfs, "nfs4", "rw,vers=4.2,local_lock=none"),
            "");
  EXPECT_EQ(FileSystemWarningFor(kCifs, "cifs", "rw,vers=3.1.1,cache=strict"),
            "");
  // Locks kept on this PC.
  EXPECT_EQ(FileSystemWarningFor(kNfs, "nfs", "rw,vers=3,nolock,proto=tcp"),
            local_locks + "NFS nolock" + kLocalLocksEnd);
  EXPECT_EQ(FileSystemWarningFor(kNfs, "nfs", "rw,local_lock=posix"),
            local_locks + "NFS nolock" + kLocalLocksEnd);
  EXPECT_EQ(FileSystemWarningFor(kSmb2, "smb3", "rw,nobrl,vers=3.0"),
            local_locks + "SMB nobrl" + kLocalLocksEnd);
  EXPECT_EQ(FileSystemWarningFor(kFuse, "fuse.sshfs", "rw"),
            local_locks + "fuse.sshfs" + kLocalLocksEnd);
  // An option that merely starts like one is not it.
  EXPECT_EQ(FileSystemWarningFor(kNfs, "nfs", "rw,nolockd"), "");
  EXPECT_EQ(FileSystemWarningFor(kTmpfs, "tmpfs", "rw"), kVolatileFolder);
  // A folder that is not there has nothing to say either.
  EXPECT_EQ(FolderFileSystemWarning("/nonexistent/folder"), "");
}

}  // namespace
}  // namespace matslip
