#include "data/jet_values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "data/jet_text.h"

namespace generatesheet {

namespace {

// A Single as the decimal it was typed as ("0.1", not 0.100000001490116).
double SingleToDouble(float f) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, f);
  double d = f;
  std::from_chars(buf, r.ptr, d);
  return d;
}

// Decimal (scaled 128-bit integer): sign byte, then four 32-bit words,
// most significant word first, each little-endian.
double DecimalToDouble(const unsigned char* p, int scale) {
  unsigned __int128 magnitude = 0;
  for (int word = 0; word < 4; ++word) {
    magnitude = (magnitude << 32) | Get32(p + 1 + 4 * word);
  }
  std::string digits;
  do {
    digits.push_back(static_cast<char>('0' + static_cast<int>(magnitude % 10)));
    magnitude /= 10;
  } while (magnitude != 0);
  const std::size_t places = scale > 0 ? static_cast<std::size_t>(scale) : 0;
  if (digits.size() <= places) digits.append(places + 1 - digits.size(), '0');
  std::reverse(digits.begin(), digits.end());
  if (places > 0) {
    digits = digits.substr(0, digits.size() - places) + "." + digits.substr(digits.size() - places);
  }
  double d = 0;
  std::from_chars(digits.data(), digits.data() + digits.size(), d);
  return (p[0] & 0x80) ? -d : d;
}

// Days since 1899-12-30 (the time as the fraction, whatever the sign) as
// "yyyy-mm-dd hh:mm:ss".
std::string DateTimeText(double value) {
  if (!std::isfinite(value) || std::fabs(value) > 3e6) return "#日期无效#";
  double whole = std::trunc(value);
  long long days = static_cast<long long>(whole);
  long long seconds = std::llround(std::fabs(value - whole) * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    days += value < 0 ? -1 : 1;
  }
  // Civil date from days since 1970-01-01 (H. Hinnant's algorithm).
  long long z = days - 25569 + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  long long day = doy - (153 * mp + 2) / 5 + 1;
  long long month = mp < 10 ? mp + 3 : mp - 9;
  long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[128];  // room for any long long, though the values are small
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month, day,
                seconds / 3600, seconds / 60 % 60, seconds % 60);
  return buf;
}

std::string GuidText(const unsigned char* p) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Get32(p),
                Get16(p + 4), Get16(p + 6), p[8], p[9], p[10], p[11], p[12], p[13], p[14], p[15]);
  return buf;
}

std::uint64_t Get64(const unsigned char* p) {
  return Get32(p) | static_cast<std::uint64_t>(Get32(p + 4)) << 32;
}

}  // namespace

ColumnKind JetColumnKind(int type) {
  switch (type) {
    case kJetBoolean:
      return ColumnKind::kBoolean;
    case kJetByte:
    case kJetInteger:
    case kJetLong:
    case kJetCurrency:
    case kJetSingle:
    case kJetDouble:
    case kJetNumeric:
      return ColumnKind::kNumber;
    case kJetText:
    case kJetMemo:
      return ColumnKind::kText;
    default:
      return ColumnKind::kOther;
  }
}

const char* JetTypeName(int type) {
  switch (type) {
    case kJetBoolean:
      return "boolean";
    case kJetByte:
      return "byte";
    case kJetInteger:
      return "integer";
    case kJetLong:
      return "long";
    case kJetCurrency:
      return "currency";
    case kJetSingle:
      return "float";
    case kJetDouble:
      return "double";
    case kJetDateTime:
      return "datetime";
    case kJetBinary:
      return "binary";
    case kJetText:
      return "text";
    case kJetOle:
      return "ole";
    case kJetMemo:
      return "memo";
    case kJetGuid:
      return "repid";
    case kJetNumeric:
      return "numeric";
    case kJetComplex:
      return "complex";
    case kJetBigInt:
      return "bigint";
    default:
      return "unknown";
  }
}

Value DecodeJetValue(int type, int scale, bool is_null, std::span<const unsigned char> b,
                     const FieldPlace& place) {
  if (type == kJetBoolean) return Value::Boolean(!is_null);  // stored in the null mask
  if (is_null) return Value();
  auto need = [&](std::size_t n) {
    if (b.size() < n) ThrowDamaged(place.path, place.Describe() + " 的值长度不足");
  };
  switch (type) {
    case kJetByte:
      need(1);
      return Value::Integer(b[0]);
    case kJetInteger:
      need(2);
      return Value::Integer(static_cast<std::int16_t>(Get16(b.data())));
    case kJetLong:
      need(4);
      return Value::Integer(static_cast<std::int32_t>(Get32(b.data())));
    case kJetCurrency:
      need(8);
      return Value::Double(static_cast<double>(static_cast<std::int64_t>(Get64(b.data()))) /
                           10000.0);
    case kJetSingle: {
      need(4);
      float f;
      std::uint32_t bits = Get32(b.data());
      std::memcpy(&f, &bits, 4);
      return Value::Double(SingleToDouble(f));
    }
    case kJetDouble:
    case kJetDateTime: {
      need(8);
      std::uint64_t bits = Get64(b.data());
      double d;
      std::memcpy(&d, &bits, 8);
      if (type == kJetDateTime) return Value::Text(DateTimeText(d));
      return Value::Double(d);
    }
    case kJetNumeric:
      need(17);
      return Value::Double(DecimalToDouble(b.data(), scale));
    case kJetText:
    case kJetMemo:
      return Value::Text(DecodeJetText(b.data(), b.size()));
    case kJetGuid:
      need(16);
      return Value::Text(GuidText(b.data()));
    default:  // binary, OLE and types this system never reads: the bytes
      return Value::Text(std::string(b.begin(), b.end()));
  }
}

}  // namespace generatesheet
