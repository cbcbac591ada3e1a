#pragma once
// A field value as the engine reads and writes it: one of the kinds below.
// Texts are UTF-8 in memory; binary values are raw bytes.
#include <cstdint>
#include <string>

namespace matslip {

class Value {
 public:
  enum class Kind {
    kEmpty,
    kInteger,
    kNumber,
    kBoolean,
    kDate,
    kText,
    kBinary
  };

  Value() = default;
  static Value Integer(std::int64_t v);
  static Value Number(double v);
  // A number read from a single-precision field: shown with 6 digits.
  static Value Single(float v);
  static Value Boolean(bool v);
  static Value Date(double day_count);
  static Value Text(std::string utf8);
  static Value Binary(std::string bytes);
  // Conveniences so that DbAppend({"钢芯铝绞线", "LGJ-95/20", "米", 12.5})
  // reads naturally.
  Value(const char* utf8) : Value(Text(utf8)) {}
  Value(std::string utf8) : Value(Text(std::move(utf8))) {}
  Value(double v) : Value(Number(v)) {}
  Value(int v) : Value(Integer(v)) {}

  Kind kind() const { return kind_; }
  bool empty() const { return kind_ == Kind::kEmpty; }

  // The value as a number: integers, numbers, dates (day count) and booleans
  // (0/1) as they are; texts through TextToNumber; empty and binary give 0.
  double ToNumber() const;
  // The value in the program's text form: numbers "%.13g" (single-precision
  // ones "%.6g"), integers plain,
  // booleans "0"/"1", dates as DateTimeText (empty for the zero date), texts
  // and binary as they are, empty as "".
  std::string ToText() const&;
  // The same, taking the text of a text value instead of copying it.
  std::string ToText() &&;
  bool ToBoolean() const { return ToNumber() != 0; }
  // The value as a whole number: integers and booleans exactly, texts through
  // TextToWholeNumber, the rest through ToNumber. False when that is not a
  // whole number within 64 bits.
  bool ToWholeNumber(std::int64_t* whole) const;
  // The raw text or bytes of a text or binary value ("" for other kinds).
  const std::string& str() const { return text_; }

  bool operator==(const Value&) const = default;

 private:
  Kind kind_ = Kind::kEmpty;
  bool single_ = false;
  std::int64_t integer_ = 0;
  double number_ = 0;
  std::string text_;
};

}  // namespace matslip
