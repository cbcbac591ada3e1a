#include "base/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace matslip {
namespace {

// The files' bytes as they lie on disk, least significant byte first,
// whatever the host's own order.
class ByteOrderTest : public ::testing::Test {
 protected:
  static std::string Bytes(std::initializer_list<unsigned char> list) {
    return std::string(list.begin(), list.end());
  }
};

TEST_F(ByteOrderTest, IntegersAreReadLeastSignificantByteFirst) {
  EXPECT_EQ(GetI16(Bytes({0x34, 0x12}).data()), 0x1234);
  EXPECT_EQ(GetI16(Bytes({0xFE, 0xFF}).data()), -2);
  EXPECT_EQ(GetI32(Bytes({0x04, 0x03, 0x02, 0x01}).data()), 0x01020304);
  EXPECT_EQ(GetI32(Bytes({0x00, 0x00, 0x00, 0x80}).data()),
            std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(
      GetI64(Bytes({0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01}).data()),
      INT64_C(0x0102030405060708));
  EXPECT_EQ(
      GetI64(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}).data()),
      std::numeric_limits<std::int64_t>::max());
}

TEST_F(ByteOrderTest, IntegersAreWrittenLeastSignificantByteFirst) {
  std::string b(8, '\0');
  PutI16(b.data(), -2);
  EXPECT_EQ(b.substr(0, 2), Bytes({0xFE, 0xFF}));
  PutI32(b.data(), 0x01020304);
  EXPECT_EQ(b.substr(0, 4), Bytes({0x04, 0x03, 0x02, 0x01}));
  PutI64(b.data(), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(b, Bytes({0, 0, 0, 0, 0, 0, 0, 0x80}));
}

TEST_F(ByteOrderTest, FloatingPointNumbersUseTheirIeeeBytes) {
  // 12.5 is 0x4029000000000000 as a double and 0x41480000 as a float.
  std::string b(8, '\0');
  PutF64(b.data(), 12.5);
  EXPECT_EQ(b, Bytes({0, 0, 0, 0, 0, 0, 0x29, 0x40}));
  EXPECT_EQ(GetF64(b.data()), 12.5);
  PutF32(b.data(), 12.5f);
  EXPECT_EQ(b.substr(0, 4), Bytes({0, 0, 0x48, 0x41}));
  EXPECT_EQ(GetF32(b.data()), 12.5f);
}

TEST_F(ByteOrderTest, UnalignedPositionsWork) {
  std::string b(11, '\0');
  PutI64(b.data() + 3, INT64_C(-1234567890123456789));
  EXPECT_EQ(GetI64(b.data() + 3), INT64_C(-1234567890123456789));
  EXPECT_EQ(b.substr(0, 3), std::string(3, '\0'));
}

}  // namespace
}  // namespace matslip
