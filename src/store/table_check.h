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

}  // namespace matslip
