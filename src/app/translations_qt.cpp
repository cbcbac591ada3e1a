#include "app/translations_qt.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QtGlobal>

namespace matslip {
namespace {

constexpr char kChineseLocale[] = "zh_CN.UTF-8";
// What Qt's system locale is read from first.
constexpr char kLocaleVariable[] = "LC_ALL";

// Texts of Qt's file dialogs missing from its zh_CN catalogue.
struct Supplement {
  const char* context;
  const char* source;
  const char* text;
};
constexpr Supplement kSupplements[] = {
    {"QAbstractFileIconProvider", "Folder", "文件夹"},
    {"QAbstractFileIconProvider", "Drive", "驱动器"},
    {"QAbstractFileIconProvider", "File", "文件"},
    {"QAbstractFileIconProvider", "%1 File", "%1 文件"},
};

class ChineseTranslator : public QTranslator {
 public:
  QString translate(const char* context, const char* source,
                    const char* disambiguation, int n) const override {
    const QString text =
        QTranslator::translate(context, source, disambiguation, n);
    if (!text.isEmpty() || context == nullptr || source == nullptr) return text;
    for (const Supplement& s : kSupplements) {
      if (qstrcmp(context, s.context) == 0 && qstrcmp(source, s.source) == 0)
        return QString::fromUtf8(s.text);
    }
    return text;
  }
};

}  // namespace

std::unique_ptr<QTranslator> LoadQtChineseTranslations() {
  auto translator = std::make_unique<ChineseTranslator>();
  if (!translator->load(QStringLiteral("qt_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    return nullptr;
  }
  return translator;
}

void UseChineseLocaleForQt() {
  // First of all: making any QLocale reads the system locale, once.
  const bool was_set = qEnvironmentVariableIsSet(kLocaleVariable);
  const QByteArray was = qgetenv(kLocaleVariable);
  qputenv(kLocaleVariable, kChineseLocale);
  QLocale::system();  // read now, and kept for the run
  if (was_set) {
    qputenv(kLocaleVariable, was);
  } else {
    qunsetenv(kLocaleVariable);
  }
  QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
}

}  // namespace matslip
