#include "grid/pdf_text_map_qt.h"

#include <gtest/gtest.h>

#define POINTERHOLDER_TRANSITION 4
#include <QFontDatabase>
#include <filesystem>
#include <qpdf/QPDF.hh>
#include <string>

#include "support/temp_dir.h"

namespace matslip {
namespace {

class PdfTextLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFontDatabase::hasFamily("Noto Serif CJK SC"))
      GTEST_SKIP() << "the Noto CJK fonts are not installed";
    font_.setPixelSize(40);
  }
  QFont font_{"Noto Serif CJK SC"};
};

TEST_F(PdfTextLogTest, ARadicalSharingTheGlyphOfADrawnIdeographReadsAsIt) {
  PdfTextLog log;
  log.Add(font_, "米金力");
  EXPECT_EQ(log.DrawnCharacterFor(U'\u2F76'), U'米');
  EXPECT_EQ(log.DrawnCharacterFor(U'\u2FA6'), U'金');
  EXPECT_EQ(log.DrawnCharacterFor(U'\u2F12'), U'力');
}

TEST_F(PdfTextLogTest, ACharacterThatWasDrawnStaysItself) {
  PdfTextLog log;
  log.Add(font_, QString::fromUcs4(U"米\u2F76", 2));
  EXPECT_EQ(log.DrawnCharacterFor(U'\u2F76'), U'\u2F76');
  EXPECT_EQ(log.DrawnCharacterFor(U'米'), U'米');
}

TEST_F(PdfTextLogTest, AControlCharacterSharingTheSpaceGlyphReadsAsASpace) {
  PdfTextLog log;
  log.Add(font_, "LGJ 95");
  EXPECT_EQ(log.DrawnCharacterFor(U'\t'), U' ');
}

TEST_F(PdfTextLogTest, CharactersWithoutADrawnSharerStayThemselves) {
  PdfTextLog log;
  log.Add(font_, "米");
  EXPECT_EQ(log.DrawnCharacterFor(U'\u2FA6'), U'\u2FA6');
  EXPECT_EQ(log.DrawnCharacterFor(U'A'), U'A');
}

// A one-page PDF whose one font has `cmap` as its text map.
std::string PdfWithTextMap(const std::string& cmap) {
  return "%PDF-1.4\n"
         "1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
         "2 0 obj << /Type /Pages /Kids [3 0 R] /Count 1 >> endobj\n"
         "3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] "
         "/Resources << /Font << /F1 4 0 R >> >> /Contents 5 0 R >> endobj\n"
         "4 0 obj << /Type /Font /Subtype /Type0 /BaseFont /Song "
         "/Encoding /Identity-H /DescendantFonts [6 0 R] /ToUnicode 7 0 R >> "
         "endobj\n"
         "5 0 obj << /Length 0 >> stream\nendstream endobj\n"
         "6 0 obj << /Type /Font /Subtype /CIDFontType2 /BaseFont /Song "
         "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) "
         "/Supplement 0 >> >> endobj\n"
         "7 0 obj << /Length " +
         std::to_string(cmap.size()) + " >> stream\n" + cmap +
         "\nendstream endobj\n"
         "trailer << /Root 1 0 R /Size 8 >>\n%%EOF\n";
}

class CorrectPdfTextMapTest : public PdfTextLogTest {
 protected:
  // The text map of the font of the PDF at `path`.
  static std::string TextMapOf(const std::string& path) {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(path.c_str());
    QPDFObjectHandle page = pdf.getAllPages().at(0);
    QPDFObjectHandle font =
        page.getKey("/Resources").getKey("/Font").getKey("/F1");
    const auto data = font.getKey("/ToUnicode").getStreamData();
    return {reinterpret_cast<const char*>(data->getBuffer()), data->getSize()};
  }
  testing::TempDir dir_;
  std::string path_ = dir_.File("slip.pdf");
};

TEST_F(CorrectPdfTextMapTest, EveryFormOfEntryIsReadAndCorrected) {
  ASSERT_TRUE(testing::WriteTestFile(
      path_, PdfWithTextMap("/CIDInit /ProcSet findresource begin\n"
                            "begincmap\n"
                            "1 begincodespacerange <0000> <FFFF> "
                            "endcodespacerange\n"
                            "2 beginbfchar\n<0001> <2F76>\n<0002> <0041>\n"
                            "endbfchar\n"
                            "2 beginbfrange\n"
                            "<0003> <0005> [<2FA6> <2F12> <0009>]\n"
                            "<0006> <0007> <0030>\n"
                            "endbfrange\nendcmap\n")));
  PdfTextLog log;
  log.Add(font_, "米金力 A01");
  ASSERT_TRUE(CorrectPdfTextMap(path_, log));
  const std::string map = TextMapOf(path_);
  EXPECT_NE(map.find("<0001> <7C73>"), std::string::npos) << map;  // 米
  EXPECT_NE(map.find("<0002> <0041>"), std::string::npos) << map;
  EXPECT_NE(map.find("<0003> <91D1>"), std::string::npos) << map;  // 金
  EXPECT_NE(map.find("<0004> <529B>"), std::string::npos) << map;  // 力
  EXPECT_NE(map.find("<0005> <0020>"), std::string::npos) << map;
  EXPECT_NE(map.find("<0006> <0030>"), std::string::npos) << map;
  EXPECT_NE(map.find("<0007> <0031>"), std::string::npos) << map;
}

TEST_F(CorrectPdfTextMapTest, ATextMapThatDoesNotReadLeavesTheFileAsItWas) {
  const std::string pdf =
      PdfWithTextMap("1 beginbfrange\n<0005> <0003> <2F76>\nendbfrange\n");
  ASSERT_TRUE(testing::WriteTestFile(path_, pdf));
  PdfTextLog log;
  log.Add(font_, "米");
  EXPECT_FALSE(CorrectPdfTextMap(path_, log));
  EXPECT_EQ(testing::ReadTestFile(path_), pdf);
}

TEST_F(CorrectPdfTextMapTest, AFileThatIsNoPdfIsLeftAsItWas) {
  ASSERT_TRUE(testing::WriteTestFile(path_, "not a PDF at all"));
  EXPECT_FALSE(CorrectPdfTextMap(path_, PdfTextLog()));
  EXPECT_EQ(testing::ReadTestFile(path_), "not a PDF at all");
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
}

TEST_F(CorrectPdfTextMapTest, AMissingFileFails) {
  EXPECT_FALSE(CorrectPdfTextMap(path_, PdfTextLog()));
  EXPECT_FALSE(std::filesystem::exists(path_));
}

}  // namespace
}  // namespace matslip
