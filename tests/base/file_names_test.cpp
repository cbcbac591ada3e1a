#include <gtest/gtest.h>

#include "base/files.h"

namespace matslip {
namespace {

TEST(SafeFileNameTest, MapsForbiddenCharactersToFullWidthForms) {
  EXPECT_EQ(SafeFileName("钢芯铝绞线LGJ-95/20"), "钢芯铝绞线LGJ-95／20");
  EXPECT_EQ(SafeFileName("../x"), "..／x");
  EXPECT_EQ(SafeFileName("a\\b:c*d?e\"f<g>h|i"), "a＼b：c＊d？e＂f＜g＞h｜i");
  EXPECT_EQ(SafeFileName(std::string("a\0b\n\x1F\x7F", 6)), "a␀b␊␟␡");
}

TEST(SafeFileNameTest, DotsAloneBecomeFullWidth) {
  EXPECT_EQ(SafeFileName("."), "．");
  EXPECT_EQ(SafeFileName(".."), "．．");
  EXPECT_EQ(SafeFileName("..."), "...");  // an ordinary name
  EXPECT_EQ(SafeFileName("a.b"), "a.b");
}

TEST(SafeFileNameTest, NeverContainsASlash) {
  for (int c = 0; c < 256; ++c) {
    const std::string key = {'x', static_cast<char>(c), 'y'};
    EXPECT_EQ(SafeFileName(key).find('/'), std::string::npos) << c;
  }
}

TEST(PathPartsTest, DirNameAndBaseName) {
  EXPECT_EQ(DirName("/opt/matslip/data.mzk"), "/opt/matslip");
  EXPECT_EQ(BaseName("/opt/matslip/data.mzk"), "data.mzk");
  EXPECT_EQ(DirName("data.mzk"), ".");
  EXPECT_EQ(BaseName("data.mzk"), "data.mzk");
  EXPECT_EQ(DirName("/data.mzk"), "/");
  EXPECT_EQ(DirName("a//b/"), "a");
  EXPECT_EQ(BaseName("a//b/"), "b");
  EXPECT_EQ(DirName("/"), "/");
  EXPECT_EQ(BaseName("/"), "/");
}

}  // namespace
}  // namespace matslip
