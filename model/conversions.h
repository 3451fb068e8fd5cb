#pragma once
// Checked conversions between the text of a control and a stored number.
// Text is trimmed; a fraction is rounded to the nearest integer, halves to the
// even neighbour ("2.5" -> 2, "3.5" -> 4); nothing depends on the locale.
// Failures carry a message without the field's caption, which the caller adds:
// "'12a' is not a whole number from 0 to 255".

#include "image/result.h"

#include <QString>
#include <QStringView>

#include <cstdint>

namespace rt {

// A decimal number rounded half to even and checked against [min, max].
Result<std::int64_t> parseDecimal(QStringView text, std::int64_t min, std::int64_t max);

Result<int> parseByte(QStringView text);          // 0..255
Result<int> parseWord(QStringView text);          // 0..65535
Result<std::int32_t> parseInt32(QStringView text);  // -2147483648..2147483647
// A signed byte is typed as -256..255; a negative n is stored as n + 256.
Result<int> parseSignedByte(QStringView text);
// A hexadecimal word, 1 to 4 digits, either letter case ("1a", "FFFF").
Result<int> parseHexWord(QStringView text);

// A stored byte shown as signed: b above 127 shows as b - 256.
inline int signedByteValue(int byte) { return byte > 127 ? byte - 256 : byte; }
// Upper-case hexadecimal without leading zeros ("1A", "FFFF", "0").
QString hexText(int value);
// Decimal, as QString::number writes it ("-12", "65535").
QString decimalText(std::int64_t value);

// A value as messages echo it: in single quotes, control characters escaped
// ("\n", "\x00"), cut at 80 characters with an ellipsis, so a huge or binary
// value never floods the terminal.
QString quotedValue(QStringView text);

}  // namespace rt
