// The item editor on the offscreen platform: its controls, opening on the
// selected material, the amount, navigation, delete and a stock-in through
// its button.
#include "app/item_editor_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "app/ini.h"
#include "app/settings.h"
#include "base/clock.h"
#include "base/datetime.h"
#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

// Long enough for the first record's delayed show on a busy machine; the
// tests wait for it, they never measure it.
constexpr int kShowWaitMs = 10000;

struct Material {
  const char* name;
  const char* model;
  const char* unit;
  double quantity, price, alarm;
};

constexpr Material kMaterials[] = {
    {"钢芯铝绞线", "LGJ-95/20", "米", 100, 12.5, 10},
    {"悬式绝缘子", "XP-70", "片", 500, 30, 50},
    {"避雷器", "HY5WS-17/50", "只", 8, 260, 2},
};

class ItemEditorWindowTest : public ::testing::Test {
 protected:
  ItemEditorWindowTest() {
    DbCloseAll();
    SetDurableWrites(false);
    session_.program_dir = dir_.path();
    auto table =
        Table::Create(dir_.File("data.mzk"), Schema(material::Fields()));
    for (const Material& m : kMaterials) {
      std::vector<Value> v(material::kFieldCount);
      v[material::kName - 1] = m.name;
      v[material::kModel - 1] = m.model;
      v[material::kUnit - 1] = m.unit;
      v[material::kQuantity - 1] = m.quantity;
      v[material::kPrice - 1] = m.price;
      v[material::kValue - 1] = m.quantity * m.price;
      v[material::kAlarm - 1] = m.alarm;
      table->Append(v);
    }
  }
  ~ItemEditorWindowTest() override {
    DbCloseAll();
    ResetClock();
  }

  // Opens the editor on material `i` of kMaterials and waits until it shows.
  std::unique_ptr<ItemEditorWindow> OpenOn(int i) {
    session_.selected = {kMaterials[i].name, kMaterials[i].model};
    auto window = std::make_unique<ItemEditorWindow>(&session_, &dialogs_);
    QSignalSpy shown(window.get(), &ItemEditorWindow::recordShown);
    window->show();
    EXPECT_TRUE(shown.wait(kShowWaitMs));
    return window;
  }

  static QStringList Form(const ItemEditorWindow& w) {
    return {w.name_edit()->text(),     w.model_edit()->text(),
            w.unit_edit()->text(),     w.price_edit()->text(),
            w.quantity_edit()->text(), w.alarm_edit()->text(),
            w.amount_edit()->text()};
  }

