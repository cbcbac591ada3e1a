// The item editor's handlers on a prepared material table: opening on a
// material, stepping, deleting and the messages for a form the table cannot
// store.
#include "stock/item_editor.h"

#include <gtest/gtest.h>

#include <tuple>

#include "base/files.h"
#include "material/material_table.h"
#include "store/db.h"
#include "store/durability.h"
#include "store/table.h"
#include "support/fake_dialogs.h"
#include "support/temp_dir.h"

namespace matslip {
namespace {

class ItemEditorTest : public ::testing::Test {
 protected:
  ItemEditorTest() {
    DbCloseAll();
    SetDurableWrites(false);
    auto table =
        Table::Create(dir_.File("data.mzk"), Schema(material::Fields()));
    for (const char* name : {"甲", "乙", "丙"}) {
      std::vector<Value> v(material::kFieldCount);
      v[material::kName - 1] = name;
      v[material::kModel - 1] = "型";
      table->Append(v);
    }
  }
  ~ItemEditorTest() override { DbCloseAll(); }

  static std::string CurrentName() { return DbRead(material::kName).ToText(); }

  testing::TempDir dir_;
  testing::FakeDialogs dialogs_;
};

TEST_F(ItemEditorTest, OpensOnTheFirstRecordWithTheExactKey) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"乙", "型"}), OpenedOn::kFound);
  EXPECT_EQ(DbRecordNumber(), 2);
  DbClose(kMaterialAlias);
  EXPECT_EQ(OpenOnMaterial(dir_.path(), {"乙", "型 "}), OpenedOn::kNotFound);
  EXPECT_EQ(OpenOnMaterial(dir_.path(), {}), OpenedOn::kNotFound);
}

TEST_F(ItemEditorTest, WithoutItsTableNoOtherTableIsTakenForIt) {
  ASSERT_TRUE(
      Table::Create(dir_.File("other.mzk"), Schema(material::Fields())));
  ASSERT_TRUE(DbOpen(dir_.File("other.mzk"), "other"));
  ASSERT_TRUE(RemoveFile(dir_.File("data.mzk")));
  EXPECT_EQ(OpenOnMaterial(dir_.path(), {"乙", "型"}), OpenedOn::kNoTable);
}

TEST_F(ItemEditorTest, OpensOnTheTableAlreadyOpenAsData) {
  // The main window's list build leaves it open; the second open fails.
  ASSERT_TRUE(DbOpen(dir_.File("data.mzk"), kMaterialAlias));
  ASSERT_TRUE(
      Table::Create(dir_.File("other.mzk"), Schema(material::Fields())));
  ASSERT_TRUE(DbOpen(dir_.File("other.mzk"), "other"));
  EXPECT_EQ(OpenOnMaterial(dir_.path(), {"丙", "型"}), OpenedOn::kFound);
  EXPECT_EQ(DbRecordNumber(), 3);
}

TEST_F(ItemEditorTest, StepForwardStaysEnabledUntilTheLastRecord) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"乙", "型"}), OpenedOn::kFound);
  EXPECT_TRUE(StepMaterial(1));  // from 2 to 3
  EXPECT_EQ(CurrentName(), "丙");
  EXPECT_FALSE(StepMaterial(1));  // from the last record past it
  EXPECT_EQ(CurrentName(), "");
  EXPECT_FALSE(StepMaterial(1));
  EXPECT_EQ(CurrentName(), "");
}

TEST_F(ItemEditorTest, StepBackStaysEnabledUntilTheFirstRecord) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"乙", "型"}), OpenedOn::kFound);
  EXPECT_TRUE(StepMaterial(-1));  // from 2 to 1
  EXPECT_EQ(CurrentName(), "甲");
  EXPECT_FALSE(StepMaterial(-1));  // from the first record before it
  EXPECT_EQ(CurrentName(), "");
}

TEST_F(ItemEditorTest, DeleteAsksNamingTheMaterialAndNoKeepsIt) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"乙", "型"}), OpenedOn::kFound);
  dialogs_.answers = {false};
  EXPECT_FALSE(DeleteCurrentMaterial(dialogs_));
  ASSERT_EQ(dialogs_.shown.size(), 1u);
  EXPECT_EQ(dialogs_.shown[0].kind, "ask");
  EXPECT_EQ(dialogs_.shown[0].caption, "提醒询问：");
  EXPECT_EQ(dialogs_.shown[0].text,
            "确实要删除项目 乙 型 吗？它的库存和全部进出库记录将一并删除，"
            "不能恢复。");
  EXPECT_EQ(DbRecordCount(), 3);
  EXPECT_EQ(DbRecordNumber(), 2);
  EXPECT_EQ(CurrentName(), "乙");
}

TEST_F(ItemEditorTest, DeleteRemovesTheRecordAndMovesToTheOneBefore) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"丙", "型"}), OpenedOn::kFound);
  dialogs_.answers = {true};
  EXPECT_TRUE(DeleteCurrentMaterial(dialogs_));
  EXPECT_EQ(dialogs_.Messages(), std::vector<std::string>{"项目已删除"});
  EXPECT_EQ(DbRecordCount(), 2);
  EXPECT_EQ(DbRecordNumber(), 2);
  EXPECT_EQ(CurrentName(), "乙");
}

