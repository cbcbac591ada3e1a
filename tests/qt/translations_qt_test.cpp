// Qt's standard buttons in Chinese once its translations are installed.
#include "app/translations_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRegularExpression>

namespace matslip {
namespace {

class QtChineseTranslationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    translator_ = LoadQtChineseTranslations();
    ASSERT_NE(translator_, nullptr);
    ASSERT_TRUE(QApplication::installTranslator(translator_.get()));
  }
  void TearDown() override {
    if (translator_) QApplication::removeTranslator(translator_.get());
  }

  // The caption of a standard button without its shortcut mark, which the
  // Chinese texts carry in brackets: "是(&Y)".
  static QString Caption(QDialogButtonBox::StandardButton which) {
    QDialogButtonBox box(which);
    return box.button(which)->text().remove(QRegularExpression("\\(&.\\)"));
  }

  std::unique_ptr<QTranslator> translator_;
};

TEST_F(QtChineseTranslationsTest, StandardButtonsSpeakChinese) {
  EXPECT_EQ(Caption(QDialogButtonBox::Ok), QString("确定"));
  EXPECT_EQ(Caption(QDialogButtonBox::Yes), QString("是"));
  EXPECT_EQ(Caption(QDialogButtonBox::No), QString("否"));
  EXPECT_EQ(Caption(QDialogButtonBox::Cancel), QString("取消"));
}

}  // namespace
}  // namespace matslip
