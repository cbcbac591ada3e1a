// The file a material's backup goes to, and the backup itself.
#include "material/material_backup.h"

#include <gtest/gtest.h>

#include "base/files.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class MaterialBackupPathTest : public ::testing::Test {
 protected:
  std::string Folder() const { return dir_.File("进库备份"); }
  testing::TempDir dir_;
};

TEST_F(MaterialBackupPathTest, NameFollowedDirectlyByModel) {
  EXPECT_EQ(MaterialBackupPath(Folder(), {"悬式绝缘子", "XP-70"}),
            Folder() + "/悬式绝缘子XP-70.mzk");
}

TEST_F(MaterialBackupPathTest, SlashBecomesItsFullWidthForm) {
  EXPECT_EQ(MaterialBackupPath(Folder(), {"钢芯铝绞线", "LGJ-95/20"}),
            Folder() + "/钢芯铝绞线LGJ-95／20.mzk");
}

TEST_F(MaterialBackupPathTest, KeysThatLookLikePathsStayInTheFolder) {
  for (const MaterialKey& key :
       std::vector<MaterialKey>{{"..", ""},
                                {".", "."},
                                {"../..", "/etc/passwd"},
                                {"-rf", ""},
                                {"", ""},
                                {"a\tb\nc\x01", "\x1f"},
                                {"data", ""}}) {
    const std::string path = MaterialBackupPath(Folder(), key);
    EXPECT_EQ(DirName(path), Folder()) << key.name << key.model;
    EXPECT_EQ(path.find("/../"), std::string::npos);
  }
  EXPECT_EQ(MaterialBackupPath(Folder(), {"a\tb", ""}),
            Folder() + "/a\u2409b.mzk");
  EXPECT_EQ(MaterialBackupPath(Folder(), {"", ""}), Folder() + "/.mzk");
}

TEST_F(MaterialBackupPathTest, KeyAtTheFieldLimitsFitsAsItIs) {
  // 32 Chinese characters are 64 bytes in GBK and 96 in UTF-8: both parts
  // together stay below the file system's limit and keep their full name.
  std::string name;
  for (int i = 0; i < 32; ++i) name += "铝";
  const std::string path = MaterialBackupPath(Folder(), {name, name});
  EXPECT_EQ(path, Folder() + "/" + name + name + ".mzk");
}

TEST_F(MaterialBackupPathTest, OverlongNameIsShortenedWithAStableHash) {
  // Each '/' takes three bytes in its full-width form: 384 bytes in all.
  const MaterialKey key{std::string(64, '/'), std::string(64, '/')};
  const std::string path = MaterialBackupPath(Folder(), key);
  EXPECT_EQ(DirName(path), Folder());
  const std::string name = BaseName(path);
  // Room is left for the temporaries' suffixes.
  EXPECT_LE(name.size() + 16, 255u) << name;
  EXPECT_GT(name.size(), 200u) << name;
  EXPECT_EQ(name.substr(name.size() - 4), ".mzk");
  EXPECT_EQ(name.substr(0, 3), "／");
  EXPECT_EQ(MaterialBackupPath(Folder(), key), path);
  // The same first characters, another key: another file.
  const MaterialKey other{std::string(64, '/'), std::string(63, '/') + "x"};
  EXPECT_NE(MaterialBackupPath(Folder(), other), path);
  const MaterialKey moved{std::string(63, '/'), std::string(65, '/')};
  EXPECT_NE(MaterialBackupPath(Folder(), moved), path);
}

TEST_F(MaterialBackupPathTest, ShortenedNameEndsOnACharacterBoundary) {
  for (int extra = 0; extra < 3; ++extra) {
    const MaterialKey key{std::string(extra, 'a') + std::string(64, '/'),
                          std::string(64, '|')};
    const std::string name = BaseName(MaterialBackupPath(Folder(), key));
    // A valid name: the last full-width character before the hash is whole.
    const std::size_t dash = name.rfind('-');
    ASSERT_NE(dash, std::string::npos);
    const std::string head = name.substr(0, dash);
    const std::size_t last = head.rfind("\xef");
    ASSERT_NE(last, std::string::npos);
    EXPECT_EQ(head.size() - last, 3u) << extra;
  }
}

TEST_F(MaterialBackupPathTest, ExistingFileInAnotherLetterCaseIsFound) {
  ASSERT_TRUE(CreateDirectory(Folder()));
  ASSERT_TRUE(testing::WriteTestFile(Folder() + "/PIPEDN50.MZK", "x"));
  EXPECT_EQ(MaterialBackupPath(Folder(), {"pipe", "dn50"}),
            Folder() + "/PIPEDN50.MZK");
}

}  // namespace
}  // namespace matslip
