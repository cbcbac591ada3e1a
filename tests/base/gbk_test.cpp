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

// The UTF-8 form of the escape code point of byte `b`.
std::string Escape(unsigned char b) {
  const char32_t cp = 0xF700 + b;
  return {static_cast<char>(0xE0 | (cp >> 12)),
          static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
          static_cast<char>(0x80 | (cp & 0x3F))};
}

bool IsEscapeRange(const std::string& utf8) {
  // U+F780..U+F7FF: EF 9E 80 .. EF 9F BF.
  return utf8.size() >= 3 && utf8[0] == '\xEF' &&
         (utf8[1] == '\x9E' || utf8[1] == '\x9F');
}

TEST(GbkDecodeTest, EveryTwoByteCodeRoundTrips) {
  int mapped = 0;
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail == 0x7F) continue;
      const std::string bytes = {static_cast<char>(lead),
                                 static_cast<char>(trail)};
      const std::string utf8 = GbkToUtf8(bytes);
      std::string back;
      ASSERT_TRUE(Utf8ToGbk(utf8, &back)) << std::hex << lead << trail;
      ASSERT_EQ(back, bytes) << std::hex << lead << trail;
      // An unassigned code: each byte decodes on its own.
      if (utf8 == GbkToUtf8(bytes.substr(0, 1)) + GbkToUtf8(bytes.substr(1)))
        continue;
      // A character of the code page never takes an escape code point.
      ASSERT_FALSE(IsEscapeRange(utf8)) << std::hex << lead << trail;
      ++mapped;
    }
  }
  // Code page 936 assigns 21,791 two-byte codes.
  EXPECT_EQ(mapped, 21791);
}

// Texts cut byte-wise by a field's width, or damaged, keep every byte: what
// is no character decodes to an escape code point that encodes back to it.
class GbkEscapeTest : public ::testing::Test {
 protected:
  static std::string RoundTrip(const std::string& gbk) {
    std::string back;
    EXPECT_TRUE(Utf8ToGbk(GbkToUtf8(gbk), &back));
    return back;
  }
};

TEST_F(GbkEscapeTest, BytesThatAreNoCharacterBecomeEscapes) {
  // A lead byte at the end, a lead byte before a byte that cannot follow it
  // (that byte survives), an unassigned code (each byte on its own), 0xFF.
  EXPECT_EQ(GbkToUtf8("a\xB8"), "a" + Escape(0xB8));
  EXPECT_EQ(GbkToUtf8("\xB8"
                      "1"),
            Escape(0xB8) + "1");
  EXPECT_EQ(GbkToUtf8("\xB8\x7F"), Escape(0xB8) + "\x7F");
  EXPECT_EQ(GbkToUtf8("\xD7\xFAx"), Escape(0xD7) + Escape(0xFA) + "x");
  EXPECT_EQ(GbkToUtf8("\xFF"), Escape(0xFF));
  EXPECT_EQ(GbkToUtf8(std::string_view("\xB8\xD6\xB8", 2)), "钢");
}

TEST_F(GbkEscapeTest, TextsThatDifferInALoneByteStayDifferent) {
  EXPECT_NE(GbkToUtf8("ab\xB2"), GbkToUtf8("ab\xB3"));
  EXPECT_EQ(RoundTrip("ab\xB2"), "ab\xB2");
  EXPECT_EQ(RoundTrip("ab\xB3"), "ab\xB3");
}

TEST_F(GbkEscapeTest, EveryByteSequenceSurvivesTheRoundTrip) {
  // Every pair of bytes, and each of them after a character and before a
  // lone lead byte.
  for (int a = 1; a <= 0xFF; ++a) {
    for (int b = 1; b <= 0xFF; ++b) {
      const std::string gbk = {static_cast<char>(a), static_cast<char>(b)};
      ASSERT_EQ(RoundTrip(gbk), gbk) << std::hex << a << " " << b;
      ASSERT_EQ(RoundTrip("\xB8\xD6" + gbk + "\xB8"), "\xB8\xD6" + gbk + "\xB8")
          << std::hex << a << " " << b;
    }
  }
}

TEST_F(GbkEscapeTest, EscapesCountAndCutAsTheirOneByte) {
  const std::string utf8 = GbkToUtf8("A\xB8\xD6\xB8");  // A钢 and a lead byte
  EXPECT_EQ(GbkLength(utf8), 4u);
  std::string gbk;
  ASSERT_TRUE(Utf8ToGbk(utf8, &gbk));
  EXPECT_EQ(GbkCutLength(gbk, 4), 4u);
  EXPECT_EQ(GbkCutLength(gbk, 3), 3u);
}

TEST_F(GbkEscapeTest, TheEuroSignIsNoEscape) {
  // 0x80 is a character, so its would-be escape U+F780 is never produced
  // and has no GBK form.
  EXPECT_EQ(GbkToUtf8("\x80"), "€");
  std::string gbk;
  EXPECT_FALSE(Utf8ToGbk(Escape(0x80), &gbk));
}

TEST(GbkLengthTest, CountsGbkBytes) {
  EXPECT_EQ(GbkLength(kCableUtf8), 20u);
  EXPECT_EQ(GbkLength(""), 0u);
  EXPECT_EQ(GbkLength("€"), 1u);
  EXPECT_EQ(GbkLength("a😀"), 2u);
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
