// The stock-out window on the offscreen platform: its controls, the slip it
// builds from the picked materials and config.ini, its geometry, the slip
// printed into a PDF file, and the page set-up kept in peizi.ini.
#include "app/stock_out_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>
#include <QToolTip>
#include <algorithm>

#include "app/ini.h"
#include "app/settings.h"
#include "grid/grid_widget.h"
#include "grid/page_setup_dialogs.h"
#include "material/material_table.h"
#include "stock/slip_texts.h"
#include "store/db.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class StockOutWindowTest : public ::testing::Test {
 protected:
  StockOutWindowTest() {
    session_.program_dir = dir_.path();
    Pick("钢芯铝绞线", "LGJ-95/20", 1200, 12.5);
    Pick("悬式绝缘子", "XP-70", 300, 45);
    const SlipTexts texts{"一号库", "线路维修", "运检部", "10kV改造", "张审",
                          "李财",   "王技",     "赵开",   "钱保",     "孙领"};
    EXPECT_TRUE(WriteSlipTexts(dir_.File("config.ini"), texts));
  }
  void Pick(const std::string& name, const std::string& model, double quantity,
            double price) {
    session_.stock_out.selection.push_back(
        {{name, model}, "米", price, quantity, quantity * price, 0});
  }
  static std::string PdfText(const std::string& path) {
    QProcess process;
    process.start("pdftotext",
                  {"-raw", QString::fromStdString(path), QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
      return "<pdftotext failed>";
    return process.readAllStandardOutput().toStdString();
  }

  testing::TempDir dir_;
  Session session_;
  testing::FakeDialogs dialogs_;
};

TEST_F(StockOutWindowTest, CaptionButtonsAndTheirDesignGeometry) {
  StockOutWindow window(&session_, &dialogs_);
  EXPECT_EQ(window.windowTitle(),
            QString("四川澜栖供电有限责任公司材料出库单系统"));
  EXPECT_EQ(window.grid_widget()->geometry(), QRect(9, 8, 767, 496));
  struct Expected {
    QPushButton* button;
    const char* caption;
    int left, width;
  };
  for (const Expected& e :
       {Expected{window.page_setup_button(), "打印设置", 256, 88},
        Expected{window.preview_button(), "打印预览", 344, 88},
        Expected{window.print_button(), "打印", 448, 96},
        Expected{window.stock_out_button(), "出库", 544, 96}}) {
    EXPECT_EQ(e.button->text(), QString::fromUtf8(e.caption));
    EXPECT_EQ(e.button->accessibleName(), QString::fromUtf8(e.caption));
    EXPECT_EQ(e.button->x(), e.left);
    EXPECT_EQ(e.button->width(), e.width);
    EXPECT_EQ(e.button->height(), 40);
    EXPECT_GT(e.button->y(), 8 + 496);
  }
  EXPECT_FALSE(window.grid_widget()->accessibleName().isEmpty());
}

TEST_F(StockOutWindowTest, OpensAtTheDefaultGeometryAndScalesItsControls) {
  StockOutWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  EXPECT_EQ(window.pos(), QPoint(100, 100));
  EXPECT_EQ(window.frameGeometry().size(), QSize(800, 650));
  // The client height over the design's 590.
  EXPECT_EQ(window.grid_widget()->height(), 496 * window.height() / 590);
  window.resize(900, 700);
  QApplication::processEvents();
  const QSize outer = window.frameGeometry().size();
  EXPECT_EQ(IniRead(dir_.File("config.ini"), "ck2k", "ck2k", ""),
            std::to_string(outer.width()));
  EXPECT_EQ(IniRead(dir_.File("config.ini"), "ck2g", "ck2g", ""),
            std::to_string(outer.height()));
}

TEST_F(StockOutWindowTest, BuildsTheSlipAndEmptiesThePicks) {
  StockOutWindow window(&session_, &dialogs_);
  const DataSrc& slip = window.slip();
  EXPECT_EQ(slip.GetCellText(1, 1), "澜栖供电有限责任公司材料出库单");
  EXPECT_EQ(slip.GetCellText(2, 1), "一号库");
  EXPECT_EQ(slip.GetCellText(5, 1), "钢芯铝绞线");
  EXPECT_EQ(slip.GetCellText(6, 6), "13500");
  EXPECT_EQ(slip.GetCellText(14, 6), "28500");
  EXPECT_EQ(slip.GetCellText(15, 6), "孙领");
  EXPECT_TRUE(session_.stock_out.selection.empty());
  EXPECT_EQ(window.grid().GetCursorRow(), 15);
  EXPECT_EQ(window.grid().GetCursorColumn(), 6);
}

TEST_F(StockOutWindowTest, HoverTipFirstTheHintThenTheSelectionsSum) {
  StockOutWindow window(&session_, &dialogs_);
  window.show();
  QApplication::processEvents();
  QWidget* viewport = window.grid_widget()->viewport();
  auto hover = [&] {
    QHelpEvent event(QEvent::ToolTip, QPoint(40, 40),
                     viewport->mapToGlobal(QPoint(40, 40)));
    QApplication::sendEvent(viewport, &event);
    return QToolTip::text();
  };
  EXPECT_EQ(hover(), QString::fromUtf8(kSlipHoverTip));
  window.grid().SelectRange({5, 6, 2, 1});
  EXPECT_EQ(hover(), QString("合计 = 28500"));
  EXPECT_EQ(QToolTip::font().pixelSize(), 18);
}

TEST_F(StockOutWindowTest, AnEditedQuantityChangesAmountAndTotal) {
  StockOutWindow window(&session_, &dialogs_);
  window.grid().EditCell(5, 3, "100");
  EXPECT_EQ(window.slip().GetCellText(5, 6), "1250");
  EXPECT_EQ(window.slip().GetCellText(14, 6), "14750");
}

TEST_F(StockOutWindowTest, PrintedWithoutPrinterIntoTheNamedPdfOnOnePage) {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    GTEST_SKIP() << "a printer is installed; the slip would go to paper";
  StockOutWindow window(&session_, &dialogs_);
  const std::string pdf = dir_.File("出库单.pdf");
  dialogs_.files.push_back({true, pdf});
  ASSERT_EQ(window.PrintSlip(), "");
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  EXPECT_TRUE(dialogs_.file_requests[0].save);

  const std::string text = PdfText(pdf);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\f'), 1) << text;
  for (const char* expected : {"澜栖供电有限责任公司材料出库单",
                               "一号库",
                               "线路维修",
                               "运检部",
                               "10kV改造",
                               "钢芯铝绞线",
                               "LGJ-95/20",
                               "悬式绝缘子",
                               "XP-70",
                               "1200",
                               "12.5",
                               "15000",
                               "13500",
                               "28500",
                               "合 计",
                               "张审",
                               "李财",
                               "王技",
                               "赵开",
                               "钱保",
                               "孙领"}) {
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n"
                                                      << text;
  }
}

TEST_F(StockOutWindowTest, NoPdfNamedPrintsNothing) {
  if (!QPrinterInfo::availablePrinters().isEmpty())
    GTEST_SKIP() << "a printer is installed";
  StockOutWindow window(&session_, &dialogs_);
  dialogs_.files.push_back({false, ""});
  EXPECT_EQ(window.PrintSlip(), "没有打印");
}

TEST_F(StockOutWindowTest, PageSetUpRoundTripsThroughThePageLayout) {
  PrintInf settings;
  settings.paper_type = 3;  // A5
  settings.orientation = 1;
  settings.left_margin = 120;
  settings.top_margin = 80;
  settings.right_margin = 95;
  settings.bottom_margin = 60;
  settings.copies = 2;
  settings.scale = 90;
  const QPageLayout layout = PageLayoutOf(settings, QPageSize(QPageSize::A4));
  EXPECT_EQ(layout.pageSize().id(), QPageSize::A5);
  EXPECT_EQ(layout.orientation(), QPageLayout::Landscape);
  PrintInf back;
  back.copies = 2;
  back.scale = 90;
  EXPECT_EQ(WithPageLayout(back, layout), settings);

  // What the page set-up chose is what the next slip prints with.
  ASSERT_TRUE(WriteSlipPrintSettings(dir_.File("peizi.ini"),
                                     WithPageLayout(back, layout)));
  StockOutWindow window(&session_, &dialogs_);
  EXPECT_EQ(window.slip().GetPrintSettings(), settings);
}

TEST_F(StockOutWindowTest, APaperSizeOutsideTheListIsNoListedPaper) {
  const QPageLayout layout(QPageSize(QSizeF(123, 77), QPageSize::Millimeter),
                           QPageLayout::Portrait, QMarginsF());
  const int type = WithPageLayout(PrintInf{}, layout).paper_type;
  EXPECT_TRUE(type == 0 || type >= kFirstCustomPaperType) << type;
}

TEST_F(StockOutWindowTest, StockOutBooksTheSlipAsEditedAndCloses) {
  DbCloseAll();
  SetDurableWrites(false);
  {
    auto table =
        Table::Create(dir_.File("data.mzk"), Schema(material::Fields()));
    ASSERT_TRUE(table);
    std::vector<Value> v(material::kFieldCount);
    for (const MaterialEntry& m : session_.stock_out.selection) {
      v[material::kName - 1] = m.key.name;
      v[material::kModel - 1] = m.key.model;
      v[material::kQuantity - 1] = m.quantity;
      v[material::kPrice - 1] = m.price;
      v[material::kValue - 1] = m.value;
      ASSERT_TRUE(table->Append(v));
    }
  }
  StockOutWindow window(&session_, &dialogs_);
  window.show();
  // A refused or unconfirmed slip stays open, nothing booked.
  window.grid().EditCell(5, 3, "1OO");
  QTest::mouseClick(window.stock_out_button(), Qt::LeftButton);
  window.grid().EditCell(5, 3, "1,300");  // of 1200
  dialogs_.answers = {false};
  QTest::mouseClick(window.stock_out_button(), Qt::LeftButton);
  EXPECT_TRUE(window.isVisible());
  ASSERT_EQ(dialogs_.shown.size(), 2u);
  EXPECT_EQ(dialogs_.shown[1].kind, "ask");
  ASSERT_TRUE(DbSelect(kMaterialAlias));
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 1200);

  window.grid().EditCell(5, 3, "100");  // 1250 of 15000
  QTest::mouseClick(window.stock_out_button(), Qt::LeftButton);
  EXPECT_EQ(window.result(), QDialog::Accepted);
  EXPECT_FALSE(window.isVisible());

  // The booking leaves the material table open as "data".
  ASSERT_TRUE(DbSelect(kMaterialAlias));
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 1100);
  EXPECT_EQ(DbRead(material::kValue).ToNumber(), 13750);
  ASSERT_TRUE(DbGoTo(2));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 0);
  EXPECT_EQ(DbRead(material::kValue).ToNumber(), 0);
  DbCloseAll();
}

}  // namespace
}  // namespace matslip
