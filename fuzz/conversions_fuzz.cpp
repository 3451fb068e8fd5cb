// Text-to-number conversions: whatever is accepted lies in the field's range,
// agrees with an independent reading of the same text, and prints back to the
// same stored value; whatever is refused says why.
//
// Input: 1 byte how the text is decoded (UTF-8, Latin-1, UTF-16), 16 bytes
// the range of parseDecimal, the rest is the text.

#include "model/conversions.h"
#include "fuzz/fuzz_support.h"

#include <QString>

#include <optional>

namespace {

using rt::fuzz::quoted;

// Independent reading of a decimal text: [+-] digits [. digits], at least one
// digit, blanks around it ignored, rounded half to even on the exact digits.
// Magnitudes beyond a signed 64-bit value are reported as "huge".
struct Reading {
  bool huge = false;
  std::int64_t value = 0;
};

std::optional<Reading> referenceDecimal(QStringView raw) {
  const QStringView t = raw.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'+' || t[i] == u'-')) negative = t[i++] == u'-';
  QString intDigits;
  QString fracDigits;
  while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') intDigits.append(t[i++]);
  if (i < t.size() && t[i] == u'.') {
    ++i;
    while (i < t.size() && t[i] >= u'0' && t[i] <= u'9') fracDigits.append(t[i++]);
  }
  if (i != t.size() || (intDigits.isEmpty() && fracDigits.isEmpty())) return std::nullopt;

  qsizetype lead = 0;
  while (lead < intDigits.size() && intDigits[lead] == u'0') ++lead;
  const QString significant = intDigits.mid(lead);
  Reading r;
  // 19 digits and a rounding step still fit in 64 unsigned bits.
  if (significant.size() > 19) {
    r.huge = true;
    return r;
  }
  std::uint64_t m = 0;
  for (const QChar c : significant) m = m * 10 + static_cast<std::uint64_t>(c.unicode() - u'0');
  if (!fracDigits.isEmpty()) {
    const int first = fracDigits[0].unicode() - u'0';
    bool tail = false;
    for (qsizetype k = 1; k < fracDigits.size(); ++k) tail |= fracDigits[k] != u'0';
    if (first > 5 || (first == 5 && (tail || m % 2 == 1))) ++m;
  }
  if (m > static_cast<std::uint64_t>(INT64_MAX)) {
    r.huge = true;
    return r;
  }
  r.value = negative ? -static_cast<std::int64_t>(m) : static_cast<std::int64_t>(m);
  return r;
}

// Checks parseDecimal(text, min, max) against the reference. Values of 10^18
// and more are documented as beyond every stored range: there only a wrong
// accepted value is a fault, not a refusal.
void checkDecimal(const QString& text, std::int64_t min, std::int64_t max) {
  const auto got = rt::parseDecimal(text, min, max);
  const auto want = referenceDecimal(text);
  const auto what = [&] { return QStringLiteral("parseDecimal(%1, %2, %3)").arg(quoted(text)).arg(min).arg(max); };
  constexpr std::int64_t kBeyondStored = 1000000000000000000LL;
  if (!got) {
    FUZZ_CHECK(!got.message().isEmpty(), what() + QStringLiteral(" refused without a message"));
    const bool inRange = want && !want->huge && want->value >= min && want->value <= max;
    const bool beyond = want && (want->huge || want->value >= kBeyondStored || want->value <= -kBeyondStored);
    FUZZ_CHECK(!inRange || beyond,
               what() + QStringLiteral(" refused a value in range: %1").arg(want ? want->value : 0));
    return;
  }
  FUZZ_CHECK(*got >= min && *got <= max, what() + QStringLiteral(" gave %1, out of range").arg(*got));
  FUZZ_CHECK(want && !want->huge, what() + QStringLiteral(" accepted a text that is not a decimal number in range"));
  FUZZ_CHECK(want->value == *got, what() + QStringLiteral(" gave %1; the text reads as %2").arg(*got).arg(want->value));
  const auto again = rt::parseDecimal(QString::number(*got), min, max);
  FUZZ_CHECK(again && *again == *got, what() + QStringLiteral(" does not read back from its own text"));
}

// A fixed-range parser must agree with parseDecimal over its range (and the
// stored value of a signed byte is n + 256 for a negative n).
template <typename Parse>
void checkFixed(const char* name, Parse parse, const QString& text, std::int64_t min, std::int64_t max) {
  const auto got = parse(text);
  const auto general = rt::parseDecimal(text, min, max);
  const auto what = [&] { return QStringLiteral("%1(%2)").arg(QLatin1String(name), quoted(text)); };
  FUZZ_CHECK(bool(got) == bool(general), what() + QStringLiteral(" disagrees with parseDecimal on acceptance"));
  if (!got) {
    FUZZ_CHECK(!got.message().isEmpty(), what() + QStringLiteral(" refused without a message"));
    return;
  }
  FUZZ_CHECK(static_cast<std::int64_t>(*got) >= min && static_cast<std::int64_t>(*got) <= max,
             what() + QStringLiteral(" gave %1, out of range").arg(*got));
  FUZZ_CHECK(static_cast<std::int64_t>(*got) == *general, what() + QStringLiteral(" gave %1, parseDecimal %2").arg(*got).arg(*general));
  const auto again = parse(QString::number(*got));
  FUZZ_CHECK(again && *again == *got, what() + QStringLiteral(" does not read back from its own text"));
}