  std::string Ini(const std::string& key) const {
    return IniRead(dir_.File("config.ini"), key, key, "<missing>");
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(ItemEditorWindowTest, CaptionLabelsButtonsAndFrames) {
  ItemEditorWindow window(&session_, &dialogs_);
  EXPECT_EQ(window.windowTitle(),
            QString("四川澜栖供电有限责任公司材料出库单系统"));
  QStringList labels;
  for (QLabel* label : window.findChildren<QLabel*>()) labels << label->text();
  EXPECT_EQ(labels, (QStringList{"品名", "规格型号", "单位", "单价", "数量",
                                 "报警数量", "金额"}));
  EXPECT_EQ(window.stock_in_button()->text(), QString("添  加(进库)"));
  EXPECT_EQ(window.delete_button()->text(), QString("删除"));
  EXPECT_EQ(window.previous_button()->text(), QString("上一项"));
  EXPECT_EQ(window.next_button()->text(), QString("下一项"));
  EXPECT_EQ(window.findChildren<QGroupBox*>().size(), 2);
  EXPECT_EQ(window.amount_edit()->font().pixelSize(), 16);
  EXPECT_EQ(window.stock_in_button()->font().pixelSize(), 19);
  EXPECT_EQ(window.delete_button()->font().pixelSize(), 19);
}

TEST_F(ItemEditorWindowTest,
       EveryEditIsNamedByItsLabelAndEveryButtonByItsCaption) {
  ItemEditorWindow window(&session_, &dialogs_);
  for (QLabel* label : window.findChildren<QLabel*>()) {
    ASSERT_NE(label->buddy(), nullptr) << label->text().toStdString();
    EXPECT_EQ(label->buddy()->accessibleName(), label->text());
  }
  EXPECT_EQ(window.alarm_edit()->accessibleName(), QString("报警数量"));
  for (QPushButton* button : window.findChildren<QPushButton*>())
    EXPECT_EQ(button->accessibleName(), button->text());
}

TEST_F(ItemEditorWindowTest, DefaultGeometryAndTheControlsScaledFromTheDesign) {
  ItemEditorWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.pos(), QPoint(100, 100));
  EXPECT_EQ(window.frameGeometry().size(), QSize(600, 550));
  // 200, 41, 220, 24 times the client area over the design's 558 x 436,
  // truncated.
  const int w = window.width(), h = window.height();
  EXPECT_EQ(window.name_edit()->geometry(),
            QRect(200 * w / 558, 41 * h / 436, 220 * w / 558, 24 * h / 436));
  window.resize(1116, 872);
  QApplication::processEvents();
  EXPECT_EQ(window.name_edit()->geometry(), QRect(400, 82, 440, 48));
  EXPECT_EQ(window.next_button()->geometry(), QRect(794, 704, 104, 48));
}

// The settings hold the outer size, frame included: a stored size opens a
// frame that large, and a resize stores the frame's size, so that opening
// and closing never drifts by a frame.
TEST_F(ItemEditorWindowTest, TheStoredSizeIsTheFramesSize) {
  ASSERT_TRUE(IniWrite(dir_.File("config.ini"), "ck1k", "ck1k", "700"));
  ASSERT_TRUE(IniWrite(dir_.File("config.ini"), "ck1g", "ck1g", "500"));
  ItemEditorWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  const QMargins frame = window.windowHandle()->frameMargins();
  ASSERT_FALSE(frame.isNull());
  EXPECT_EQ(window.frameGeometry().size(), QSize(700, 500));
  window.resize(800, 600);
  QApplication::processEvents();
  EXPECT_EQ(Ini("ck1k"), std::to_string(800 + frame.left() + frame.right()));
  EXPECT_EQ(Ini("ck1g"), std::to_string(600 + frame.top() + frame.bottom()));
}

TEST_F(ItemEditorWindowTest, MoveWritesOnlyThePosition) {
  ItemEditorWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  ASSERT_TRUE(IniWrite(dir_.File("config.ini"), "ck1g", "ck1g", "123"));
  window.move(210, 220);
  QApplication::processEvents();
  EXPECT_EQ(Ini("ck1z"), "210");
  EXPECT_EQ(Ini("ck1d"), "220");
  EXPECT_EQ(Ini("ck1g"), "123");
  EXPECT_EQ(Ini("ck3z"), "<missing>");
}

TEST_F(ItemEditorWindowTest, OpensOnTheSelectedMaterialAndDropsThePicks) {
  session_.stock_out.selection.push_back({.key = {"避雷器", "HY5WS-17/50"}});
  session_.stock_out.picked_rows = {4};
  auto window = OpenOn(1);
  EXPECT_EQ(Form(*window), (QStringList{"悬式绝缘子", "XP-70", "片", "30",
                                        "500", "50", "15000"}));
  EXPECT_TRUE(session_.stock_out.selection.empty());
  EXPECT_TRUE(session_.stock_out.picked_rows.empty());
}

TEST_F(ItemEditorWindowTest, OpensEmptyWithNothingSelected) {
  ItemEditorWindow window(&session_, &dialogs_);
  QSignalSpy shown(&window, &ItemEditorWindow::recordShown);
  window.show();
  // Longer than the pause before a found material would be shown.
  EXPECT_FALSE(shown.wait(500));
  for (const QString& text : Form(window)) EXPECT_TRUE(text.isEmpty());
}

TEST_F(ItemEditorWindowTest, AmountFollowsPriceAndQuantityAsTyped) {
  ItemEditorWindow window(&session_, &dialogs_);
  QTest::keyClicks(window.price_edit(), "0.125");
  EXPECT_TRUE(window.amount_edit()->text().isEmpty());  // no quantity yet
  QTest::keyClicks(window.quantity_edit(), "1");
  EXPECT_EQ(window.amount_edit()->text(), QString("0.13"));
  window.price_edit()->clear();
  QTest::keyClicks(window.price_edit(), "-0.125");
  EXPECT_EQ(window.amount_edit()->text(), QString("-0.13"));
  QTest::keyClicks(window.quantity_edit(), "x");  // "1x" is no number
  EXPECT_EQ(window.amount_edit()->text(), QString("0"));
  window.quantity_edit()->setText("abc");
  EXPECT_EQ(window.amount_edit()->text(), QString("0"));
}

TEST_F(ItemEditorWindowTest, AHandTypedAmountGivesWayToTheNextRecordShown) {
  {
    // After 避雷器, a material of the same price and quantity: showing it
    // changes neither edit.
    auto table = Table::Open(dir_.File("data.mzk"), OpenOptions{});
    ASSERT_TRUE(table);
    std::vector<Value> v(material::kFieldCount);
    v[material::kName - 1] = "避雷器";
    v[material::kModel - 1] = "HY5WZ-17/45";
    v[material::kQuantity - 1] = 8.0;
    v[material::kPrice - 1] = 260.0;
    ASSERT_TRUE(table->Append(v));
  }
  auto window = OpenOn(2);
  window->amount_edit()->setText("999");
  QTest::mouseClick(window->next_button(), Qt::LeftButton);
  ASSERT_EQ(window->model_edit()->text(), QString("HY5WZ-17/45"));
  EXPECT_EQ(window->amount_edit()->text(), QString("2080"));
}

TEST_F(ItemEditorWindowTest, StepsPastTheLastRecordToAnEmptyFormAndBack) {
  auto window = OpenOn(1);
  QTest::mouseClick(window->next_button(), Qt::LeftButton);
  EXPECT_EQ(window->name_edit()->text(), QString("避雷器"));
  EXPECT_TRUE(window->next_button()->isEnabled());
  QTest::mouseClick(window->next_button(), Qt::LeftButton);
  EXPECT_FALSE(window->next_button()->isEnabled());
  EXPECT_TRUE(window->previous_button()->isEnabled());
  EXPECT_EQ(Form(*window), (QStringList{"", "", "", "0", "0", "0", "0"}));
  QTest::mouseClick(window->previous_button(), Qt::LeftButton);
  EXPECT_EQ(window->name_edit()->text(), QString("避雷器"));
  EXPECT_TRUE(window->next_button()->isEnabled());
}

TEST_F(ItemEditorWindowTest, StepsBeforeTheFirstRecordToAnEmptyFormAndBack) {
  auto window = OpenOn(0);
  QTest::mouseClick(window->previous_button(), Qt::LeftButton);
  EXPECT_FALSE(window->previous_button()->isEnabled());
  EXPECT_TRUE(window->next_button()->isEnabled());
  EXPECT_EQ(Form(*window), (QStringList{"", "", "", "0", "0", "0", "0"}));
  QTest::mouseClick(window->next_button(), Qt::LeftButton);
  EXPECT_EQ(window->name_edit()->text(), QString("钢芯铝绞线"));
  EXPECT_TRUE(window->previous_button()->isEnabled());
}

TEST_F(ItemEditorWindowTest, DeletingTheFirstRecordShowsTheNewFirst) {
  auto window = OpenOn(0);
  // No keeps the material and what was typed into the form.
  window->quantity_edit()->setText("7");
  dialogs_.answers = {false, true};
  QTest::mouseClick(window->delete_button(), Qt::LeftButton);
  EXPECT_EQ(window->quantity_edit()->text(), QString("7"));
  ASSERT_TRUE(DbSelect("data"));
  EXPECT_EQ(DbRecordCount(), 3);
  QTest::mouseClick(window->delete_button(), Qt::LeftButton);
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{"项目已删除"});
  EXPECT_EQ(window->name_edit()->text(), QString("悬式绝缘子"));
  ASSERT_TRUE(DbSelect("data"));
  EXPECT_EQ(DbRecordCount(), 2);
  EXPECT_EQ(DbRecordNumber(), 1);
}

