// Name lists: any bytes decode to well-formed text with no private-use kana
// left, and bytes that do not decode are reported with a line; splitting
// honours the item limit and reading k items gives the first k of reading them
// all; the parser and the file reader give exactly the items asked for or a
// message, never a short list, and never accept undecodable bytes, a NUL or a
// quote that does not close on its line.
//
// Input: 1 byte the item limit, 1 byte the style, the rest is the file.

#include "model/name_list.h"
#include "fuzz/fuzz_support.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

namespace {

using rt::fuzz::quoted;

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// An ETEN private-use kana that the decoder must have replaced by standard kana.
bool isLeftoverKana(char16_t c) {
  return c == 0xF6F3 || (c >= 0xF6EA && c <= 0xF6ED) || (c >= 0xF6F7 && c <= 0xF79F);
}

// The shortest form a numeric item takes: -?digits(.digits)?, no leading zero
// before another digit, no trailing zero after the point, no "-0".
bool isPlainNumber(const QString& s) {
  qsizetype i = 0;
  if (i < s.size() && s[i] == u'-') ++i;
  const qsizetype intBegin = i;
  while (i < s.size() && isAsciiDigit(s[i])) ++i;
  if (i == intBegin) return false;
  if (i - intBegin > 1 && s[intBegin] == u'0') return false;
  if (i < s.size()) {
    if (s[i] != u'.') return false;
    const qsizetype fracBegin = ++i;
    while (i < s.size() && isAsciiDigit(s[i])) ++i;
    if (i != s.size() || i == fracBegin || s[i - 1] == u'0') return false;
  }
  if (s[0] == u'-' && (s == QLatin1String("-0"))) return false;
  return true;
}

// The value of a plain decimal text, as digits without sign, point or padding
// zeros, so "007.50" and "7.5" compare equal.
QString numberKey(QStringView s) {
  s = s.trimmed();
  bool negative = false;
  if (!s.isEmpty() && (s[0] == u'-' || s[0] == u'+')) {
    negative = s[0] == u'-';
    s = s.mid(1);
  }
  const qsizetype point = s.indexOf(u'.');
  QString intPart = (point < 0 ? s : s.left(point)).toString();
  QString fracPart = point < 0 ? QString() : s.mid(point + 1).toString();
  while (!intPart.isEmpty() && intPart[0] == u'0') intPart.remove(0, 1);
  while (!fracPart.isEmpty() && fracPart.back() == u'0') fracPart.chop(1);
  const bool zero = intPart.isEmpty() && fracPart.isEmpty();
  return (negative && !zero ? QStringLiteral("-") : QString()) + intPart + QStringLiteral(".") + fracPart;
}

// Lines of a text: LF, CRLF and a lone CR each end one.
qsizetype lineCount(const QString& text) {
  qsizetype lines = 1;
  for (qsizetype i = 0; i < text.size(); ++i)
    lines += text[i] == u'\n' || (text[i] == u'\r' && (i + 1 == text.size() || text[i + 1] != u'\n'));
  return lines;
}

// `text` is `reference` with only private-use kana turned into standard kana.
void checkSameText(const QByteArray& bytes, const QString& reference, const QString& text) {
  FUZZ_CHECK(text.size() == reference.size(),
             QStringLiteral("bytes %1 decoded to %2").arg(rt::fuzz::hexBytes(bytes), quoted(text)));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t from = reference[i].unicode();
    const char16_t to = text[i].unicode();
    FUZZ_CHECK(from == to || (isLeftoverKana(from) && to >= 0x3041 && to <= 0x30FE),
               QStringLiteral("bytes %1: U+%2 became U+%3")
                   .arg(rt::fuzz::hexBytes(bytes))
                   .arg(static_cast<int>(from), 4, 16, QLatin1Char('0'))
                   .arg(static_cast<int>(to), 4, 16, QLatin1Char('0')));
  }
}

