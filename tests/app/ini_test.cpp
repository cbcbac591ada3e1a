#include "app/ini.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::ReadTestFile;
using testing::TempDir;
using testing::WriteTestFile;

class IniTest : public ::testing::Test {
 protected:
  TempDir dir_;
  std::string path_ = dir_.File("config.ini");
};

TEST_F(IniTest, MissingFileOrKeyGivesTheDefault) {
  EXPECT_EQ(IniRead(path_, "ck1z", "ck1z", "100"), "100");
  ASSERT_TRUE(WriteTestFile(path_, "[ck1z]\r\nck1z=7\r\n"));
  EXPECT_EQ(IniRead(path_, "ck1z", "other", "100"), "100");
  EXPECT_EQ(IniRead(path_, "other", "ck1z", "100"), "100");
  EXPECT_EQ(IniRead(path_, "ck1z", "ck1z", "100"), "7");
  // The default loses its trailing blanks, as the platform's function does.
  EXPECT_EQ(IniRead(path_, "x", "x", " a b  "), " a b");
}

TEST_F(IniTest, EmptyNamesAfterSkippingBlanksGiveEmptyText) {
  ASSERT_TRUE(WriteTestFile(path_, "[ck1z]\r\nck1z=7\r\n"));
  EXPECT_EQ(IniRead(path_, " \t", "ck1z", "100"), "");
  EXPECT_EQ(IniRead(path_, "ck1z", "\x01 ", "100"), "");
  EXPECT_EQ(IniRead("  ", "ck1z", "ck1z", "100"), "");
  EXPECT_EQ(IniRead(" \t" + path_, "\x02 ck1z", "  ck1z", "100"), "7");
  EXPECT_FALSE(IniWrite(path_, " ", "ck1z", "1"));
  EXPECT_FALSE(IniWrite(path_, "ck1z", "", "1"));
  EXPECT_EQ(ReadTestFile(path_), "[ck1z]\r\nck1z=7\r\n");
}

TEST_F(IniTest, NamesMatchWithAsciiCaseFolded) {
  ASSERT_TRUE(WriteTestFile(path_, "[CK1Z]\r\n  Ck1Z = 7 \r\n"));
  EXPECT_EQ(IniRead(path_, "ck1z", "CK1z", ""), "7");
  ASSERT_TRUE(IniWrite(path_, "Ck1z", "cK1Z", "8"));
  EXPECT_EQ(ReadTestFile(path_), "[CK1Z]\r\n  Ck1Z =8\r\n");
}

TEST_F(IniTest, ValuesLoseSurroundingBlanksAndOnePairOfQuotes) {
  ASSERT_TRUE(WriteTestFile(path_,
                            "[s]\r\na=  x y \t\r\nb=\" q \"\r\nc='r'\r\n"
                            "d=\"s'\r\ne=\r\n"));
  EXPECT_EQ(IniRead(path_, "s", "a", ""), "x y");
  EXPECT_EQ(IniRead(path_, "s", "b", ""), " q ");
  EXPECT_EQ(IniRead(path_, "s", "c", ""), "r");
  EXPECT_EQ(IniRead(path_, "s", "d", ""), "\"s'");
  EXPECT_EQ(IniRead(path_, "s", "e", "default"), "");
}

TEST_F(IniTest, WrittenValuesReadBackUnchanged) {
  for (const std::string value :
       {"四川 澜栖 仓库", " leading", "trailing ", "\"quoted\"", "'", ""}) {
    ASSERT_TRUE(IniWrite(path_, "仓库名称", "仓库名称", value)) << value;
    EXPECT_EQ(IniRead(path_, "仓库名称", "仓库名称", "x"), value);
  }
}

TEST_F(IniTest, NewFileIsGbkWithCrLf) {
  ASSERT_TRUE(IniWrite(path_, "审批", "审批", "张三"));
  ASSERT_TRUE(IniWrite(path_, "ck1z", "ck1z", "100"));
  EXPECT_EQ(ReadTestFile(path_),
            "[\xC9\xF3\xC5\xFA]\r\n\xC9\xF3\xC5\xFA=\xD5\xC5\xC8\xFD\r\n"
            "[ck1z]\r\nck1z=100\r\n");
}

TEST_F(IniTest, ReadsHandWrittenGbkFile) {
  // 仓库名称=一号库, written by another program.
  ASSERT_TRUE(WriteTestFile(
      path_,
      "; print settings\r\n[\xB2\xD6\xBF\xE2\xC3\xFB\xB3\xC6]\r\n"
      "\xB2\xD6\xBF\xE2\xC3\xFB\xB3\xC6=\xD2\xBB\xBA\xC5\xBF\xE2\r\n"));
  EXPECT_EQ(IniRead(path_, "仓库名称", "仓库名称", ""), "一号库");
}

TEST_F(IniTest, SectionNameWithBracketAsGbkTrailByte) {
  // 乚 is 0x81 0x5D in GBK: its second byte is ']'.
  ASSERT_TRUE(WriteTestFile(path_, "[a\x81\x5D]\r\nk=v\r\n"));
  EXPECT_EQ(IniRead(path_, "a乚", "k", ""), "v");
}

