#pragma once
// The ten fixed texts of the outbound slip: the four header texts above the
// material lines and the six names of the signature line, as typed.
#include <string>

namespace matslip {

struct SlipTexts {
  std::string warehouse;             // 仓库名称
  std::string purpose;               // 使用方向
  std::string receiving_department;  // 领料部门
  std::string project;               // 项目名称
  std::string approved_by;           // 审批
  std::string financial_review;      // 财务审核
  std::string technical_department;  // 技术部门
  std::string written_by;            // 开票
  std::string storekeeper;           // 保管
  std::string received_by;           // 领料
  bool operator==(const SlipTexts&) const = default;
};

}  // namespace matslip
