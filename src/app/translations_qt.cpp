#include "app/translations_qt.h"

#include <QLibraryInfo>

namespace matslip {

std::unique_ptr<QTranslator> LoadQtChineseTranslations() {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QStringLiteral("qt_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  return translator;
}

}  // namespace matslip
