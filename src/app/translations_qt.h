#pragma once
// Qt's own Chinese texts, so that standard buttons ("确定", "取消", "是",
// "否") and the file, print, page set-up and font dialogs speak the user's
// language like the rest of the program.
#include <QTranslator>
#include <memory>

namespace matslip {

// Qt's zh_CN catalogue from its translations folder, ready to install; null
// when it cannot be loaded (the standard dialogs then stay in English).
std::unique_ptr<QTranslator> LoadQtChineseTranslations();

}  // namespace matslip
