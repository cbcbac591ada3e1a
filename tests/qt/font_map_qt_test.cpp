#include "grid/font_map_qt.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

namespace matslip {
namespace {

class FontMapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFontDatabase::hasFamily("Noto Serif CJK SC") ||
        !QFontDatabase::hasFamily("Noto Sans CJK SC")) {
      GTEST_SKIP() << "the Noto CJK fonts are not installed";
    }
  }
  static QString Drawn(const char* windows_name) {
    return QFontInfo(QFont(QString::fromUtf8(windows_name))).family();
  }
};

TEST_F(FontMapTest, SongAndKaiFacesDrawWithTheSerifFont) {
  EXPECT_EQ(FontSubstitutesFor(QString::fromUtf8("宋体")).value(0),
            "Noto Serif CJK SC");
  EXPECT_EQ(Drawn("宋体"), "Noto Serif CJK SC");
  EXPECT_EQ(Drawn("楷体_GB2312"), "Noto Serif CJK SC");
  EXPECT_EQ(Drawn("仿宋_GB2312"), "Noto Serif CJK SC");
  EXPECT_EQ(Drawn("隶书"), "Noto Serif CJK SC");
  EXPECT_EQ(Drawn("华文新魏"), "Noto Serif CJK SC");
  EXPECT_EQ(Drawn("华文行楷"), "Noto Serif CJK SC");
}

TEST_F(FontMapTest, HeiDrawsWithTheSansFont) {
  EXPECT_EQ(Drawn("黑体"), "Noto Sans CJK SC");
}

TEST_F(FontMapTest, UnknownNamesHaveNoSubstitutes) {
  EXPECT_TRUE(FontSubstitutesFor("Arial").isEmpty());
}

}  // namespace
}  // namespace matslip
