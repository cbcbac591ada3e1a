#pragma once
// A read-only consistency check of a table and its memo file, for the
// matslip-db tool and for tests. Never writes.
#include <string>
#include <vector>

namespace matslip {

// Returns one line per problem found; empty when the table is consistent:
// header and descriptors valid, the record count within the file, no bytes
// after the last record, and in the memo file every chain inside the file,
// without loops, not sharing blocks, with matching back links and used counts
// of at most 500, a sound free list, no block neither used nor free, and no
// interrupted write pending.
std::vector<std::string> CheckTable(const std::string& path);

// Only the problems of CheckTable that keep the engine from working on the
// table. Space the engine neither reads nor counts is left out: memo blocks
// neither used nor free (a repair of a table cut short leaves the blocks of
// the records it lost so) and bytes after the last block or record, which
// later writes go over.
std::vector<std::string> CheckTableDamage(const std::string& path);

}  // namespace matslip
