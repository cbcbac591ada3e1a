#include "app/print_toolbar_window.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <functional>

#include "app/pdf_file_dialogs.h"
#include "app/session.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "grid/grid_printer.h"
#include "grid/grid_widget.h"
#include "material/material_table.h"
#include "workbook/print_page_setup.h"
#include "workbook/print_table.h"
#include "workbook/print_table_state.h"
#include "workbook/print_toolbar.h"

namespace matslip {
namespace {

// The window is the screen's width and this much less than its height.
constexpr int kHeightBelowScreen = 30;
// The grid lies at 35,27, 70 narrower and 30 lower than the window.
constexpr QPoint kGridPos(35, 27);
constexpr QSize kGridLess(70, 30);
constexpr QRect kStripRect(8, 0, 960, 28);
constexpr int kControlTop = 2;
constexpr int kControlHeight = 24;
constexpr int kZoomStep = 10;     // percent
constexpr int kCaptionRoom = 10;  // pixels beside a button's caption

struct Place {
  const char* caption;
  int x, w;
};
constexpr Place kPrint{"打 印", 3, 45};
constexpr Place kPreview{"打印预览", 47, 60};
constexpr Place kZoomIn{"＋放大", 107, 45};
constexpr Place kZoomOut{"－缩小", 152, 45};
constexpr Place kTitleFontLabel{"标题字体", 196, 56};
constexpr Place kTitleFontList{"标题字体", 248, 80};
constexpr Place kMoreFonts{"更多字体", 327, 63};
constexpr Place kTitleSizeLabel{"标题字尺寸", 390, 62};
constexpr Place kTitleSizeList{"标题字尺寸", 456, 50};
constexpr Place kPageNumberLabel{"页号位置", 509, 49};
constexpr Place kPageNumberList{"页号位置", 560, 60};
constexpr Place kBodyFontLabel{"正文字体", 633, 48};
constexpr Place kBodyFontList{"正文字体", 682, 70};
constexpr Place kRowHeightLabel{"行高", 757, 27};
constexpr Place kRowHeightSpinner{"行高", 782, 24};
constexpr Place kAlignment{kAlignRightCaption, 810, 49};
constexpr Place kDateFormat{"日期格式", 848, 64};
constexpr Place kExit{"退 出", 912, 45};

constexpr char kGridName[] = "打印表格";
constexpr char kPdfTitle[] = "保存打印表格";
constexpr char kPdfName[] = "打印表格.pdf";
constexpr char kResultNotOpened[] = "无法打开统计结果 qd.mzk,不能生成打印表格";

QString Q(const std::string& text) { return QString::fromStdString(text); }

// Reports each arrow as the row-height command's spinner value: the down
// arrow kRowHeightSmaller, the up arrow kRowHeightLarger.
class RowHeightSpinner : public QAbstractSpinBox {
 public:
  RowHeightSpinner(std::function<void(int)> stepped, QWidget* parent)
      : QAbstractSpinBox(parent), stepped_(std::move(stepped)) {
    setReadOnly(true);
  }
  void stepBy(int steps) override {
    stepped_(steps < 0 ? kRowHeightSmaller : kRowHeightLarger);
  }

 protected:
  StepEnabled stepEnabled() const override {
    return StepUpEnabled | StepDownEnabled;
  }