void checkSignedByte(const QString& text) {
  const auto got = rt::parseSignedByte(text);
  const auto typed = rt::parseDecimal(text, -256, 255);
  const auto what = [&] { return QStringLiteral("parseSignedByte(%1)").arg(quoted(text)); };
  // A typed number below zero (even one that rounds to 0) is stored as n + 256.
  const QStringView t = QStringView(text).trimmed();
  bool belowZero = t.startsWith(u'-');
  if (belowZero) {
    belowZero = false;
    for (QChar c : t) belowZero |= c >= u'1' && c <= u'9';
  }
  const std::int64_t stored = typed ? (belowZero ? *typed + 256 : *typed) : -1;
  const bool fits = typed && stored >= 0 && stored <= 255;
  FUZZ_CHECK(bool(got) == fits, what() + QStringLiteral(" accepts or rejects unlike n (+ 256 when below zero)"));
  if (!got) return;
  FUZZ_CHECK(*got == stored, what() + QStringLiteral(" stores %1 for %2").arg(*got).arg(stored));
  // What the form shows for the stored byte reads back to the same byte.
  const int shown = rt::signedByteValue(*got);
  FUZZ_CHECK(shown >= -128 && shown <= 127, what() + QStringLiteral(" shows as %1").arg(shown));
  const auto again = rt::parseSignedByte(QString::number(shown));
  FUZZ_CHECK(again && *again == *got, what() + QStringLiteral(" does not read back from its shown text"));
}

void checkHexWord(const QString& text) {
  const auto got = rt::parseHexWord(text);
  const auto what = [&] { return QStringLiteral("parseHexWord(%1)").arg(quoted(text)); };
  const QStringView t = QStringView(text).trimmed();
  bool hexDigits = !t.isEmpty() && t.size() <= 4;
  int value = 0;
  for (qsizetype i = 0; hexDigits && i < t.size(); ++i) {
    const QChar c = t[i];
    const int d = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
    if (c.unicode() > 0x7F || d < 0) hexDigits = false;
    else value = value * 16 + d;
  }
  FUZZ_CHECK(bool(got) == hexDigits, what() + QStringLiteral(" acceptance is wrong"));
  if (!got) {
    FUZZ_CHECK(!got.message().isEmpty(), what() + QStringLiteral(" refused without a message"));
    return;
  }
  FUZZ_CHECK(*got == value && *got >= 0 && *got <= 0xFFFF, what() + QStringLiteral(" gave %1").arg(*got));
  const QString shown = rt::hexText(*got);
  FUZZ_CHECK(shown.size() >= 1 && shown.size() <= 4 && shown == shown.toUpper(),
             what() + QStringLiteral(" shows as %1").arg(quoted(shown)));
  const auto again = rt::parseHexWord(shown);
  FUZZ_CHECK(again && *again == *got, what() + QStringLiteral(" does not read back from %1").arg(shown));
}

// A range for parseDecimal: mostly around the ones fields use, sometimes any.
std::int64_t boundFrom(std::uint64_t raw) {
  switch (raw & 3) {
    case 0: return static_cast<std::int64_t>(raw >> 2) % 70000 - 300;
    case 1: return static_cast<std::int32_t>(raw >> 2);
    default: return static_cast<std::int64_t>(raw);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::FuzzInput in(data, size);
  const int decoding = in.byte() % 3;
  std::int64_t min = boundFrom(in.u64());
  std::int64_t max = boundFrom(in.u64());
  const QByteArray raw = in.rest();
  QString text;
  switch (decoding) {
    case 0: text = QString::fromUtf8(raw); break;
    case 1: text = QString::fromLatin1(raw); break;
    default:
      text = QString(reinterpret_cast<const QChar*>(raw.constData()), raw.size() / 2);
      break;
  }

  checkDecimal(text, min, max);
  if (min > max) std::swap(min, max);
  checkDecimal(text, min, max);
  checkFixed("parseByte", rt::parseByte, text, 0, 255);
  checkFixed("parseWord", rt::parseWord, text, 0, 65535);
  checkFixed("parseInt32", rt::parseInt32, text, INT32_MIN, INT32_MAX);
  checkSignedByte(text);
  checkHexWord(text);
  return 0;
}
