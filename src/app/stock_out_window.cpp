#include "app/stock_out_window.h"

#include "app/pdf_file_dialogs.h"
#include "app/settings.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "grid/grid_printer.h"
#include "grid/grid_widget.h"
#include "grid/page_setup_dialogs.h"
#include "stock/slip_table.h"
#include "stock/stock_out.h"
#include "stock/stock_out_pick.h"

namespace matslip {
namespace {

constexpr QSize kDesignSize(798, 590);
constexpr QRect kSlipRect(9, 8, 767, 496);
constexpr int kButtonTop = 512;
constexpr int kButtonHeight = 40;

struct ButtonPlace {
  const char* caption;
  int left, width;
};
constexpr ButtonPlace kPageSetup{"打印设置", 256, 88};
constexpr ButtonPlace kPreview{"打印预览", 344, 88};
constexpr ButtonPlace kPrint{"打印", 448, 96};
constexpr ButtonPlace kStockOut{"出库", 544, 96};

constexpr char kSlipName[] = "材料出库单";
constexpr char kPdfTitle[] = "保存出库单";
constexpr char kPdfName[] = "材料出库单.pdf";
constexpr char kPeiziNotWritten[] =
    "打印设置无法保存到 peizi.ini,本次出库单仍按新的设置打印";

}  // namespace

StockOutWindow::StockOutWindow(Session* session, Dialogs* dialogs,
                               QWidget* parent)
    : ProportionalWindow(session, kStockOutWindow, kDesignSize, parent),
      dialogs_(dialogs) {
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  grid_widget_ = new GridWidget(&grid_, this);
  grid_widget_->setGeometry(kSlipRect);
  grid_widget_->setAccessibleName(QString::fromUtf8(kSlipName));
  auto add_button = [&](const ButtonPlace& place) {
    auto* button = new QPushButton(QString::fromUtf8(place.caption), this);
    button->setGeometry(place.left, kButtonTop, place.width, kButtonHeight);
    button->setAccessibleName(button->text());
    // Enter ends a cell edit; it must not book the slip.
    button->setAutoDefault(false);
    return button;
  };
  page_setup_ = add_button(kPageSetup);
  preview_ = add_button(kPreview);
  print_ = add_button(kPrint);
  stock_out_ = add_button(kStockOut);

  Restore();
  grid_.set_tip(kSlipHoverTip);
  InstallPaperHook(&slip_);
  const Session& s = this->session();
  BuildSlip(ReadSlipTexts(s.PathOf(kConfigFileName)),
            ReadSlipPrintSettings(s.PathOf(kPeiziFileName)), Now(),
            &this->session().stock_out, &slip_, &grid_);
  // Connected after the build, so that the hint above stays until the user
  // selects something.
  grid_.events().selection_changed = [this] { ShowSumTip(&grid_); };
  grid_.events().cell_edited = [this](int, int, const std::string&) {
    RecomputeSlip(&slip_);
  };

  connect(page_setup_, &QPushButton::clicked, this, &StockOutWindow::PageSetup);
  connect(preview_, &QPushButton::clicked, this, [this] {
    slip_.EndCellEdit();
    PrintPreview(slip_, this);
  });
  connect(print_, &QPushButton::clicked, this, [this] {
    const std::string result = PrintSlip();
    if (result == kPrintFailedText) dialogs_->Message(result);
  });
  connect(stock_out_, &QPushButton::clicked, this, &StockOutWindow::StockOut);
}

// The widget calls its grid when it goes; Qt would delete it only after
// grid_ is gone.
StockOutWindow::~StockOutWindow() { delete grid_widget_; }

void StockOutWindow::PageSetup() {
  PrintInf settings = slip_.GetPrintSettings();
  if (!RunPageSetup(&settings, this)) return;
  slip_.SetPrintSettings(settings);
  if (!WriteSlipPrintSettings(session().PathOf(kPeiziFileName), settings))
    dialogs_->Message(kPeiziNotWritten, kInfoCaption, MessageIcon::kWarning);
}

std::string StockOutWindow::PrintSlip() {
  slip_.EndCellEdit();
  PdfFileDialog prompts(dialogs_, session().program_dir, kPdfTitle, kPdfName);
  return Print(slip_, 0, kSlipName, &prompts);
}

void StockOutWindow::StockOut() {
  slip_.EndCellEdit();
  std::vector<MaterialKey> refused;
  BookStockOut(session().program_dir, ReadSlip(slip_), Now(), &refused);
  if (!refused.empty())
    dialogs_->Message(LinesRefusedMessage(refused), kInfoCaption,
                      MessageIcon::kWarning);
  accept();
}

}  // namespace matslip