 private:
  std::function<void(int)> stepped_;
};

}  // namespace

PrintToolbarWindow::PrintToolbarWindow(PrintTableState* state, PrintInf* print,
                                       Dialogs* dialogs,
                                       std::string program_dir, QWidget* parent)
    : QWidget(parent,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      state_(state),
      print_settings_(print),
      dialogs_(dialogs),
      program_dir_(std::move(program_dir)) {
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle(QString());
  setAccessibleName(QString::fromUtf8(kGridName));
  CreateControls();
  ConnectControls();
  InstallPaperHook(&table_);
}

// The grid widget goes before the members it shows: the table tells its
// listeners when it goes, and the widget would then ask the grid, gone by
// then, for its scale.
PrintToolbarWindow::~PrintToolbarWindow() { delete grid_widget_; }

void PrintToolbarWindow::CreateControls() {
  auto* strip = new QFrame(this);
  // Left to right at the set places and widths, but never narrower than a
  // caption needs nor over the control before: with the fonts at hand some
  // captions are wider than their places allow.
  int right = 0;
  auto place = [&right](QWidget* control, const Place& at) {
    const int x = std::max(at.x, right);
    // A caption's width and a little room for the button's frame.
    int needed = 0;
    if (auto* b = qobject_cast<QPushButton*>(control))
      needed = b->fontMetrics().horizontalAdvance(b->text()) + kCaptionRoom;
    else if (auto* l = qobject_cast<QLabel*>(control))
      needed = l->fontMetrics().horizontalAdvance(l->text()) + 2;
    const int w = std::max(at.w, needed);
    control->setGeometry(x, kControlTop, w, kControlHeight);
    control->setAccessibleName(QString::fromUtf8(at.caption));
    right = x + w;
  };
  auto button = [&](const Place& at) {
    auto* b = new QPushButton(QString::fromUtf8(at.caption), strip);
    place(b, at);
    b->setAutoDefault(false);
    return b;
  };
  auto list = [&](const Place& at, auto&& items) {
    auto* combo = new QComboBox(strip);
    place(combo, at);
    for (const auto& item : items) combo->addItem(QString::fromUtf8(item));
    return combo;
  };
  // A label, then the control it names (its buddy) placed after it.
  auto labelled = [&](const Place& label_at, auto make_control) {
    auto* label = new QLabel(QString::fromUtf8(label_at.caption), strip);
    place(label, label_at);
    auto* control = make_control();
    label->setBuddy(control);
    return control;
  };
  print_ = button(kPrint);
  preview_ = button(kPreview);
  zoom_in_ = button(kZoomIn);
  zoom_out_ = button(kZoomOut);
  title_font_ = labelled(kTitleFontLabel, [&] {
    return list(kTitleFontList, kPrintTableFonts);
  });
  more_fonts_ = button(kMoreFonts);
  title_size_ = labelled(kTitleSizeLabel, [&] {
    auto* sizes = new QComboBox(strip);
    place(sizes, kTitleSizeList);
    for (int size : kTitleSizes) sizes->addItem(QString::number(size));
    return sizes;
  });
  page_number_ = labelled(kPageNumberLabel, [&] {
    return list(kPageNumberList, kPageNumberPositionNames);
  });
  body_font_ = labelled(kBodyFontLabel, [&] {
    return list(kBodyFontList, kPrintTableFonts);
  });
  row_height_ = labelled(kRowHeightLabel, [&] {
    auto* spinner = new RowHeightSpinner(
        [this](int value) { StepRowHeights(value, &table_); }, strip);
    place(spinner, kRowHeightSpinner);
    return spinner;
  });
  alignment_ = button(kAlignment);
  date_format_ = button(kDateFormat);
  exit_ = button(kExit);
  strip->setGeometry(kStripRect.united(
      QRect(kStripRect.topLeft(), QSize(right + 3, kStripRect.height()))));

  grid_widget_ = new GridWidget(&grid_, this);
  grid_widget_->setAccessibleName(QString::fromUtf8(kGridName));
}

void PrintToolbarWindow::ConnectControls() {
  connect(print_, &QPushButton::clicked, this, [this] {
    const std::string result = PrintTable();
    if (!result.empty() && result != kPrintNotDoneText) {
      DropStayOnTop();
      dialogs_->Message(result);
      BackOnTop();
    }
  });
  connect(preview_, &QPushButton::clicked, this, &PrintToolbarWindow::Preview);
  connect(zoom_in_, &QPushButton::clicked, this,
          [this] { grid_.SetScale(grid_.scale() + kZoomStep); });
  connect(zoom_out_, &QPushButton::clicked, this,
          [this] { grid_.SetScale(grid_.scale() - kZoomStep); });
  connect(title_font_, &QComboBox::activated, this, [this] {
    SetTitleFont(title_font_->currentText().toStdString(), &table_);
  });
  connect(more_fonts_, &QPushButton::clicked, this,
          &PrintToolbarWindow::MoreFonts);
  connect(title_size_, &QComboBox::activated, this, [this] {
    SetTitleSize(title_size_->currentText().toInt(), &table_);
  });
  connect(page_number_, &QComboBox::activated, this, [this](int index) {
    SetPageNumberPosition(index, &table_, print_settings_);
  });
  connect(body_font_, &QComboBox::activated, this, [this] {
    SetBodyFont(body_font_->currentText().toStdString(), &table_);
  });
  connect(alignment_, &QPushButton::clicked, this, [this] {
    alignment_->setText(
        QString::fromUtf8(CycleAlignment(&state_->alignment_presses, &table_)));
  });
  connect(date_format_, &QPushButton::clicked, this,
          &PrintToolbarWindow::CycleDateFormat);
  connect(exit_, &QPushButton::clicked, this, &QWidget::close);
  grid_.events().column_layout_changed = [this] {
    PrintTableLayoutChanged(&table_, print_settings_);
  };
}

bool PrintToolbarWindow::Build(const std::string& result_path,
                               const DataSrc& working, double now) {
  grid_.SetDataSource(nullptr);
  // Painting goes on between blocks of rows; clicks wait for the table.
  const bool built =
      BuildPrintTable(result_path, working, now, &table_, print_settings_, [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      });
  if (!built) return false;
  QScreen* screen = parentWidget() ? parentWidget()->screen()
                                   : QGuiApplication::primaryScreen();
  const QRect area = screen->geometry();
  setGeometry(area.x(), area.y(), area.width(),
              area.height() - kHeightBelowScreen);
  grid_.SetDataSource(&table_);
  grid_.SelectRange({1, 1});
  ShowTitleValues();
  show();
  raise();
  return true;
}

void PrintToolbarWindow::ShowTitleValues() {
  const CellFormat& title = table_.GetCellFormat(kPrintTableTitleRow, 1);
  title_size_->setCurrentText(QString::number(title.font_size));
  title_font_->setCurrentIndex(title_font_->findText(Q(title.font_name)));
  body_font_->setCurrentIndex(body_font_->findText(
      Q(table_.GetCellFormat(kPrintTableFirstDataRow, 1).font_name)));
  page_number_->setCurrentIndex(print_settings_->page_number_position);
}

void PrintToolbarWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  grid_widget_->setGeometry(QRect(kGridPos, size() - kGridLess));
}

bool PrintToolbarWindow::kept_on_top() const {
  return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void PrintToolbarWindow::DropStayOnTop() {
  if (!kept_on_top()) return;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, false);
  // Changing the flags hides the window.
  if (visible) show();
}

void PrintToolbarWindow::BackOnTop() {
  if (kept_on_top()) return;
  const bool visible = isVisible();
  setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (!visible) return;
  show();
  // Without a caption the window could not be brought forward by hand.
  raise();
  activateWindow();
}

std::string PrintToolbarWindow::PrintTable() {
  table_.EndCellEdit();
  PdfFileDialog prompts(dialogs_, program_dir_, kPdfTitle, kPdfName,
                        [this] { DropStayOnTop(); });
  std::string result = Print(table_, 1, kPrintTableTitle, &prompts);
  BackOnTop();
  return result;
}

void PrintToolbarWindow::Preview() {
  DropStayOnTop();
  table_.EndCellEdit();
  PrintPreview(table_, this);
  BackOnTop();
}

void PrintToolbarWindow::MoreFonts() {
  DropStayOnTop();
  const QString name = Q(ChooseMoreFont(dialogs_, &table_));
  BackOnTop();
  title_font_->addItem(name);
  body_font_->addItem(name);
  title_font_->setCurrentIndex(title_font_->count() - 1);
}

void PrintToolbarWindow::CycleDateFormat() {
  if (matslip::CycleDateFormat(&state_->date_format_presses, &table_, &grid_))
    return;
  DropStayOnTop();
  dialogs_->Message(kNotADateColumn);
  BackOnTop();
}

void AttachPrintTable(QAction* action, QWidget* workbook,
                      const DataSrc* working, Session* session,
                      Dialogs* dialogs) {
  action->setEnabled(true);
  QObject::connect(
      action, &QAction::triggered, workbook,
      [workbook, working, session, dialogs] {
        // One print table at a time: a new one replaces the one shown.
        for (auto* shown : workbook->findChildren<PrintToolbarWindow*>())
          shown->close();
        auto* window =
            new PrintToolbarWindow(&session->print_table, &session->print,
                                   dialogs, session->program_dir, workbook);
        if (!window->Build(session->PathOf(kResultFile), *working, Now())) {
          delete window;
          dialogs->Message(kResultNotOpened);
        }
      });
}

}  // namespace matslip
