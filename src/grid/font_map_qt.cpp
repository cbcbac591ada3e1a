#include "grid/font_map_qt.h"

#include <QFont>
#include <QFontDatabase>

namespace matslip {
namespace {

enum class Look { kSerif, kSans };

struct KnownFont {
  const char* windows_name;  // UTF-8
  Look look;
};

// Hei is the one sans face; Song, Fang Song, Kai, Li and the Xin Wei and
// Xing Kai brush faces come closest to a serif face.
constexpr KnownFont kKnownFonts[] = {
    {"宋体", Look::kSerif},        {"新宋体", Look::kSerif},
    {"楷体_GB2312", Look::kSerif}, {"楷体", Look::kSerif},
    {"仿宋_GB2312", Look::kSerif}, {"仿宋", Look::kSerif},
    {"隶书", Look::kSerif},        {"华文新魏", Look::kSerif},
    {"华文行楷", Look::kSerif},    {"黑体", Look::kSans},
};

QStringList Candidates(Look look) {
  const QStringList serif = {"Noto Serif CJK SC", "Source Han Serif SC",
                             "AR PL UMing CN"};
  const QStringList sans = {"Noto Sans CJK SC", "Source Han Sans SC",
                            "WenQuanYi Zen Hei", "WenQuanYi Micro Hei"};
  return look == Look::kSerif ? serif + sans : sans + serif;
}

}  // namespace

QStringList FontSubstitutesFor(const QString& windows_name) {
  for (const KnownFont& known : kKnownFonts) {
    if (windows_name != QString::fromUtf8(known.windows_name)) continue;
    QStringList installed;
    for (const QString& family : Candidates(known.look)) {
      if (QFontDatabase::hasFamily(family)) installed << family;
    }
    return installed;
  }
  return {};
}

void InstallFontSubstitutes() {
  for (const KnownFont& known : kKnownFonts) {
    const QString name = QString::fromUtf8(known.windows_name);
    const QStringList families = FontSubstitutesFor(name);
    if (!families.isEmpty()) QFont::insertSubstitutions(name, families);
  }
}

}  // namespace matslip
