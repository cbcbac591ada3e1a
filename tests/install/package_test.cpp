// The Debian package as a user gets it: made by CPack from this build,
// unpacked into a temporary root, its desktop entry and metainfo checked by
// the desktop's own validators, and the installed program started without a
// folder on the offscreen platform: it makes its data folder under
// XDG_DATA_HOME and shows its main window there.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>
#include <string>

#include "base/files.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

using testing::CommandOutput;

constexpr char kAppId[] = "cn.lanqi.matslip";
// Generous: they bound a hang, they time nothing.
constexpr int kLimitSeconds = 60;

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

class PackageTest : public ::testing::Test {
 protected:
  // Makes the package and unpacks it into root(); its path.
  std::string MakeAndUnpack() {
    const std::string out = dir_.File("package");
    if (!CommandOutput(std::string(MATSLIP_CPACK) + " -G DEB --config " +
                       Quoted(MATSLIP_CPACK_CONFIG) + " -B " + Quoted(out) +
                       " >/dev/null 2>&1"))
      return "";
    const std::string deb = out + "/matslip_" MATSLIP_VERSION "_amd64.deb";
    if (!FileExists(deb) ||
        !CommandOutput("dpkg-deb -x " + Quoted(deb) + " " + Quoted(root())))
      return "";
    return deb;
  }
  std::string root() const { return dir_.File("root"); }

  testing::TempDir dir_;
};

TEST_F(PackageTest, InstalledItValidatesAndStartsOnTheUsersDataFolder) {
  const std::string deb = MakeAndUnpack();
  ASSERT_FALSE(deb.empty());
  const auto depends = CommandOutput("dpkg-deb -f " + Quoted(deb) + " Depends");
  ASSERT_TRUE(depends);
  for (const char* package :
       {"libqt6widgets6", "libqt6printsupport6", "qt6-qpa-plugins",
        "qt6-translations-l10n", "fonts-noto-cjk", "libfreexl1", "libzip4",
        "libxml2", "libqpdf"})
    EXPECT_NE(depends->find(package), std::string::npos) << package;

  const std::string share = root() + "/usr/share";
  const std::string desktop =
      share + "/applications/" + std::string(kAppId) + ".desktop";
  EXPECT_TRUE(CommandOutput("desktop-file-validate " + Quoted(desktop)));
  EXPECT_TRUE(CommandOutput(
      "appstreamcli validate --no-net " +
      Quoted(share + "/metainfo/" + kAppId + ".metainfo.xml") + " >/dev/null"));
  const auto entry = CommandOutput("cat " + Quoted(desktop));
  ASSERT_TRUE(entry);
  EXPECT_NE(entry->find("Name[zh_CN]="), std::string::npos);
  EXPECT_NE(entry->find("Categories=Office;Finance;"), std::string::npos);
  for (const char* size : {"16", "22", "24", "32", "48", "64", "128", "256"}) {
    const std::string png = share + "/icons/hicolor/" + size + "x" + size +
                            "/apps/" + kAppId + ".png";
    const auto info = CommandOutput("file -b " + Quoted(png));
    ASSERT_TRUE(info) << png;
    EXPECT_NE(info->find(std::string(size) + " x " + size), std::string::npos)
        << *info;
  }
  EXPECT_TRUE(FileExists(share + "/icons/hicolor/scalable/apps/" +
                         std::string(kAppId) + ".svg"));
  EXPECT_TRUE(CommandOutput("man -l " +
                            Quoted(share + "/man/man1/matslip-db.1.gz") +
                            " 2>&1 | grep -q 'matslip-db demo'"));

  // Started as from the menu: no folder argument.
  const std::string data = dir_.File("data");
  testing::ChildProcess program;
  ASSERT_TRUE(program.Start(
      {root() + "/usr/bin/matslip"},
      {{"QT_QPA_PLATFORM", "offscreen"}, {"XDG_DATA_HOME", data}}));
  // The working copy appears once the main window has built its list.
  EXPECT_TRUE(testing::WaitUntil(
      [&] { return FileExists(data + "/matslip/data2.mzk"); }, kLimitSeconds))
      << program.Errors();
  EXPECT_TRUE(FileExists(data + "/matslip/data.mzk"));
  EXPECT_FALSE(FileExists(root() + "/usr/bin/data.mzk"));
  program.Signal(SIGTERM);
  int status;
  EXPECT_TRUE(program.Wait(kLimitSeconds, &status));
}

}  // namespace
}  // namespace matslip