TEST_F(IniTest, EditKeepsOtherLinesByteForByte) {
  const std::string before =
      "; hand-written\r\n[ck1z]\r\nck1z=100\r\n\r\n"
      "[ck1d]\r\n  ck1d = 5 \r\nstray line \xB8\r\n\r\n\r\n"
      "[tail]\r\nx=1";
  ASSERT_TRUE(WriteTestFile(path_, before));
  ASSERT_TRUE(IniWrite(path_, "ck1z", "ck1z", "120"));
  ASSERT_TRUE(IniWrite(path_, "ck1d", "extra", "e"));
  ASSERT_TRUE(IniWrite(path_, "new", "k", "n"));
  EXPECT_EQ(ReadTestFile(path_),
            "; hand-written\r\n[ck1z]\r\nck1z=120\r\n\r\n"
            "[ck1d]\r\n  ck1d = 5 \r\nstray line \xB8\r\nextra=e\r\n\r\n\r\n"
            "[tail]\r\nx=1\r\n[new]\r\nk=n\r\n");
}

TEST_F(IniTest, FirstSectionAndKeyWin) {
  ASSERT_TRUE(WriteTestFile(path_, "[s]\nk=1\nk=2\n[s]\nk=3\nj=4\n"));
  EXPECT_EQ(IniRead(path_, "s", "k", ""), "1");
  EXPECT_EQ(IniRead(path_, "s", "j", "none"), "none");
}

TEST_F(IniTest, LfOnlyFileStaysLfOnly) {
  ASSERT_TRUE(WriteTestFile(path_, "[s]\nk=1\n"));
  EXPECT_EQ(IniRead(path_, "s", "k", ""), "1");
  ASSERT_TRUE(IniWrite(path_, "s", "j", "2"));
  EXPECT_EQ(ReadTestFile(path_), "[s]\nk=1\nj=2\n");
}

TEST_F(IniTest, Utf8FileWithByteOrderMarkStaysUtf8) {
  ASSERT_TRUE(WriteTestFile(path_, "\xEF\xBB\xBF[保管]\r\n保管=李四\r\n"));
  EXPECT_EQ(IniRead(path_, "保管", "保管", ""), "李四");
  ASSERT_TRUE(IniWrite(path_, "领料", "领料", "王五"));
  EXPECT_EQ(ReadTestFile(path_),
            "\xEF\xBB\xBF[保管]\r\n保管=李四\r\n[领料]\r\n领料=王五\r\n");
}

TEST_F(IniTest, Utf8FileWithoutByteOrderMarkIsReadAndWrittenAsUtf8) {
  // As a Linux editor saves it: UTF-8, LF, no mark.
  ASSERT_TRUE(WriteTestFile(path_, "[保管]\n保管=李四\n"));
  EXPECT_EQ(IniRead(path_, "保管", "保管", ""), "李四");
  ASSERT_TRUE(IniWrite(path_, "保管", "保管", "赵六"));
  ASSERT_TRUE(IniWrite(path_, "领料", "领料", "王五"));
  EXPECT_EQ(ReadTestFile(path_), "[保管]\n保管=赵六\n[领料]\n领料=王五\n");
}

TEST_F(IniTest, AsciiOnlyFileTakesChineseTextAsGbk) {
  ASSERT_TRUE(WriteTestFile(path_, "[ck1z]\r\nck1z=100\r\n"));
  ASSERT_TRUE(IniWrite(path_, "审批", "审批", "张三"));
  EXPECT_EQ(ReadTestFile(path_),
            "[ck1z]\r\nck1z=100\r\n"
            "[\xC9\xF3\xC5\xFA]\r\n\xC9\xF3\xC5\xFA=\xD5\xC5\xC8\xFD\r\n");
}

TEST_F(IniTest, RefusesLineBreaksAndUnencodableText) {
  const std::string before = "[s]\r\nk=1\r\n";
  ASSERT_TRUE(WriteTestFile(path_, before));
  EXPECT_FALSE(IniWrite(path_, "s", "k", "a\r\nb"));
  EXPECT_FALSE(IniWrite(path_, "s", "k", "a\nb"));
  EXPECT_FALSE(IniWrite(path_, "s", "k", std::string("a\0b", 3)));
  EXPECT_FALSE(IniWrite(path_, "s", "k", "😀"));
  EXPECT_FALSE(IniWrite(path_, "s😀", "k", "1"));
  EXPECT_FALSE(IniWrite(path_, "s]", "k", "1"));
  EXPECT_FALSE(IniWrite(path_, "s", "k=", "1"));
  EXPECT_FALSE(IniWrite(path_, "s", "[k", "1"));
  EXPECT_EQ(ReadTestFile(path_), before);
  EXPECT_FALSE(IniValueWritable("a\nb"));
  EXPECT_TRUE(IniValueWritable("钢芯铝绞线 LGJ-95/20"));
}

TEST_F(IniTest, WriteIntoMissingFolderFails) {
  EXPECT_FALSE(IniWrite(dir_.File("no/config.ini"), "s", "k", "1"));
}

TEST_F(IniTest, ReadIsCappedAt10240GbkBytes) {
  const std::string ascii(20000, 'a');
  ASSERT_TRUE(IniWrite(path_, "s", "k", ascii));
  EXPECT_EQ(IniRead(path_, "s", "k", ""), ascii.substr(0, 10240));
  // 5121 two-byte characters: the last one would end at byte 10242.
  std::string chinese;
  for (int i = 0; i < 5121; ++i) chinese += "钢";
  ASSERT_TRUE(IniWrite(path_, "s", "k", "a" + chinese));
  EXPECT_EQ(IniRead(path_, "s", "k", ""), "a" + chinese.substr(0, 5119 * 3));
  EXPECT_EQ(IniRead(path_, "s", "missing", ascii), ascii.substr(0, 10240));
}

}  // namespace
}  // namespace matslip