TEST_F(ItemEditorTest, DeleteOfTheFirstRecordMovesToTheNewFirst) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"甲", "型"}), OpenedOn::kFound);
  dialogs_.answers = {true};
  DeleteCurrentMaterial(dialogs_);
  EXPECT_EQ(DbRecordCount(), 2);
  EXPECT_EQ(DbRecordNumber(), 1);
  EXPECT_EQ(CurrentName(), "乙");
}

TEST_F(ItemEditorTest, MessagesNameTheFieldAndItsLimit) {
  EXPECT_EQ(FormProblemMessage({material::kName, 64, false}),
            "品名不能超过64个字节（按GBK计）");
  EXPECT_EQ(FormProblemMessage({material::kModel, 64, false}),
            "规格型号不能超过64个字节（按GBK计）");
  EXPECT_EQ(FormProblemMessage({material::kUnit, 16, false}),
            "单位不能超过16个字节（按GBK计）");
  EXPECT_EQ(FormProblemMessage({material::kUnit, 16, true}),
            "单位中有GBK编码以外的字符，材料表存不下");
}

TEST_F(ItemEditorTest, ARefusedFormChangesNothing) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"甲", "型"}), OpenedOn::kFound);
  StockInForm form;
  form.name = "甲";
  form.model = "型";
  form.unit = std::string(17, 'm');
  form.quantity = "5";
  StockIn(dir_.File("进库备份"), form, 41000, dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"单位不能超过16个字节（按GBK计）"});
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 0);
  EXPECT_EQ(DbRecordCount(), 3);
}

// Each number edit refused by name before anything is written; grouped
// thousands booked whole, and the log line carries the text as typed.
TEST_F(ItemEditorTest, NumbersAreReadAsTypedAndOthersRefusedBeforeAnyWrite) {
  ASSERT_EQ(OpenOnMaterial(dir_.path(), {"甲", "型"}), OpenedOn::kFound);
  const std::string rule =
      "不是数：只能有数字、正负号、一个小数点和每三位一个的千位逗号"
      "（如 1,200.50 或 -3）";
  const StockInForm good{"甲", "型", "米", "2.5", "1,200", "3,000.00", "10"};
  std::vector<std::string> expected;
  for (const auto& [field, name, text] :
       {std::tuple{&StockInForm::quantity, "数量", "abc"},
        std::tuple{&StockInForm::quantity, "数量", "1,2"},
        std::tuple{&StockInForm::price, "单价", "½"},
        std::tuple{&StockInForm::alarm, "报警数量", "5件"},
        std::tuple{&StockInForm::value, "金额", "1e3"}}) {
    StockInForm form = good;
    form.*field = text;
    StockIn(dir_.File("进库备份"), form, 41000, dialogs_);
    expected.push_back(name + rule);
  }
  EXPECT_EQ(dialogs_.Messages(), expected);
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 0);
  EXPECT_EQ(DbRead(material::kInLog).ToText(), "");
  EXPECT_FALSE(FileExists(dir_.File("进库备份")));

  dialogs_.shown.clear();
  StockIn(dir_.File("进库备份"), good, 41000, dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            std::vector<std::string>{"添加成功返回主界面后刷新可显示"});
  ASSERT_TRUE(DbGoTo(1));
  EXPECT_EQ(DbRead(material::kQuantity).ToNumber(), 1200);
  EXPECT_EQ(DbRead(material::kValue).ToNumber(), 3000);
  EXPECT_EQ(DbRead(material::kAlarm).ToNumber(), 10);
  const std::string typed = "数量 1,200 单价 2.5 金额 3,000.00 入库后均价 ";
  EXPECT_EQ(DbRead(material::kInLog).ToText().substr(0, typed.size()), typed);
}

// A table whose key fields are narrower than a new table's: a longer key is
// refused with the table's own limit rather than cut.
TEST_F(ItemEditorTest, KeyLimitsAreTheOpenTablesFieldWidths) {
  testing::TempDir other;
  std::vector<FieldDef> fields = material::Fields();
  fields[material::kName - 1].width = 20;
  fields[material::kModel - 1].width = 10;
  ASSERT_TRUE(Table::Create(other.File("data.mzk"), Schema(fields)));
  ASSERT_EQ(OpenOnMaterial(other.path(), {"", ""}), OpenedOn::kNotFound);
  StockInForm form{std::string(21, 'n'), "", "米", "1", "1", "1", ""};
  StockIn(other.File("进库备份"), form, 41000, dialogs_);
  form = {"线", "LGJ-95/20xx", "米", "1", "1", "1", ""};
  StockIn(other.File("进库备份"), form, 41000, dialogs_);
  EXPECT_EQ(dialogs_.Messages(),
            (std::vector<std::string>{"品名不能超过20个字节（按GBK计）",
                                      "规格型号不能超过10个字节（按GBK计）"}));
  EXPECT_EQ(DbRecordCount(), 0);
}

}  // namespace
}  // namespace matslip
