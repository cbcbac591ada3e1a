#pragma once
// Little-endian access to the integers and floating-point numbers of the
// program's files (tables, memo files, grid files), the same on a host of
// either byte order. `p` points at the first byte; nothing is aligned.
#include <bit>
#include <cstdint>

namespace matslip {

namespace byte_order_internal {

template <typename U>
U Load(const void* p) {
  const auto* b = static_cast<const unsigned char*>(p);
  U v = 0;
  for (int i = static_cast<int>(sizeof(U)) - 1; i >= 0; --i)
    v = static_cast<U>(v << 8 | b[i]);
  return v;
}

template <typename U>
void Store(void* p, U v) {
  auto* b = static_cast<unsigned char*>(p);
  for (std::size_t i = 0; i < sizeof(U); ++i)
    b[i] = static_cast<unsigned char>(v >> (8 * i));
}

}  // namespace byte_order_internal

inline std::int16_t GetI16(const void* p) {
  return static_cast<std::int16_t>(byte_order_internal::Load<std::uint16_t>(p));
}
inline std::int32_t GetI32(const void* p) {
  return static_cast<std::int32_t>(byte_order_internal::Load<std::uint32_t>(p));
}
inline std::int64_t GetI64(const void* p) {
  return static_cast<std::int64_t>(byte_order_internal::Load<std::uint64_t>(p));
}
inline float GetF32(const void* p) {
  return std::bit_cast<float>(byte_order_internal::Load<std::uint32_t>(p));
}
inline double GetF64(const void* p) {
  return std::bit_cast<double>(byte_order_internal::Load<std::uint64_t>(p));
}

inline void PutI16(void* p, std::int16_t v) {
  byte_order_internal::Store(p, static_cast<std::uint16_t>(v));
}
inline void PutI32(void* p, std::int32_t v) {
  byte_order_internal::Store(p, static_cast<std::uint32_t>(v));
}
inline void PutI64(void* p, std::int64_t v) {
  byte_order_internal::Store(p, static_cast<std::uint64_t>(v));
}
inline void PutF32(void* p, float v) {
  byte_order_internal::Store(p, std::bit_cast<std::uint32_t>(v));
}
inline void PutF64(void* p, double v) {
  byte_order_internal::Store(p, std::bit_cast<std::uint64_t>(v));
}

}  // namespace matslip
