#include "base/gbk.h"

#include <gtest/gtest.h>

namespace matslip {
namespace {

// GB2312 codes of 钢芯铝绞线 and 宋体 as printed in the standard's table.
constexpr char kCableGbk[] =
    "\xB8\xD6\xD0\xBE\xC2\xC1\xBD\xCA\xCF\xDF LGJ-95/20";
constexpr char kCableUtf8[] = "钢芯铝绞线 LGJ-95/20";

TEST(GbkEncodeTest, MaterialNameGivesGb2312Bytes) {
  std::string gbk;
  ASSERT_TRUE(Utf8ToGbk(kCableUtf8, &gbk));
  EXPECT_EQ(gbk, kCableGbk);
  ASSERT_TRUE(Utf8ToGbk("宋体", &gbk));
  EXPECT_EQ(gbk, "\xCB\xCE\xCC\xE5");
}

TEST(GbkEncodeTest, EuroSignIsTheSingleByte80) {
  std::string gbk;
  ASSERT_TRUE(Utf8ToGbk("€5", &gbk));
  EXPECT_EQ(gbk,
            "\x80"
            "5");
  EXPECT_EQ(GbkToUtf8("\x80"), "€");
}

TEST(GbkEncodeTest, EmojiIsReportedAsUnencodable) {
  std::string gbk;
  std::string bad;
  EXPECT_FALSE(Utf8ToGbk("钢材😀块", &gbk, &bad));
  EXPECT_EQ(bad, "😀");
  EXPECT_EQ(Utf8ToGbkLossy("钢材😀块"), "\xB8\xD6\xB2\xC4?\xBF\xE9");
}

TEST(GbkEncodeTest, InvalidUtf8IsReported) {
  std::string gbk;
  std::string bad;
  EXPECT_FALSE(Utf8ToGbk("ab\xE9\x92", &gbk, &bad));  // truncated 钢
  EXPECT_EQ(bad, "\xE9");
  EXPECT_FALSE(Utf8ToGbk("\xC0\xAF", &gbk));  // overlong '/'
}

TEST(GbkDecodeTest, RoundTripsChineseAndAscii) {
  EXPECT_EQ(GbkToUtf8(kCableGbk), kCableUtf8);
  const std::string text = "仓库名称：领料部门（技术）～☆★　１２．５";
  std::string gbk;
  ASSERT_TRUE(Utf8ToGbk(text, &gbk));
  EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(GbkDecodeTest, EveryTwoByteCodeRoundTrips) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes = {static_cast<char>(lead),
                                 static_cast<char>(trail)};
      const std::string utf8 = GbkToUtf8(bytes);
      if (utf8 == "\uFFFD") continue;
      ++mapped;
      std::string back;
      ASSERT_TRUE(Utf8ToGbk(utf8, &back)) << std::hex << lead << trail;
      ASSERT_EQ(back, bytes) << std::hex << lead << trail;
    }
  }
  // Code page 936 assigns 21,791 two-byte codes.
  EXPECT_EQ(mapped, 21791);
}

TEST(GbkDecodeTest, InvalidBytesBecomeReplacementCharacters) {
  // A lead byte at the end, a lead byte before a byte that cannot follow it
  // (that byte survives), an unassigned code (both bytes go), and 0xFF.
  EXPECT_EQ(GbkToUtf8("a\xB8"), "a\uFFFD");
  EXPECT_EQ(GbkToUtf8("\xB8"
                      "1"),
            "\uFFFD"
            "1");
  EXPECT_EQ(GbkToUtf8("\xB8\x7F"), "\uFFFD\x7F");
  EXPECT_EQ(GbkToUtf8("\xD7\xFAx"), "\uFFFDx");
  EXPECT_EQ(GbkToUtf8("\xFF"), "\uFFFD");
  EXPECT_EQ(GbkToUtf8(std::string_view("\xB8\xD6\xB8", 2)), "钢");
}

TEST(GbkLengthTest, CountsGbkBytes) {
  EXPECT_EQ(GbkLength(kCableUtf8), 20u);
  EXPECT_EQ(GbkLength(""), 0u);
  EXPECT_EQ(GbkLength("€"), 1u);
  EXPECT_EQ(GbkLength("a😀"), 2u);  // as its '?' would
}

TEST(GbkCutTest, NeverSplitsATwoByteCharacter) {
  const std::string gbk =
      "A"
      "\xB8\xD6\xD0\xBE";  // A钢芯
  EXPECT_EQ(GbkCutLength(gbk, 0), 0u);
  EXPECT_EQ(GbkCutLength(gbk, 1), 1u);
  EXPECT_EQ(GbkCutLength(gbk, 2), 1u);  // would split 钢
  EXPECT_EQ(GbkCutLength(gbk, 3), 3u);
  EXPECT_EQ(GbkCutLength(gbk, 4), 3u);
  EXPECT_EQ(GbkCutLength(gbk, 5), 5u);
  EXPECT_EQ(GbkCutLength(gbk, 100), 5u);
}

TEST(GbkCutTest, TrailBytesThatLookLikeLeadBytesAreNotMisread) {
  // 丁 is 0xB6A1 and 0xA1 0xA1 is the ideographic space: reading backwards
  // from byte 3 could not tell which byte leads.
  const std::string gbk = "\xB6\xA1\xA1\xA1\xA1\xA1";
  EXPECT_EQ(GbkCutLength(gbk, 3), 2u);
  EXPECT_EQ(GbkCutLength(gbk, 5), 4u);
  // A lone lead byte at the end is a character of its own.
  EXPECT_EQ(GbkCutLength("ab\xB8", 3), 3u);
}

}  // namespace
}  // namespace matslip
