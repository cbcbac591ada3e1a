// Qt's standard buttons and file dialog texts in Chinese once its
// translations are installed.
#include "app/translations_qt.h"

#include <gtest/gtest.h>

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
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

// The file dialogs' type column: Qt's catalogue lacks "Folder"; the file
// types come from the default locale, Chinese whatever the environment.
TEST_F(QtChineseTranslationsTest, FileDialogTypesSpeakChinese) {
  const QLocale before;
  const QByteArray environment = qgetenv("LC_ALL");
  UseChineseLocaleForQt();
  EXPECT_EQ(QLocale().name(), QString("zh_CN"));
  EXPECT_EQ(qgetenv("LC_ALL"), environment);
  QAbstractFileIconProvider types;
  EXPECT_EQ(types.type(QFileInfo(QDir::tempPath())), QString("文件夹"));
  QLocale::setDefault(before);
}

}  // namespace
}  // namespace matslip
