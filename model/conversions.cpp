#include "model/conversions.h"

#include <algorithm>
#include <QCoreApplication>

namespace rt {
namespace {

QString rangeMessage(QStringView text, std::int64_t min, std::int64_t max) {
  return QCoreApplication::translate("rt::Conversions", "%1 is not a whole number from %2 to %3").arg(quotedValue(text)).arg(min).arg(max);
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

}  // namespace

Result<std::int64_t> parseDecimal(QStringView text, std::int64_t min, std::int64_t max) {
  const QStringView t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
  const qsizetype intStart = i;
  while (i < t.size() && isDigit(t[i])) ++i;
  const QStringView intDigits = t.mid(intStart, i - intStart);
  QStringView fracDigits;
  if (i < t.size() && t[i] == u'.') {
    const qsizetype fracStart = ++i;
    while (i < t.size() && isDigit(t[i])) ++i;
    fracDigits = t.mid(fracStart, i - fracStart);
  }
  if (i != t.size() || (intDigits.isEmpty() && fracDigits.isEmpty()))
    return Result<std::int64_t>::failure(rangeMessage(t, min, max));

  // Magnitude of the integer part; anything past 18 significant digits is out of
  // every range we store, so it only needs to be recognised as too large.
  std::int64_t magnitude = 0;
  bool huge = false;
  for (QChar c : intDigits) {
    if (magnitude > 100000000000000000LL) {
      huge = true;
      break;
    }
    magnitude = magnitude * 10 + (c.unicode() - u'0');
  }
  if (!huge && !fracDigits.isEmpty()) {
    // Exact half-to-even rounding on the decimal digits, not through a double.
    const int first = fracDigits[0].unicode() - u'0';
    bool restNonZero = false;
    for (qsizetype k = 1; k < fracDigits.size(); ++k) restNonZero |= fracDigits[k] != u'0';
    if (first > 5 || (first == 5 && (restNonZero || magnitude % 2 == 1))) ++magnitude;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (huge || value < min || value > max) return Result<std::int64_t>::failure(rangeMessage(t, min, max));
  return value;
}

Result<int> parseByte(QStringView text) {
  auto v = parseDecimal(text, 0, 255);
  if (!v) return v.status();
  return static_cast<int>(*v);
}

Result<int> parseWord(QStringView text) {
  auto v = parseDecimal(text, 0, 65535);
  if (!v) return v.status();
  return static_cast<int>(*v);
}

Result<std::int32_t> parseInt32(QStringView text) {
  auto v = parseDecimal(text, INT32_MIN, INT32_MAX);
  if (!v) return v.status();
  return static_cast<std::int32_t>(*v);
}

Result<int> parseSignedByte(QStringView text) {
  auto v = parseDecimal(text, -256, 255);
  if (!v) return v.status();
  // A negative n is stored as n + 256, rounded: -0.3 would round to 256, which
  // is no byte. (256 is even, so rounding n first and adding 256 gives the same
  // byte everywhere else.)
  const QStringView t = text.trimmed();
  // A digit loop, not a regular expression: compiling one per value dominated an import.
  const bool negative = t.startsWith(u'-') && std::any_of(t.begin(), t.end(), [](QChar c) { return c >= u'1' && c <= u'9'; });
  if (negative && *v == 0)
    return Result<int>::failure(
        QCoreApplication::translate("rt::Conversions", "%1 does not fit a byte: a negative n is stored as n + 256 rounded, 256 here").arg(quotedValue(t)));
  return static_cast<int>(*v < 0 ? *v + 256 : *v);
}

Result<int> parseHexWord(QStringView text) {
  const QStringView t = text.trimmed();
  int value = 0;
  bool ok = !t.isEmpty() && t.size() <= 4;
  for (qsizetype i = 0; ok && i < t.size(); ++i) {
    const char16_t c = t[i].unicode();
    int digit;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else {
      ok = false;
      break;
    }
    value = value * 16 + digit;
  }
  if (!ok)
    return Result<int>::failure(
        QCoreApplication::translate("rt::Conversions", "%1 is not a hexadecimal number from 0 to FFFF").arg(quotedValue(t)));
  return value;
}

namespace {

// The digits of `value` in `base` (upper-case letters), with a minus sign when
// negative: one allocation, no locale. What a record's read does per number.
QString integerText(std::int64_t value, int base) {
  char16_t buffer[24];
  int at = 24;
  // Counted as unsigned, so the most negative value has a magnitude too.
  std::uint64_t rest = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  do {
    const int digit = static_cast<int>(rest % static_cast<std::uint64_t>(base));
    buffer[--at] = static_cast<char16_t>(digit < 10 ? u'0' + digit : u'A' + digit - 10);
    rest /= static_cast<std::uint64_t>(base);
  } while (rest > 0);
  if (value < 0) buffer[--at] = u'-';
  return QString(reinterpret_cast<const QChar*>(buffer + at), 24 - at);
}

}  // namespace

QString hexText(int value) { return integerText(value, 16); }
QString decimalText(std::int64_t value) { return integerText(value, 10); }

QString quotedValue(QStringView text) {
  constexpr qsizetype kShown = 80;
  QString out = QStringLiteral("'");
  qsizetype shown = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (shown == kShown) {
      out += QChar(0x2026);  // …
      break;
    }
    const QChar c = text[i];
    if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
    else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
    else if (c == QLatin1Char('\t')) out += QStringLiteral("\\t");
    else if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
    else out += c;
    ++shown;
  }
  return out + QLatin1Char('\'');
}

}  // namespace rt
