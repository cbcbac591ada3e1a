#pragma once
// Where the program keeps its files: the folder given as the program's one
// optional argument, else the folder of the executable, unless the program is
// installed there (a folder named bin, or one it cannot write): then the
// user's data folder, $XDG_DATA_HOME/matslip ($HOME/.local/share/matslip by
// default), made when missing. No trailing '/'.
#include <string>

namespace matslip {

// `args` are the command-line arguments after the program name;
// `executable_dir` the folder of the running executable.
std::string ProgramDirectory(int argc, const char* const* argv,
                             const std::string& executable_dir);

// What keeps the program from working in `dir`, as the message the user sees
// before any window opens: the folder given does not exist, or is a file.
// Empty when `dir` is a folder.
std::string ProgramDirectoryProblem(const std::string& dir);

}  // namespace matslip
