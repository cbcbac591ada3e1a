#include "store/value.h"

#include "base/datetime.h"
#include "base/number.h"

namespace matslip {

Value Value::Integer(std::int64_t v) {
  Value r;
  r.kind_ = Kind::kInteger;
  r.integer_ = v;
  return r;
}

Value Value::Number(double v) {
  Value r;
  r.kind_ = Kind::kNumber;
  r.number_ = v;
  return r;
}

Value Value::Single(float v) {
  Value r = Number(v);
  r.single_ = true;
  return r;
}

Value Value::Boolean(bool v) {
  Value r;
  r.kind_ = Kind::kBoolean;
  r.integer_ = v ? 1 : 0;
  return r;
}

Value Value::Date(double day_count) {
  Value r;
  r.kind_ = Kind::kDate;
  r.number_ = day_count;
  return r;
}

Value Value::Text(std::string utf8) {
  Value r;
  r.kind_ = Kind::kText;
  r.text_ = std::move(utf8);
  return r;
}

Value Value::Binary(std::string bytes) {
  Value r;
  r.kind_ = Kind::kBinary;
  r.text_ = std::move(bytes);
  return r;
}

double Value::ToNumber() const {
  switch (kind_) {
    case Kind::kInteger:
    case Kind::kBoolean:
      return static_cast<double>(integer_);
    case Kind::kNumber:
    case Kind::kDate:
      return number_;
    case Kind::kText:
      return TextToNumber(text_);
    case Kind::kEmpty:
    case Kind::kBinary:
      return 0;
  }
  return 0;
}

bool Value::ToWholeNumber(std::int64_t* whole) const {
  switch (kind_) {
    case Kind::kInteger:
    case Kind::kBoolean:
      *whole = integer_;
      return true;
    case Kind::kText:
      return TextToWholeNumber(text_, whole);
    default:
      return DoubleToWholeNumber(ToNumber(), whole);
  }
}

std::string Value::ToText() && {
  if (kind_ == Kind::kText || kind_ == Kind::kBinary) return std::move(text_);
  return static_cast<const Value&>(*this).ToText();
}

std::string Value::ToText() const& {
  switch (kind_) {
    case Kind::kInteger:
    case Kind::kBoolean:
      return IntegerToText(integer_);
    case Kind::kNumber:
      return single_ ? SingleToText(static_cast<float>(number_))
                     : NumberToText(number_);
    case Kind::kDate:
      return number_ == 0 ? std::string() : DateTimeText(number_);
    case Kind::kText:
    case Kind::kBinary:
      return text_;
    case Kind::kEmpty:
      return std::string();
  }
  return std::string();
}

}  // namespace matslip
