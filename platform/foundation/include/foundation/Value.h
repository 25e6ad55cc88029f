#pragma once
// A property-list value: nil, text, number, boolean, data, array or dictionary.
// Values are plain copyable data; dictionaries keep their keys sorted, which is
// also the order the platform's description prints them in.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace foundation {

class Value;
using Array = std::vector<Value>;
using Dictionary = std::map<std::string, Value, std::less<>>;
using Data = std::vector<std::uint8_t>;

// A number keeps whether it was integral, because the platform prints 269 and
// 37.25 differently from 269.0.
struct Number {
  std::variant<std::int64_t, double> value;
  double asDouble() const;
  bool operator==(const Number&) const = default;
};

class Value {
 public:
  // The enumerators share their names with the type aliases above; GCC's
  // -Wshadow reports that although scoped enumerators cannot clash.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
  enum class Type { Nil, Text, Number, Boolean, Data, Array, Dictionary };
#pragma GCC diagnostic pop

  Value() = default;
  Value(std::nullptr_t) {}
  Value(std::string text) : v_(std::move(text)) {}
  Value(std::string_view text) : v_(std::string(text)) {}
  Value(const char* text) : v_(std::string(text)) {}
  Value(bool b) : v_(b) {}
  Value(int n) : v_(Number{std::int64_t{n}}) {}
  Value(long n) : v_(Number{std::int64_t{n}}) {}
  Value(long long n) : v_(Number{std::int64_t{n}}) {}
  Value(double d) : v_(Number{d}) {}
  Value(Number n) : v_(n) {}
  Value(Data d) : v_(std::move(d)) {}
  Value(Array a) : v_(std::move(a)) {}
  Value(Dictionary d) : v_(std::move(d)) {}

  Type type() const { return static_cast<Type>(v_.index()); }
  bool isNil() const { return type() == Type::Nil; }
  bool isText() const { return type() == Type::Text; }
  bool isNumber() const { return type() == Type::Number; }
  bool isBoolean() const { return type() == Type::Boolean; }
  bool isData() const { return type() == Type::Data; }
  bool isArray() const { return type() == Type::Array; }
  bool isDictionary() const { return type() == Type::Dictionary; }

  // Accessors return nullptr when the value is of another type.
  const std::string* text() const { return std::get_if<std::string>(&v_); }
  const Number* number() const { return std::get_if<Number>(&v_); }
  const bool* boolean() const { return std::get_if<bool>(&v_); }
  const Data* data() const { return std::get_if<Data>(&v_); }
  const Array* array() const { return std::get_if<Array>(&v_); }
  const Dictionary* dictionary() const { return std::get_if<Dictionary>(&v_); }
  Dictionary* dictionary() { return std::get_if<Dictionary>(&v_); }

  // Dictionary lookup; nil when this is not a dictionary or the key is absent.
  const Value& operator[](std::string_view key) const;

  // The platform's numeric readings of an object: numbers and booleans
  // directly, texts by the settings-text rules (see Text.h), anything else 0.
  float floatValue() const;
  double doubleValue() const;
  std::int64_t integerValue() const;
  bool boolValue() const;

  bool operator==(const Value&) const = default;

 private:
  std::variant<std::monostate, std::string, Number, bool, Data, Array, Dictionary> v_;
};

// The platform's "%@" of a value: nil is "(null)", texts are themselves,
// numbers as the platform prints them (269, 37.25, 1; booleans 1 and 0),
// data as <0a1b2c3d 4e5f> (four bytes per group), arrays and dictionaries in the old-style
// property-list form (keys sorted, four-space indentation, `key = value;`,
// quotes where needed, non-ASCII as \Uxxxx).
std::string describe(const Value& value);

}  // namespace foundation
