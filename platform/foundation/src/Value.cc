#include "foundation/Value.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "foundation/Text.h"

namespace foundation {
namespace {

const Value& nilValue() {
  static const Value nil;
  return nil;
}

// The platform's reals: the shortest digits that read back as the same
// double, laid out like "%g" with 17 significant digits (so 37.25, 1, 0.1,
// 1e+20, 1e-05).
void appendReal(std::string& out, double d) {
  if (std::isnan(d)) {
    out += "nan";
    return;
  }
  if (std::isinf(d)) {
    out += d < 0 ? "-inf" : "inf";
    return;
  }
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::scientific);
  std::string_view sci(buf, static_cast<std::size_t>(result.ptr - buf));
  if (!sci.empty() && sci.front() == '-') {
    out.push_back('-');
    sci.remove_prefix(1);
  }
  const std::size_t e = sci.find('e');
  std::string digits;
  for (const char c : sci.substr(0, e)) {
    if (c != '.') digits.push_back(c);
  }
  const int exponent = std::atoi(std::string(sci.substr(e + 1)).c_str());
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  if (exponent < -4 || exponent >= 17) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back('.');
      out.append(digits, 1);
    }
    out += format("e%c%02d", exponent < 0 ? '-' : '+', std::abs(exponent));
  } else if (exponent >= 0) {
    const auto intDigits = static_cast<std::size_t>(exponent) + 1;
    if (digits.size() <= intDigits) {
      out += digits;
      out.append(intDigits - digits.size(), '0');
    } else {
      out.append(digits, 0, intDigits);
      out.push_back('.');
      out.append(digits, intDigits);
    }
  } else {
    out += "0.";
    out.append(static_cast<std::size_t>(-exponent - 1), '0');
    out += digits;
  }
}

void appendNumber(std::string& out, const Number& n) {
  if (const auto* i = std::get_if<std::int64_t>(&n.value)) {
    out += std::to_string(*i);
  } else {
    appendReal(out, std::get<double>(n.value));
  }
}

void appendData(std::string& out, const Data& data) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('<');
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0 && i % 4 == 0) out.push_back(' ');
    out.push_back(kHex[data[i] >> 4]);
    out.push_back(kHex[data[i] & 15]);
  }
  out.push_back('>');
}

bool isPlainWord(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!plain) return false;
  }
  return true;
}

// A text inside a container: plain words as they are, anything else quoted,
// with non-ASCII written as one \Uxxxx per UTF-16 code unit.
void appendQuotable(std::string& out, std::string_view text) {
  if (isPlainWord(text)) {
    out += text;
    return;
  }
  out.push_back('"');
  for (const char16_t u : toUtf16(text)) {
    switch (u) {
      case u'"': out += "\\\""; break;
      case u'\\': out += "\\\\"; break;
      case u'\n': out += "\\n"; break;
      case u'\r': out += "\\r"; break;
      case u'\t': out += "\\t"; break;
      default:
        if (u < 0x20 || u >= 0x7F) {
          out += format("\\U%04x", static_cast<unsigned>(u));
        } else {
          out.push_back(static_cast<char>(u));
        }
    }
  }
  out.push_back('"');
}

void appendIndent(std::string& out, int level) { out.append(static_cast<std::size_t>(level) * 4, ' '); }

void appendNested(std::string& out, const Value& value, int level) {
  if (const std::string* text = value.text()) {
    appendQuotable(out, *text);
  } else if (const Number* number = value.number()) {
    appendNumber(out, *number);
  } else if (const bool* boolean = value.boolean()) {
    out += *boolean ? "1" : "0";
  } else if (const Data* data = value.data()) {
    appendData(out, *data);
  } else if (const Array* array = value.array()) {
    out += "(\n";
    for (std::size_t i = 0; i < array->size(); ++i) {
      appendIndent(out, level + 1);
      appendNested(out, (*array)[i], level + 1);
      out += i + 1 < array->size() ? ",\n" : "\n";
    }
    appendIndent(out, level);
    out.push_back(')');
  } else if (const Dictionary* dict = value.dictionary()) {
    out += "{\n";
    for (const auto& [key, item] : *dict) {
      appendIndent(out, level + 1);
      appendQuotable(out, key);
      out += " = ";
      appendNested(out, item, level + 1);
      out += ";\n";
    }
    appendIndent(out, level);
    out.push_back('}');
  } else {
    out += "<null>";  // nil inside a container: the platform's null object
  }
}

std::int64_t clampToInteger(double d) {
  if (std::isnan(d)) return 0;
  if (d >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
  if (d <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(d);
}

}  // namespace

double Number::asDouble() const {
  if (const auto* i = std::get_if<std::int64_t>(&value)) return static_cast<double>(*i);
  return std::get<double>(value);
}

const Value& Value::operator[](std::string_view key) const {
  const Dictionary* dict = dictionary();
  if (dict == nullptr) return nilValue();
  const auto it = dict->find(key);
  return it == dict->end() ? nilValue() : it->second;
}

double Value::doubleValue() const {
  switch (type()) {
    case Type::Number: return number()->asDouble();
    case Type::Boolean: return *boolean() ? 1 : 0;
    case Type::Text: return foundation::doubleValue(*text());
    default: return 0;
  }
}

float Value::floatValue() const {
  if (const std::string* t = text()) return foundation::floatValue(*t);
  return static_cast<float>(doubleValue());
}

std::int64_t Value::integerValue() const {
  switch (type()) {
    case Type::Number: {
      const Number& n = *number();
      if (const auto* i = std::get_if<std::int64_t>(&n.value)) return *i;
      return clampToInteger(std::get<double>(n.value));
    }
    case Type::Boolean: return *boolean() ? 1 : 0;
    case Type::Text: return foundation::integerValue(*text());
    default: return 0;
  }
}

bool Value::boolValue() const {
  switch (type()) {
    case Type::Number: return number()->asDouble() != 0;
    case Type::Boolean: return *boolean();
    case Type::Text: return foundation::boolValue(*text());
    default: return false;
  }
}

std::string describe(const Value& value) {
  switch (value.type()) {
    case Value::Type::Nil: return "(null)";
    case Value::Type::Text: return *value.text();
    default: {
      std::string out;
      appendNested(out, value, 0);
      return out;
    }
  }
}

}  // namespace foundation
