#pragma once
// File operations shared by every layer. Paths are UTF-8 with '/' as the
// separator. Every function reports failure by its result and never throws.
#include <string>
#include <string_view>

namespace matslip {

bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
// Creates the folder and missing parents; true when it exists afterwards.
bool CreateDirectory(const std::string& path);
// Copies the bytes of `from` to `to`, replacing `to` atomically.
bool CopyFile(const std::string& from, const std::string& to);
// Renames; when that fails (other file system, target exists...), copies over
// the target and deletes the source.
bool MoveFile(const std::string& from, const std::string& to);
// Deletes a file; a missing file is no error.
bool RemoveFile(const std::string& path);
// Modification time as a Unix time in seconds; -1 when the file is missing.
long long FileModifiedTime(const std::string& path);
bool ReadFile(const std::string& path, std::string* bytes);
// Writes `bytes` to a temporary file beside `path`, flushes it, renames it
// over `path` and flushes the folder. The old file stays until the rename.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);
// Flushes a file's data and, for the folder holding it, the rename.
bool SyncFile(const std::string& path);
bool SyncDirectoryOf(const std::string& path);

// Maps a material key (品名 followed by 规格型号) to a file name that
// stays inside its folder: / \ : * ? " < > | and control characters become
// their full-width forms (control characters U+0000..U+001F become U+2400..);
// "." and ".." alone become "．" and "．．". "LGJ-95/20" -> "LGJ-95／20".
std::string SafeFileName(std::string_view key);

// The path of the program's file (or folder) `name` in the program directory
// `dir`: the one way every part of the program names its files.
std::string ProgramFilePath(const std::string& dir, std::string_view name);

// The folder part of a path (without the trailing '/'), and the last part.
std::string DirName(std::string_view path);
std::string BaseName(std::string_view path);

}  // namespace matslip