void checkDecoded(const QByteArray& bytes, const rt::DecodedNameList& decoded) {
  const QString& text = decoded.text;
  FUZZ_CHECK(rt::fuzz::isWellFormedUtf16(text),
             QStringLiteral("decoding %1 left an unpaired surrogate").arg(rt::fuzz::hexBytes(bytes)));
  for (const QChar c : text)
    FUZZ_CHECK(!isLeftoverKana(c.unicode()),
               QStringLiteral("decoding %1 left private-use kana U+%2")
                   .arg(rt::fuzz::hexBytes(bytes))
                   .arg(static_cast<int>(c.unicode()), 4, 16, QLatin1Char('0')));
  FUZZ_CHECK(decoded.badLine >= 0 && decoded.badLine <= lineCount(text),
             QStringLiteral("bad line %1 of a text of %2 lines").arg(decoded.badLine).arg(lineCount(text)));
  // Bytes that are UTF-8 (they survive a round trip), or follow a BOM, decode
  // as UTF-8, with only the private-use kana turned into standard kana; after
  // a BOM, exactly the bytes that are not UTF-8 are reported.
  const bool bom = bytes.startsWith("\xEF\xBB\xBF");
  const QByteArray body = bom ? bytes.mid(3) : bytes;
  const QString utf8 = QString::fromUtf8(body);  // drops a second BOM, as the reader does
  QStringDecoder keepBom(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
  const bool isUtf8 = QString(keepBom(body)).toUtf8() == body;
  if (bom || isUtf8) {
    checkSameText(bytes, utf8, text);
    FUZZ_CHECK((decoded.badLine > 0) == !isUtf8,
               QStringLiteral("UTF-8 bytes %1 reported on line %2").arg(rt::fuzz::hexBytes(bytes)).arg(decoded.badLine));
  }
  // After a UTF-16 BOM, the code units; reported when one is unpaired or a byte is left over.
  const bool le = !bom && bytes.startsWith("\xFF\xFE");
  const bool be = !bom && bytes.startsWith("\xFE\xFF");
  if (le || be) {
    const QByteArray units = bytes.mid(2);
    QStringDecoder decoder(le ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                           QStringConverter::Flag::ConvertInitialBom);
    const QString utf16 = decoder(units);
    const bool wellFormed = units.size() % 2 == 0 && rt::fuzz::isWellFormedUtf16(utf16);
    FUZZ_CHECK((decoded.badLine > 0) == !wellFormed,
               QStringLiteral("UTF-16 bytes %1 reported on line %2").arg(rt::fuzz::hexBytes(bytes)).arg(decoded.badLine));
    if (wellFormed) checkSameText(bytes, utf16, text);
  }
  // Read as Big5, a replacement character stands for bytes that did not decode.
  if (decoded.encoding == rt::NameListEncoding::Cp950)
    FUZZ_CHECK((decoded.badLine > 0) == text.contains(QChar(0xFFFD)),
               QStringLiteral("Big5 bytes %1 reported on line %2").arg(rt::fuzz::hexBytes(bytes)).arg(decoded.badLine));
  // ASCII-only bytes are the same in every encoding the reader accepts.
  bool ascii = true;
  for (const char b : bytes) ascii &= static_cast<unsigned char>(b) < 0x80;
  if (ascii)
    FUZZ_CHECK(text == QString::fromLatin1(bytes),
               QStringLiteral("ASCII bytes %1 decoded to %2").arg(rt::fuzz::hexBytes(bytes), quoted(text)));
}

void checkSplit(const QString& text, int limit, rt::ItemStyle style) {
  const QStringList all = rt::splitNameListItems(text, -1, style);
  const QStringList some = rt::splitNameListItems(text, limit, style);
  FUZZ_CHECK(limit < 0 || some.size() <= limit,
             QStringLiteral("%1 items returned with a limit of %2").arg(some.size()).arg(limit));
  FUZZ_CHECK(some == all.mid(0, limit < 0 ? all.size() : limit),
             QStringLiteral("the first %1 items differ from a full read of %2").arg(limit).arg(quoted(text)));

  // Every item ends at a delimiter, so there are at most delimiters + 1 of them.
  qsizetype delimiters = 0;
  for (const QChar c : text) delimiters += c == u',' || c == u'\n' || c == u'\r';
  FUZZ_CHECK(all.size() <= delimiters + 1, QStringLiteral("%1 items from %2 delimiters").arg(all.size()).arg(delimiters));
  for (const QString& item : all) {
    // Only a quoted item holds a delimiter, and a quoted item holds no quote.
    const bool hasDelimiter = item.contains(u',') || item.contains(u'\n') || item.contains(u'\r');
    FUZZ_CHECK(!hasDelimiter || !item.contains(u'"'), QStringLiteral("item %1 holds a delimiter outside quotes").arg(quoted(item)));
  }

  if (style == rt::ItemStyle::Numeric) {
    // The numeric style splits the same way and only rewrites numbers to their
    // plain form, keeping their value.
    const QStringList asText = rt::splitNameListItems(text, -1, rt::ItemStyle::Text);
    FUZZ_CHECK(asText.size() == all.size(), QStringLiteral("the numeric style splits %1 differently").arg(quoted(text)));
    for (qsizetype i = 0; i < all.size(); ++i) {
      if (all[i] == asText[i]) continue;
      FUZZ_CHECK(isPlainNumber(all[i]),
                 QStringLiteral("item %1 became %2, not a plain number").arg(quoted(asText[i]), quoted(all[i])));
      FUZZ_CHECK(numberKey(all[i]) == numberKey(asText[i]),
                 QStringLiteral("item %1 became %2, another value").arg(quoted(asText[i]), quoted(all[i])));
    }
  }
}

void checkLoad(const QByteArray& bytes, const rt::DecodedNameList& decoded, int count, rt::ItemStyle style) {
  const QString dir = rt::fuzz::scratchDir();
  const QString name = QStringLiteral("list.txt");
  QFile file(QDir(dir).filePath(name));
  FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate), file.errorString());
  FUZZ_CHECK(file.write(bytes) == bytes.size(), file.errorString());
  file.close();

  // The file reader is the parser on the file's bytes (and needs no file for 0 items).
  const auto parsed = rt::parseNameList(bytes, name, count, style);
  const auto loaded = rt::loadNameList(dir, name, count, style);
  if (count == 0) {
    FUZZ_CHECK(loaded && loaded->isEmpty(), QStringLiteral("0 items were not read as none: ") + loaded.message());
  } else {
    FUZZ_CHECK(loaded.isOk() == parsed.isOk() && (loaded ? *loaded == *parsed : loaded.message() == parsed.message()),
               QStringLiteral("the file reader and the parser disagree: %1 / %2").arg(loaded.message(), parsed.message()));
  }
  if (count < 0) {
    FUZZ_CHECK(!parsed, QStringLiteral("a negative count of %1 was accepted").arg(count));
    return;
  }

  const QString& text = decoded.text;
  const QStringList all = rt::splitNameListItems(text, -1, style);
  const bool clean = decoded.badLine == 0 && !text.contains(QChar(u'\0'));
  if (!parsed) {
    FUZZ_CHECK(parsed.message().contains(QStringLiteral("\"%1\"").arg(name)),
               QStringLiteral("the message does not name the file: ") + parsed.message());
    FUZZ_CHECK(clean || parsed.message().contains(QStringLiteral(" line ")),
               QStringLiteral("bytes that are not text refused without a line: ") + parsed.message());
    FUZZ_CHECK(!clean || text.contains(u'"') || all.size() < count,
               QStringLiteral("a list of %1 items and no quote was refused for %2: %3").arg(all.size()).arg(count).arg(parsed.message()));
    return;
  }
  FUZZ_CHECK(clean, QStringLiteral("bytes that are not text were accepted: ") + rt::fuzz::hexBytes(bytes));
  FUZZ_CHECK(parsed->size() == count && *parsed == all.mid(0, count),
             QStringLiteral("reading %1 items gave %2 other items").arg(count).arg(parsed->size()));
  // Accepted, so every quote closes on its own line: no item holds a line end,
  // and a line end after the last item changes nothing.
  for (const QString& item : all)
    FUZZ_CHECK(!item.contains(u'\n') && !item.contains(u'\r'), QStringLiteral("accepted item %1 spans lines").arg(quoted(item)));
  if (!text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r'))
    FUZZ_CHECK(rt::splitNameListItems(text + u'\n', -1, style) == all,
               QStringLiteral("accepted %1 ends inside a quote").arg(quoted(text)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::ensureApplication();
  rt::fuzz::FuzzInput in(data, size);
  const std::uint8_t limitByte = in.byte();
  // Mostly small limits, where cutting a list short happens; 255 stands for "all".
  const int limit = limitByte == 255 ? -1 : limitByte % 64;
  const std::uint8_t styleByte = in.byte();
  const rt::ItemStyle style = styleByte & 1 ? rt::ItemStyle::Numeric : rt::ItemStyle::Text;
  const QByteArray bytes = in.rest();

  const rt::DecodedNameList decoded = rt::decodeNameList(bytes);
  checkDecoded(bytes, decoded);
  FUZZ_CHECK(rt::decodeNameListBytes(bytes) == decoded.text, QStringLiteral("decoding is not repeatable"));
  checkSplit(decoded.text, limit, style);
  // The parser and the file reader with a count around what the file holds, sometimes negative.
  const int count = (styleByte & 2) ? limit : static_cast<int>(styleByte >> 2) - 4;
  checkLoad(bytes, decoded, count, style);
  return 0;
}