TEST_F(ItemEditorWindowTest, StockInThroughTheButtonBooksANewMaterial) {
  SetClock(CivilToDate({2013, 5, 3, 14, 5, 9}));
  ItemEditorWindow window(&session_, &dialogs_);
  window.name_edit()->setText("交联电缆");
  window.model_edit()->setText("YJV22-3x70");
  window.unit_edit()->setText("米");
  QTest::keyClicks(window.price_edit(), "12.5");
  QTest::keyClicks(window.quantity_edit(), "100");
  QTest::keyClicks(window.alarm_edit(), "20");
  ASSERT_EQ(window.amount_edit()->text(), QString("1250"));
  QTest::mouseClick(window.stock_in_button(), Qt::LeftButton);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"添加成功返回主界面后刷新可显示"});
  ASSERT_TRUE(DbSelect("data"));
  ASSERT_EQ(DbRecordCount(), 4);
  ASSERT_TRUE(DbGoTo(4));
  EXPECT_EQ(DbRead(material::kName).ToText(), "交联电缆");
  EXPECT_EQ(DbRead(material::kModel).ToText(), "YJV22-3x70");
  EXPECT_EQ(DbRead(material::kUnit).ToText(), "米");
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 100);
  EXPECT_EQ(DbRead(material::kPrice).ToNumber(), 12.5);
  EXPECT_EQ(DbRead(material::kValue).ToNumber(), 1250);
  EXPECT_EQ(DbRead(material::kAlarm).ToNumber(), 20);
  EXPECT_EQ(DbRead(material::kInLog).ToText(),
            "数量 100 单价 12.5 金额 1250 入库后均价 12.5 数量 100 时间 "
            "2013年5月3日14时5分9秒\r\n");
}

