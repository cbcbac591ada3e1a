#include "workbook/overlapped_file.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_dir.h"

namespace matslip {
namespace {

// Many small hand-overs, appended and written through the pointer, reach
// the file whole and in order.
TEST(OverlappedFileTest, EveryByteArrivesInOrderAcrossManyHandOvers) {
  testing::TempDir dir;
  const std::string path = dir.File("out.txt");
  std::string expected;
  {
    OverlappedFile file(7);
    ASSERT_TRUE(file.Create(path));
    for (int i = 0; i < 5000; ++i) {
      const std::string line = std::to_string(i) + ",";
      if (i % 2) {
        file.Append(line);
      } else {
        char* room = file.Room(line.size());
        line.copy(room, line.size());
        file.Commit(room + line.size());
      }
      expected += line;
      ASSERT_TRUE(file.FlushIfFull());
    }
    ASSERT_TRUE(file.Finish());
  }
  EXPECT_EQ(testing::ReadTestFile(path), expected);
}

// A file that cannot be created starts no writer, and nothing can be
// handed over to one.
TEST(OverlappedFileTest, AFileThatCannotBeCreatedTakesNoBytes) {
  testing::TempDir dir;
  OverlappedFile file(4);
  ASSERT_FALSE(file.Create(dir.File("no-such-folder/out.txt")));
  file.Append("12345");
  EXPECT_FALSE(file.FlushIfFull());
  EXPECT_FALSE(file.Finish());
}

}  // namespace
}  // namespace matslip
