// The QApplication every test of the Qt parts runs in: created before the
// first test, on the offscreen platform unless the environment names
// another, with the program's font substitutes installed as at start-up.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "grid/font_map_qt.h"

namespace matslip {
namespace {

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
      qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QApplication>(argc_, argv_);
    InstallFontSubstitutes();
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[9] = "qt_tests";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace
}  // namespace matslip
