#pragma once
// What the file system holding the program folder cannot keep of the
// program's promises, told at start: locks that stay on this PC (an NFS
// folder mounted with nolock or local_lock, an SMB folder with nobrl, a
// FUSE, 9p or VirtualBox shared folder), so that two PCs on the folder lose
// each other's bookings; or a file system whose files do not outlive a
// restart (tmpfs). docs/shared-folders.md says what holds where.
#include <string>

namespace matslip {

inline constexpr char kLocalLocksStart[] = "注意:程序文件夹所在的共享文件夹(";
inline constexpr char kLocalLocksEnd[] =
    ")的文件锁只在本机有效。请只在一台电脑上运行本程序,"
    "否则两台电脑同时记账会互相覆盖";
inline constexpr char kVolatileFolder[] =
    "注意:程序文件夹位于内存文件系统上,关机或断电后所有数据都会丢失";

// The warning for a folder whose file system has the statfs type `f_type`
// and, in the mount table, the type `fs_type` and the options `options`
// (mount and super-block options, comma-separated); empty when there is
// nothing to say.
std::string FileSystemWarningFor(long f_type, const std::string& fs_type,
                                 const std::string& options);

// The same for the folder `dir`, asked of the system (statfs and
// /proc/self/mountinfo); empty when the folder cannot be looked at.
std::string FolderFileSystemWarning(const std::string& dir);

}  // namespace matslip
