// The slip parameters window on the offscreen platform: its controls, the
// texts saved to and read back from config.ini, and the geometry it keeps.
#include "app/slip_parameters_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include "app/ini.h"
#include "app/settings.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class SlipParametersWindowTest : public ::testing::Test {
 protected:
  SlipParametersWindowTest() { session_.program_dir = dir_.path(); }

  std::string Config() const { return dir_.File("config.ini"); }
  std::string Ini(const std::string& key) const {
    return IniRead(Config(), key, key, "<missing>");
  }
  // Shows the window and lets the geometry from config.ini arrive.
  static void Show(QWidget* window) {
    window->show();
    QApplication::processEvents();
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(SlipParametersWindowTest, CaptionLabelsAndButtonAsTheUserReadsThem) {
  SlipParametersWindow window(&session_, &dialogs_);
  EXPECT_EQ(window.windowTitle(),
            QString("四川澜栖供电有限责任公司材料出库单系统"));
  QStringList labels;
  for (QLabel* label : window.findChildren<QLabel*>()) labels << label->text();
  EXPECT_EQ(labels, (QStringList{"仓库名称", "使用方向", "领料部门", "项目名称",
                                 "审    批", "财务审核", "技术部门", "开    票",
                                 "保    管", "领    料"}));
  EXPECT_EQ(window.save_button()->text(), QString("确定"));
  EXPECT_EQ(window.findChildren<QGroupBox*>().size(), 1);
}

TEST_F(SlipParametersWindowTest,
       EveryEditIsNamedByItsLabelAndTheButtonByItsCaption) {
  SlipParametersWindow window(&session_, &dialogs_);
  for (QLabel* label : window.findChildren<QLabel*>()) {
    ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString();
    EXPECT_EQ(label->buddy()->accessibleName(), label->text());
  }
  EXPECT_EQ(window.edits()[4]->accessibleName(), QString("审    批"));
  EXPECT_EQ(window.save_button()->accessibleName(), QString("确定"));
}

TEST_F(SlipParametersWindowTest,
       NoControlCoversAnotherAndEachLabelStandsBeforeItsEdit) {
  SlipParametersWindow window(&session_, &dialogs_);
  const QList<QLabel*> labels = window.findChildren<QLabel*>();
  QList<QWidget*> controls = {window.save_button()};
  for (QLabel* label : labels) controls << label << label->buddy();
  auto name = [](QWidget* w) {
    auto* label = qobject_cast<QLabel*>(w);
    return (label ? label->text() : w->accessibleName()).toStdString();
  };
  for (int i = 0; i < controls.size(); ++i) {
    EXPECT_TRUE(window.rect().contains(controls[i]->geometry()));
    for (int j = i + 1; j < controls.size(); ++j) {
      EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
          << name(controls[i]) << " / " << name(controls[j]);
    }
  }
  const QRect frame = window.findChildren<QGroupBox*>()[0]->geometry();
  EXPECT_FALSE(frame.intersects(window.save_button()->geometry()));
  for (QLabel* label : labels) {
    const QRect edit = label->buddy()->geometry();
    EXPECT_TRUE(frame.contains(label->geometry()));
    EXPECT_TRUE(frame.contains(edit));
    EXPECT_LT(label->geometry().right(), edit.left());
    EXPECT_GT(label->geometry().center().y(), edit.top());
    EXPECT_LT(label->geometry().center().y(), edit.bottom());
  }
}

TEST_F(SlipParametersWindowTest, OpensEmptyAtTheDefaultGeometryWithoutConfig) {
  SlipParametersWindow window(&session_, &dialogs_);
  Show(&window);
  EXPECT_EQ(window.pos(), QPoint(100, 100));
  EXPECT_EQ(window.frameGeometry().size(), QSize(600, 550));
  for (QLineEdit* edit : window.edits()) EXPECT_TRUE(edit->text().isEmpty());
}

TEST_F(SlipParametersWindowTest, SavedTextsAreReadBackByTheNextWindow) {
  const QStringList typed = {"一号库", "检修", "运维班", "线路改造", "张 三",
                             "李四",   "",     "王五",   "赵六",     "钱七"};
  {
    SlipParametersWindow window(&session_, &dialogs_);
    for (int i = 0; i < 10; ++i) window.edits()[i]->setText(typed[i]);
    QTest::mouseClick(window.save_button(), Qt::LeftButton);
    EXPECT_EQ(dialogs_.Messages(),
              std::vector<std::string>{"各项参数设置成功"});
  }
  EXPECT_EQ(Ini("仓库名称"), "一号库");
  EXPECT_EQ(Ini("审批"), "张 三");
  EXPECT_EQ(Ini("技术部门"), "");
  EXPECT_EQ(Ini("领料"), "钱七");
  SlipParametersWindow again(&session_, &dialogs_);
  for (int i = 0; i < 10; ++i)
    EXPECT_EQ(again.edits()[i]->text(), typed[i]) << i;
}

TEST_F(SlipParametersWindowTest, ATextWithoutGbkFormIsRefusedAndNothingSaved) {
  ASSERT_TRUE(IniWrite(Config(), "仓库名称", "仓库名称", "旧库"));
  SlipParametersWindow window(&session_, &dialogs_);
  window.edits()[0]->setText("新库");
  window.edits()[7]->setText("王五\xF0\x9F\x98\x80");  // an emoji
  QTest::mouseClick(window.save_button(), Qt::LeftButton);
  ASSERT_EQ(dialogs_.Messages().size(), 1u);
  EXPECT_NE(dialogs_.Messages()[0].find("开    票"), std::string::npos);
  EXPECT_EQ(Ini("仓库名称"), "旧库");
  EXPECT_EQ(Ini("开票"), "<missing>");
}

TEST_F(SlipParametersWindowTest, MoveWritesThePositionAndResizeAllFourKeys) {
  SlipParametersWindow window(&session_, &dialogs_);
  Show(&window);
  ASSERT_TRUE(IniWrite(Config(), "ck3k", "ck3k", "777"));
  window.move(150, 160);
  QApplication::processEvents();
  EXPECT_EQ(Ini("ck3z"), "150");
  EXPECT_EQ(Ini("ck3d"), "160");
  EXPECT_EQ(Ini("ck3k"), "777");
  window.resize(700, 500);
  QApplication::processEvents();
  const QSize outer = window.frameGeometry().size();
  EXPECT_EQ(Ini("ck3z"), "150");
  EXPECT_EQ(Ini("ck3d"), "160");
  EXPECT_EQ(Ini("ck3k"), std::to_string(outer.width()));
  EXPECT_EQ(Ini("ck3g"), std::to_string(outer.height()));
  EXPECT_EQ(Ini("ck1k"), "<missing>");
}

TEST_F(SlipParametersWindowTest, OpensAtTheStoredGeometryScaledFromTheDesign) {
  ASSERT_TRUE(WriteWindowGeometry(Config(), kSlipParametersWindow,
                                  {40, 30, 1160, 676}));
  SlipParametersWindow window(&session_, &dialogs_);
  Show(&window);
  EXPECT_EQ(window.pos(), QPoint(40, 30));
  EXPECT_EQ(window.frameGeometry().size(), QSize(1160, 676));
  // The design's 272, 256, 80, 40 scaled by the client area over the
  // design's 580 x 338, truncated.
  const int w = window.width(), h = window.height();
  EXPECT_EQ(window.save_button()->geometry(),
            QRect(272 * w / 580, 256 * h / 338, 80 * w / 580, 40 * h / 338));
}

}  // namespace
}  // namespace matslip
