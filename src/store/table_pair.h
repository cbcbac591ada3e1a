#pragma once
// A table and its memo file replaced as a pair: both new files complete
// beside the target under temporary names, then a journal naming the pair,
// then the renames. Whoever opens the table next finishes a replacement a
// crash interrupted, so the table is never seen with another table's memo
// file. No name used here ends in ".mzk" or ".edt".
#include <cstdint>
#include <string>

namespace matslip {

// A random id for a new pair of files, never 0: written into both files'
// headers (fmt::kPairIdOffset, fmt::kMemoPairIdOffset), it tells a journal
// which files are the new pair, on any PC and in a copied folder.
std::uint64_t NewPairId();

// Where the new version of `path` (a table or its memo file) is written
// before it replaces `path`, by the replacement `token` names. Such a file
// without a journal is unfinished: nothing ever opens it. An empty token
// gives the one name an older version used for every replacement.
std::string PairTempPath(const std::string& path,
                         const std::string& token = "");

// A token of its own for one replacement: this host, this process and a
// count, so that two replacements of one table, by two processes or two PCs
// on a shared folder, never write into each other's temporaries.
std::string NewPairToken();

// Puts the complete, flushed temporaries of `table` and of `memo` (those of
// `token`), which carry the same pair id (a table without memo file: its
// own), in place: journal, memo file, table, journal removed. Without
// `with_memo` the new table has no memo file and `memo` (the old table's) is
// removed instead. Replacements of one table take turns: one waits (within
// the lock wait limit) while another's journal is there. True once both
// names hold the new files, also when the folder cannot be flushed after
// (the journal then stays for the next open to finish).
// On failure, `*decided` says whether the journal was already in place:
// then the next open (or FinishPairReplacement) completes the replacement
// and the temporaries must stay; otherwise nothing changed.
bool ReplacePair(const std::string& table, const std::string& memo,
                 bool with_memo, const std::string& token, bool* decided);

// Copies the table `from` and its memo file (when it has one) as they are,
// byte for byte in the kernel, to `to` and its memo file, with a new pair
// id, flushed when durable writes are on: the copy ReplaceTableWith then
// puts in place.
bool CopyTableFiles(const std::string& from, const std::string& to);

// Puts the complete, flushed table `new_table` and its memo file (when it
// has one) in place of `table` and its memo file, by moving them to the
// temporaries and ReplacePair. `new_table` is best in `table`'s folder, where
// the move is a rename. The table in use is locked whole meanwhile, so a
// booking of another opener ends before or meets the new table. False with
// `*decided` as ReplacePair says; when nothing changed, `new_table` and its
// memo file are gone.
bool ReplaceTableWith(const std::string& table, const std::string& new_table,
                      bool* decided);

// Completes a replacement of `table` that a crash interrupted, waiting for
// one that another process is making. A journal that is not one of ours
// is ignored (and removed unless `read_only`). A reader never writes: it
// fails, with a reason, while a journal with its temporaries waits to be
// completed, and opens nothing half-replaced. True when nothing is pending
// afterwards.
bool FinishPairReplacement(const std::string& table, bool read_only,
                           std::string* why);

// Removes a table that nothing uses any more, its memo file and whatever a
// replacement of it left (temporaries, journal): a file left by a killed
// process that only it ever used. True when none of them is left.
bool RemoveTableLeftovers(const std::string& table);

// Removes the temporaries of replacements of `table` that a process of this
// host left when it was killed (it no longer runs).
void RemoveStrayTemporaries(const std::string& table);
// The same for every table in `folder` (the per-material backups, say):
// one pass over the folder's names, for a step that may take its time.
void RemoveStrayTemporariesIn(const std::string& folder);

// Whether a journal of `table` is there (a replacement is under way or was
// interrupted).
bool PairJournalExists(const std::string& table);

}  // namespace matslip
