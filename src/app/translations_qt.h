#pragma once
// Qt's own Chinese texts, so that standard buttons ("确定", "取消", "是",
// "否") and the file, print, page set-up and font dialogs speak the user's
// language like the rest of the program, whatever the system's locale.
#include <QTranslator>
#include <memory>

namespace matslip {

// Qt's zh_CN catalogue from its translations folder, with the few texts of
// the file dialogs it lacks (the type "文件夹"), ready to install; null when
// the catalogue cannot be loaded (the standard dialogs then stay in English).
std::unique_ptr<QTranslator> LoadQtChineseTranslations();

// Makes zh_CN the locale of Qt's dialogs: the default locale (file types)
// and the system locale Qt reads once from the environment (the dates and
// sizes of the file dialogs). Call before the QApplication is made; the
// environment is as it was afterwards, for the processes the program runs.
void UseChineseLocaleForQt();

}  // namespace matslip