TEST_F(ItemEditorWindowTest, ANameTooLongForTheTableIsRefusedBeforeAnyWrite) {
  ItemEditorWindow window(&session_, &dialogs_);
  window.name_edit()->setText(QString(33, QChar(0x94A2)));  // 66 GBK bytes
  QTest::keyClicks(window.quantity_edit(), "1");
  QTest::mouseClick(window.stock_in_button(), Qt::LeftButton);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"品名不能超过64个字节（按GBK计）"});
  ASSERT_TRUE(DbSelect("data"));
  EXPECT_EQ(DbRecordCount(), 3);
}

TEST_F(ItemEditorWindowTest, WithoutTheMaterialTableItSaysSoAndActsOnNothing) {
  ASSERT_TRUE(RemoveFile(dir_.File("data.mzk")));
  ItemEditorWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{
                "材料表 data.mzk 打不开（缺失、损坏或被别的程序占用），"
                "不能编辑项目。"});
  for (QPushButton* button : window.findChildren<QPushButton*>())
    EXPECT_FALSE(button->isEnabled()) << button->text().toStdString();
}

TEST_F(ItemEditorWindowTest, ClosingTheEditorClosesTheMaterialTable) {
  {
    auto window = OpenOn(0);
    ASSERT_TRUE(DbSelect("data"));
  }
  EXPECT_FALSE(DbSelect("data"));
}

}  // namespace
}  // namespace matslip
