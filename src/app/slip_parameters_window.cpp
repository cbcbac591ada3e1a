#include "app/slip_parameters_window.h"

#include <QGroupBox>
#include <QLabel>

#include "app/ini.h"
#include "app/settings.h"
#include "base/dialogs.h"

namespace matslip {
namespace {

constexpr QSize kDesignSize(580, 338);
constexpr QRect kFrame(8, 0, 560, 248);
constexpr QRect kSaveButton(272, 256, 80, 40);
constexpr char kSaveCaption[] = "确定";
constexpr char kSaved[] = "各项参数设置成功";
// Around the label of the text that cannot be stored; nothing is saved.
constexpr char kNotStorablePrefix[] = "参数没有保存：“";
constexpr char kNotStorableSuffix[] =
    "”中有换行或GBK编码以外的字符，config.ini 存不下。";
constexpr char kNotWritten[] =
    "参数没有全部保存：config.ini 写不进去（文件夹是否只读？）。";

constexpr int kLabelWidth = 80, kLabelHeight = 24;
constexpr int kEditWidth = 180, kEditHeight = 32;
constexpr int kLabelDrop = 5;  // labels sit this much lower than their edits

// Where each of the slip's texts (kSlipTextEntries) has its label and edit.
struct Place {
  int label_left, edit_left, edit_top;
};
constexpr std::array<Place, 10> kPlaces = {{
    {15, 100, 19},
    {15, 100, 64},
    {15, 100, 110},
    {15, 100, 156},
    {15, 100, 205},
    {291, 375, 18},
    {291, 375, 62},
    {291, 375, 110},
    {291, 375, 156},
    {291, 375, 205},
}};

}  // namespace

SlipParametersWindow::SlipParametersWindow(Session* session, Dialogs* dialogs,
                                           QWidget* parent)
    : ProportionalWindow(session, kSlipParametersWindow, kDesignSize, parent),
      dialogs_(dialogs) {
  setWindowTitle(QString::fromUtf8(kWindowTitle));
  // Created first, so that it lies beneath the labels and edits it frames.
  (new QGroupBox(this))->setGeometry(kFrame);
  for (std::size_t i = 0; i < kPlaces.size(); ++i) {
    const Place& place = kPlaces[i];
    auto* label =
        new QLabel(QString::fromUtf8(kSlipTextEntries[i].label), this);
    label->setGeometry(place.label_left, place.edit_top + kLabelDrop,
                       kLabelWidth, kLabelHeight);
    edits_[i] = new QLineEdit(this);
    edits_[i]->setGeometry(place.edit_left, place.edit_top, kEditWidth,
                           kEditHeight);
    edits_[i]->setAccessibleName(label->text());
    label->setBuddy(edits_[i]);
  }
  save_ = new QPushButton(QString::fromUtf8(kSaveCaption), this);
  save_->setGeometry(kSaveButton);
  save_->setAccessibleName(save_->text());
  // Enter in an edit must not close the window: only "确定" saves.
  save_->setAutoDefault(false);
  connect(save_, &QPushButton::clicked, this, &SlipParametersWindow::Save);

  Restore();
  Load();
}

void SlipParametersWindow::Load() {
  const SlipTexts texts = ReadSlipTexts(session().PathOf(kConfigFileName));
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    edits_[i]->setText(
        QString::fromStdString(texts.*kSlipTextEntries[i].member));
  }
}

void SlipParametersWindow::Save() {
  SlipTexts texts;
  for (std::size_t i = 0; i < edits_.size(); ++i)
    texts.*kSlipTextEntries[i].member = edits_[i]->text().toStdString();
  for (std::size_t i = 0; i < edits_.size(); ++i) {
    if (!IniValueWritable(texts.*kSlipTextEntries[i].member)) {
      dialogs_->Message(std::string(kNotStorablePrefix) +
                            kSlipTextEntries[i].label + kNotStorableSuffix,
                        kInfoCaption, MessageIcon::kWarning);
      edits_[i]->setFocus();
      return;
    }
  }
  if (!WriteSlipTexts(session().PathOf(kConfigFileName), texts)) {
    dialogs_->Message(kNotWritten, kInfoCaption, MessageIcon::kWarning);
    return;
  }
  dialogs_->Message(kSaved);
}

}  // namespace matslip
