#include "grid/text_search.h"

#include <gtest/gtest.h>

#include <string>

#include "base/gbk.h"

namespace matslip {
namespace {

// True when the GBK bytes of `needle` appear in those of `text`: what a
// byte-wise search of the file's texts would find.
bool BytesContain(const std::string& text, const std::string& needle) {
  std::string text_gbk, needle_gbk;
  EXPECT_TRUE(Utf8ToGbk(text, &text_gbk));
  EXPECT_TRUE(Utf8ToGbk(needle, &needle_gbk));
  return text_gbk.find(needle_gbk) != std::string::npos;
}

class TextSearchTest : public ::testing::Test {};

TEST_F(TextSearchTest, FindsATextAnywhereInTheCell) {
  EXPECT_TRUE(TextSearch("钢芯").FoundIn("钢芯铝绞线"));
  EXPECT_TRUE(TextSearch("铝绞").FoundIn("钢芯铝绞线"));
  EXPECT_TRUE(TextSearch("95/20").FoundIn("LGJ-95/20"));
  EXPECT_TRUE(TextSearch("LGJ-95/20").FoundIn("LGJ-95/20"));
  EXPECT_FALSE(TextSearch("LGJ-95/21").FoundIn("LGJ-95/20"));
  EXPECT_FALSE(TextSearch("铝绞线缆").FoundIn("钢芯铝绞线"));
  EXPECT_FALSE(TextSearch("钢").FoundIn(""));
}

TEST_F(TextSearchTest, RetriesAfterAPartialMatch) {
  EXPECT_TRUE(TextSearch("aab").FoundIn("aaab"));
  EXPECT_TRUE(TextSearch("线线缆").FoundIn("线线线缆"));
}

TEST_F(TextSearchTest, IgnoresCaseOfHalfWidthLatinLetters) {
  EXPECT_TRUE(TextSearch("lgj").FoundIn("钢芯 LGJ-95"));
  EXPECT_TRUE(TextSearch("LgJ").FoundIn("lgj-95"));
  EXPECT_TRUE(TextSearch("AZ").FoundIn("az"));
  EXPECT_TRUE(TextSearch("az").FoundIn("AZ"));
  // The neighbours of the letters are no letters.
  EXPECT_FALSE(TextSearch("@").FoundIn("`"));
  EXPECT_FALSE(TextSearch("[").FoundIn("{"));
}

TEST_F(TextSearchTest, IgnoresCaseOfFullWidthLatinLetters) {
  EXPECT_TRUE(TextSearch("ｌｇｊ").FoundIn("钢芯ＬＧＪ－９５"));
  EXPECT_TRUE(TextSearch("ＡＺ").FoundIn("ａｚ"));
  EXPECT_TRUE(TextSearch("ａｚ").FoundIn("ＡＺ"));
  EXPECT_FALSE(TextSearch("＠").FoundIn("｀"));
}

TEST_F(TextSearchTest, HalfAndFullWidthLettersStayDifferent) {
  EXPECT_FALSE(TextSearch("lgj").FoundIn("ＬＧＪ"));
  EXPECT_FALSE(TextSearch("ＬＧＪ").FoundIn("lgj"));
}

TEST_F(TextSearchTest, NeverMatchesAcrossTheBytesOfTwoCharacters) {
  // 钢 is B8 D6 and 芯 D0 BE in GBK; D6 D0 is 中.
  ASSERT_TRUE(BytesContain("钢芯", "中"));
  EXPECT_FALSE(TextSearch("中").FoundIn("钢芯"));
  EXPECT_FALSE(TextSearch("中").FoundIn("钢芯铝绞线"));
  EXPECT_TRUE(TextSearch("中").FoundIn("钢芯中"));
}

TEST_F(TextSearchTest, NeverTakesTheSecondByteOfACharacterForALetter) {
  // 癮 is B0 61 in GBK: its second byte is the code of "a".
  ASSERT_TRUE(BytesContain("癮", "a"));
  EXPECT_FALSE(TextSearch("a").FoundIn("癮"));
  EXPECT_FALSE(TextSearch("A").FoundIn("癮"));
  EXPECT_TRUE(TextSearch("A").FoundIn("癮a"));
}

TEST_F(TextSearchTest, BytesThatStartNoCharacterMatchOnlyThemselves) {
  const std::string raw = "x\xB8\xD6y";  // GBK bytes left in a cell
  EXPECT_TRUE(TextSearch("\xB8\xD6").FoundIn(raw));
  EXPECT_TRUE(TextSearch("Y").FoundIn(raw));
  EXPECT_FALSE(TextSearch("\xB8\xD7").FoundIn(raw));
  EXPECT_FALSE(TextSearch("钢").FoundIn(raw));
}

TEST_F(TextSearchTest, AnEmptySearchTextIsFoundEverywhere) {
  EXPECT_TRUE(TextSearch("").FoundIn(""));
  EXPECT_TRUE(TextSearch("").FoundIn("钢芯"));
}

}  // namespace
}  // namespace matslip
