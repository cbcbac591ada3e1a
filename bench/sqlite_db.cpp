#include "sqlite_db.h"

#include <cstdio>
#include <cstdlib>

namespace matslip::bench {

SqliteDb::SqliteDb(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) Die("open " + path);
  Exec("PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF;");
}

SqliteDb::~SqliteDb() { sqlite3_close(db_); }

void SqliteDb::Die(const std::string& what) {
  std::fprintf(stderr, "sqlite: %s: %s\n", what.c_str(), sqlite3_errmsg(db_));
  std::abort();
}

void SqliteDb::Exec(const std::string& sql) {
  if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
    Die(sql);
}

sqlite3_stmt* SqliteDb::Prepare(const std::string& sql) {
  sqlite3_stmt* s = nullptr;
  if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK)
    Die(sql);
  return s;
}

int SqliteDb::Drain(sqlite3_stmt* statement) {
  int rows = 0, rc;
  while ((rc = sqlite3_step(statement)) == SQLITE_ROW) ++rows;
  if (rc != SQLITE_DONE) Die(sqlite3_sql(statement));
  sqlite3_reset(statement);
  return rows;
}

}  // namespace matslip::bench
