#pragma once
// The Windows font names the program's tables and settings carry (宋体,
// 黑体, 楷体_GB2312, ...) mapped to CJK fonts installed here, so that a
// QFont asked for one of them draws Chinese text in a matching style. Call
// once at start-up, after the QApplication exists.
#include <QString>
#include <QStringList>

namespace matslip {

// The installed families that stand in for `windows_name`, best first; empty
// when neither a serif nor a sans CJK font is installed.
QStringList FontSubstitutesFor(const QString& windows_name);

// Registers FontSubstitutesFor() of every known name with QFont.
void InstallFontSubstitutes();

}  // namespace matslip
