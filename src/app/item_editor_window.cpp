#include "app/item_editor_window.h"

#include <QGroupBox>
#include <QLabel>
#include <QTimer>

#include "app/settings.h"
#include "base/clock.h"
#include "base/dialogs.h"
#include "material/stock_in.h"
#include "stock/item_editor.h"
#include "store/db.h"

namespace matslip {
namespace {

constexpr QSize kDesignSize(558, 436);
constexpr char kFontFamily[] = "宋体";
constexpr int kEditFontPixels = 16;
constexpr int kBigButtonFontPixels = 19;
// The found material is shown after this pause, once the window is up.
constexpr int kFirstShowDelayMs = 100;

constexpr char kStockInCaption[] = "添  加(进库)";
constexpr char kDeleteCaption[] = "删除";
constexpr char kPreviousCaption[] = "上一项";
constexpr char kNextCaption[] = "下一项";

struct Labelled {
  const char* label;
  QRect label_rect, edit_rect;
};

constexpr Labelled kName{"品名", {50, 43, 128, 16}, {200, 41, 220, 24}};
constexpr Labelled kModel{"规格型号", {50, 88, 128, 16}, {200, 88, 220, 24}};
constexpr Labelled kUnit{"单位", {50, 136, 128, 16}, {200, 136, 220, 24}};
constexpr Labelled kPrice{"单价", {50, 187, 128, 16}, {200, 183, 220, 24}};
constexpr Labelled kQuantity{"数量", {50, 236, 128, 16}, {200, 232, 72, 24}};
constexpr Labelled kAlarm{"报警数量", {280, 237, 72, 16}, {357, 232, 64, 24}};
constexpr Labelled kAmount{"金额", {50, 282, 128, 16}, {200, 280, 220, 24}};
constexpr QRect kFieldsFrame(16, 8, 496, 312);
constexpr QRect kButtonsFrame(60, 320, 408, 80);
constexpr QRect kStockInRect(200, 344, 136, 40);
constexpr QRect kDeleteRect(81, 345, 87, 37);
constexpr QRect kPreviousRect(345, 352, 52, 24);
constexpr QRect kNextRect(397, 352, 52, 24);

QFont SongFont(int pixels) {
  QFont font(QString::fromUtf8(kFontFamily));
  font.setPixelSize(pixels);
  return font;
}

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

ItemEditorWindow::ItemEditorWindow(Session* session, Dialogs* dialogs,
                                   QWidget* parent)
    : ProportionalWindow(session, kItemEditorWindow, kDesignSize, parent),
      dialogs_(dialogs) {
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  // The frames first, so that they lie beneath what they frame.
  (new QGroupBox(this))->setGeometry(kFieldsFrame);
  (new QGroupBox(this))->setGeometry(kButtonsFrame);
  const QFont edit_font = SongFont(kEditFontPixels);
  auto add_edit = [&](const Labelled& l) {
    auto* label = new QLabel(QString::fromUtf8(l.label), this);
    label->setGeometry(l.label_rect);
    auto* edit = new QLineEdit(this);
    edit->setGeometry(l.edit_rect);
    edit->setFont(edit_font);
    edit->setAccessibleName(label->text());
    label->setBuddy(edit);
    return edit;
  };
  name_ = add_edit(kName);
  model_ = add_edit(kModel);
  unit_ = add_edit(kUnit);
  price_ = add_edit(kPrice);
  quantity_ = add_edit(kQuantity);
  alarm_ = add_edit(kAlarm);
  amount_ = add_edit(kAmount);

  auto add_button = [&](const char* caption, const QRect& rect) {
    auto* button = new QPushButton(QString::fromUtf8(caption), this);
    button->setGeometry(rect);
    button->setAccessibleName(button->text());
    // Enter in an edit must not book or delete anything.
    button->setAutoDefault(false);
    return button;
  };
  stock_in_ = add_button(kStockInCaption, kStockInRect);
  delete_ = add_button(kDeleteCaption, kDeleteRect);
  previous_ = add_button(kPreviousCaption, kPreviousRect);
  next_ = add_button(kNextCaption, kNextRect);
  stock_in_->setFont(SongFont(kBigButtonFontPixels));
  delete_->setFont(SongFont(kBigButtonFontPixels));

  connect(price_, &QLineEdit::textChanged, this,
          [this] { UpdateAmount(quantity_); });
  connect(quantity_, &QLineEdit::textChanged, this,
          [this] { UpdateAmount(price_); });
  connect(next_, &QPushButton::clicked, this, [this] { Step(1); });
  connect(previous_, &QPushButton::clicked, this, [this] { Step(-1); });
  connect(delete_, &QPushButton::clicked, this, &ItemEditorWindow::Delete);
  connect(stock_in_, &QPushButton::clicked, this, &ItemEditorWindow::StockIn);

  Restore();
  const MaterialKey& selected = this->session().selected;
  const OpenedOn opened = OpenOnMaterial(this->session().program_dir, selected);
  name_->setText(Q(selected.name));
  model_->setText(Q(selected.model));
  if (opened == OpenedOn::kFound) {
    QTimer::singleShot(kFirstShowDelayMs, this, &ItemEditorWindow::ShowRecord);
  }
  this->session().stock_out.ClearPicks();
  if (opened == OpenedOn::kNoTable) {
    // Whatever table is current is not the material table: no button may
    // act on it.
    for (QPushButton* button : {stock_in_, delete_, previous_, next_})
      button->setEnabled(false);
    // Told once the window is up, over it.
    QTimer::singleShot(0, this, [this] {
      dialogs_->Message(kNoMaterialTable, kInfoCaption, MessageIcon::kWarning);
    });
  }
}

ItemEditorWindow::~ItemEditorWindow() { DbClose(kMaterialAlias); }

void ItemEditorWindow::ShowRecord() {
  const StockInForm form = ReadMaterialForm();
  name_->setText(Q(form.name));
  model_->setText(Q(form.model));
  unit_->setText(Q(form.unit));
  price_->setText(Q(form.price));
  quantity_->setText(Q(form.quantity));
  alarm_->setText(Q(form.alarm));
  // Each edit above recomputed the amount only if its text changed; a hand-
  // typed amount must give way to the record's even when neither did.
  UpdateAmount(quantity_);
  emit recordShown();
}

void ItemEditorWindow::UpdateAmount(const QLineEdit* other) {
  if (other->text().isEmpty()) return;
  amount_->setText(Q(AmountText(price_->text().toStdString(),
                                quantity_->text().toStdString())));
}

void ItemEditorWindow::Step(int direction) {
  QPushButton* towards = direction > 0 ? next_ : previous_;
  QPushButton* back = direction > 0 ? previous_ : next_;
  towards->setEnabled(StepMaterial(direction));
  back->setEnabled(true);
  ShowRecord();
}

void ItemEditorWindow::Delete() {
  // On No the edits keep what the user typed.
  if (DeleteCurrentMaterial(*dialogs_)) ShowRecord();
}

void ItemEditorWindow::StockIn() {
  StockInForm form;
  form.name = name_->text().toStdString();
  form.model = model_->text().toStdString();
  form.unit = unit_->text().toStdString();
  form.price = price_->text().toStdString();
  form.quantity = quantity_->text().toStdString();
  form.value = amount_->text().toStdString();
  form.alarm = alarm_->text().toStdString();
  matslip::StockIn(session().PathOf(kStockInBackupFolder), form, Now(),
                   *dialogs_);
}

}  // namespace matslip
