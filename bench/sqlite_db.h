#pragma once
// A SQLite connection for the benchmarks, set up as a fair opponent of the
// engine without durable writes: journal in memory, no syncing. Any SQLite
// error aborts the benchmark run with its message.
#include <sqlite3.h>

#include <string>

namespace matslip::bench {

class SqliteDb {
 public:
  explicit SqliteDb(const std::string& path);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  void Exec(const std::string& sql);
  sqlite3_stmt* Prepare(const std::string& sql);  // finalized by the caller
  // Steps a statement to its end, then resets it; returns the rows seen.
  int Drain(sqlite3_stmt* statement);
  sqlite3* get() { return db_; }

 private:
  [[noreturn]] void Die(const std::string& what);
  sqlite3* db_ = nullptr;
};

}  // namespace matslip::bench
