// The set-up every fuzz target's LLVMFuzzerInitialize shares: a private
// working folder for the files an input is written to, and seeds for the
// corpus folders that are still empty.
#pragma once

#include <functional>
#include <string>

namespace matslip::fuzzing {

// Makes a private folder "<prefix>-<pid>" for the process's files, on
// /dev/shm when there is one (every input writes a file) or else in the
// temporary folder, and removes it at exit; the folders of this prefix left
// by processes that are gone (a run stopped on a finding) are removed
// first. Aborts when none can be made. The path stays valid for the
// process's life.
const std::string& MakeWorkDir(const char* prefix);

// Calls `seed` with each of the command line's folders that is empty:
// libFuzzer's corpus folders (its options begin with '-').
void SeedEmptyCorpora(int argc, char** argv,
                      const std::function<void(const std::string&)>& seed);

}  // namespace matslip::fuzzing
