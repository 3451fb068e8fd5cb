#include "core/name_list.h"

#include <QDir>
#include <QFile>
#include <QStringView>

#include <cstddef>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <iconv.h>
#endif

namespace rt {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

// Strict UTF-8 check (RFC 3629): rejects overlong forms, surrogates, code points
// above U+10FFFF and sequences cut off by the end of the data. A lenient check
// would take many Big5 files for UTF-8 and show them as replacement characters.
bool isValidUtf8(const unsigned char* p, std::size_t n) {
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    unsigned char lo = 0x80;  // allowed range of the second byte
    unsigned char hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
      len = 2;
    } else if (c == 0xE0) {
      len = 3;
      lo = 0xA0;  // below: overlong
    } else if (c == 0xED) {
      len = 3;
      hi = 0x9F;  // above: UTF-16 surrogates
    } else if (c >= 0xE1 && c <= 0xEF) {
      len = 3;
    } else if (c == 0xF0) {
      len = 4;
      lo = 0x90;  // below: overlong
    } else if (c >= 0xF1 && c <= 0xF3) {
      len = 4;
    } else if (c == 0xF4) {
      len = 4;
      hi = 0x8F;  // above: beyond U+10FFFF
    } else {
      return false;  // stray continuation byte, C0/C1 overlong lead, F5..FF
    }
    if (n - i < len) return false;
    if (p[i + 1] < lo || p[i + 1] > hi) return false;
    for (std::size_t k = 2; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
    }
    i += len;
  }
  return true;
}

// Big5 double-byte codes: lead 81..FE, trail 40..7E or A1..FE.
bool isBig5Lead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }
bool isBig5Trail(unsigned char c) {
  return (c >= 0x40 && c <= 0x7E) || (c >= 0xA1 && c <= 0xFE);
}

// Bytes to drop after an undecodable position: a whole double-byte code when the
// pair is well formed but unassigned, otherwise only the bad byte, so that a
// stray lead byte in front of a comma or line end does not swallow the delimiter.
std::size_t badSequenceLength(const unsigned char* p, std::size_t left) {
  if (left >= 2 && isBig5Lead(p[0]) && isBig5Trail(p[1])) return 2;
  return 1;
}

#ifdef _WIN32

QString decodeCp950(const QByteArray& bytes) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
  const auto n = static_cast<std::size_t>(bytes.size());
  QString out;
  if (n == 0) return out;

  // Fast path: the whole file converts cleanly.
  const int wanted = MultiByteToWideChar(950, MB_ERR_INVALID_CHARS, bytes.constData(),
                                         static_cast<int>(n), nullptr, 0);
  if (wanted > 0) {
    out.resize(wanted);
    MultiByteToWideChar(950, MB_ERR_INVALID_CHARS, bytes.constData(), static_cast<int>(n),
                        reinterpret_cast<wchar_t*>(out.data()), wanted);
    return out;
  }

  // Some code does not convert: go code by code so that only the bad ones are
  // replaced. MB_ERR_INVALID_CHARS makes the whole call fail on any bad input.
  out.reserve(static_cast<qsizetype>(n));
  std::size_t i = 0;
  while (i < n) {
    if (p[i] < 0x80) {
      out.append(QChar(static_cast<char16_t>(p[i])));
      ++i;
      continue;
    }
    const std::size_t len = (i + 1 < n && isBig5Lead(p[i]) && isBig5Trail(p[i + 1])) ? 2 : 1;
    wchar_t wide[2] = {};
    const int got = MultiByteToWideChar(950, MB_ERR_INVALID_CHARS,
                                        reinterpret_cast<const char*>(p + i),
                                        static_cast<int>(len), wide, 2);
    if (got > 0) {
      out.append(reinterpret_cast<const QChar*>(wide), got);
    } else {
      out.append(QChar(kReplacement));
    }
    i += len;
  }
  return out;
}

#else

// glibc's CP950 is an alias of its BIG5 converter.
QString decodeCp950(const QByteArray& bytes) {
  const auto n = static_cast<std::size_t>(bytes.size());
  if (n == 0) return QString();

  iconv_t cd = iconv_open("UTF-8", "CP950");
  if (cd == reinterpret_cast<iconv_t>(-1)) cd = iconv_open("UTF-8", "BIG5");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    // No converter on this system: keep what is plain ASCII readable.
    QString out;
    out.reserve(static_cast<qsizetype>(n));
    for (const char c : bytes) {
      const auto b = static_cast<unsigned char>(c);
      out.append(b < 0x80 ? QChar(static_cast<char16_t>(b)) : QChar(kReplacement));
    }
    return out;
  }

  // Decoded Big5 takes at most two UTF-8 bytes per input byte; a replacement
  // character (3 bytes) may stand for a single bad byte, hence the growth below.
  QByteArray utf8(static_cast<qsizetype>(2 * n + 16), Qt::Uninitialized);
  std::size_t used = 0;
  char* in = const_cast<char*>(bytes.constData());  // iconv takes char** but does not write
  std::size_t inLeft = n;

  auto grow = [&utf8]() { utf8.resize(utf8.size() * 2); };

  while (inLeft > 0) {
    char* outPtr = utf8.data() + used;
    std::size_t outLeft = static_cast<std::size_t>(utf8.size()) - used;
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    used = static_cast<std::size_t>(outPtr - utf8.data());
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno == E2BIG) {
      grow();
      continue;
    }
    // EILSEQ (no such code) or EINVAL (cut off at the end): replace and move on.
    // Every pass through here consumes at least one byte, so the loop ends.
    if (static_cast<std::size_t>(utf8.size()) - used < 3) grow();
    utf8[used++] = static_cast<char>(0xEF);
    utf8[used++] = static_cast<char>(0xBF);
    utf8[used++] = static_cast<char>(0xBD);
    const std::size_t skip =
        badSequenceLength(reinterpret_cast<const unsigned char*>(in), inLeft);
    in += skip;
    inLeft -= skip;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);  // back to the initial state
  }
  iconv_close(cd);
  return QString::fromUtf8(utf8.constData(), static_cast<qsizetype>(used));
}

#endif

// Code page 950 has no kana of its own; the ETEN extension's kana (Big5
// C6DA..C7F2) come out as private-use code points. glibc's BIG5/CP950 gives the
// same ones as the Windows converter, in the ETEN order:
//   C6DA..C6DD -> U+F6EA..U+F6ED  iteration marks  ヽ ヾ ゝ ゞ
//   C6E3       -> U+F6F3          prolonged sound mark ー
//   C6E7..C77A -> U+F6F7..U+F749  hiragana ぁ..ん (U+3041..U+3093)
//   C77B..C7F2 -> U+F74A..U+F79F  katakana ァ..ヶ (U+30A1..U+30F6)
// e.g. C7DB -> U+F788 = ミ, C7E5 -> U+F792 = ラ (checked against glibc's
// BIG5-HKSCS, which maps the same bytes straight to standard kana). Names in
// these lists are largely katakana, so they are shown as real kana. Applied to
// any decoded text, since old lists converted to UTF-8 still carry them.
char16_t standardKana(char16_t c) {
  if (c >= 0xF74A && c <= 0xF79F) return static_cast<char16_t>(0x30A1 + (c - 0xF74A));
  if (c >= 0xF6F7 && c <= 0xF749) return static_cast<char16_t>(0x3041 + (c - 0xF6F7));
  switch (c) {
    case 0xF6F3: return 0x30FC;
    case 0xF6EA: return 0x30FD;
    case 0xF6EB: return 0x30FE;
    case 0xF6EC: return 0x309D;
    case 0xF6ED: return 0x309E;
    default: return c;
  }
}

bool isEtenKana(char16_t c) { return c >= 0xF6EA && c <= 0xF79F && standardKana(c) != c; }

void mapEtenKana(QString& text) {
  const QStringView view(text);
  qsizetype first = -1;
  for (qsizetype i = 0; i < view.size(); ++i) {
    if (isEtenKana(view[i].unicode())) {
      first = i;
      break;
    }
  }
  if (first < 0) return;  // the common case: no detach, no write
  QChar* d = text.data();
  for (qsizetype i = first; i < text.size(); ++i) {
    d[i] = QChar(standardKana(d[i].unicode()));
  }
}

bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool isBlank(QChar c) { return c == u' ' || c == u'\t'; }
bool isDelimiter(QChar c) { return c == u',' || c == u'\n' || c == u'\r'; }

// An unquoted item that reads as a plain decimal number ([+-]digits[.digits],
// at least one digit) in its shortest form: "007" -> "7", "-0" -> "0",
// "1.50" -> "1.5", ".5" -> "0.5". Anything else is returned unchanged.
QString plainNumber(QStringView item) {
  qsizetype i = 0;
  bool negative = false;
  if (i < item.size() && (item[i] == u'+' || item[i] == u'-')) {
    negative = item[i] == u'-';
    ++i;
  }
  const qsizetype intBegin = i;
  while (i < item.size() && isAsciiDigit(item[i])) ++i;
  const qsizetype intEnd = i;
  qsizetype fracBegin = i;
  qsizetype fracEnd = i;
  if (i < item.size() && item[i] == u'.') {
    ++i;
    fracBegin = i;
    while (i < item.size() && isAsciiDigit(item[i])) ++i;
    fracEnd = i;
  }
  if (i != item.size() || (intEnd == intBegin && fracEnd == fracBegin)) {
    return item.toString();
  }

  qsizetype a = intBegin;
  while (a < intEnd && item[a] == u'0') ++a;
  qsizetype b = fracEnd;
  while (b > fracBegin && item[b - 1] == u'0') --b;
  const QStringView intDigits = item.sliced(a, intEnd - a);
  const QStringView fracDigits = item.sliced(fracBegin, b - fracBegin);

  QString out;
  out.reserve(intDigits.size() + fracDigits.size() + 3);
  if (negative && (!intDigits.isEmpty() || !fracDigits.isEmpty())) out.append(u'-');
  if (intDigits.isEmpty()) {
    out.append(u'0');
  } else {
    out.append(intDigits);
  }
  if (!fracDigits.isEmpty()) {
    out.append(u'.');
    out.append(fracDigits);
  }
  return out;
}

QString itemCountPhrase(int n) {
  return n == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(n);
}

QString firstItemsPhrase(int n) {
  return n == 1 ? QStringLiteral("its first item") : QStringLiteral("its first %1 items").arg(n);
}

}  // namespace

QString decodeNameListBytes(const QByteArray& bytes) {
  QString text;
  if (bytes.startsWith("\xEF\xBB\xBF")) {
    // A BOM is an explicit UTF-8 declaration: broken sequences after it become
    // replacement characters rather than sending the file to the Big5 decoder.
    text = QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
  } else if (isValidUtf8(reinterpret_cast<const unsigned char*>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size()))) {
    text = QString::fromUtf8(bytes);
  } else {
    text = decodeCp950(bytes);
  }
  mapEtenKana(text);
  return text;
}

QStringList splitNameListItems(const QString& text, int maxItems, ItemStyle style) {
  QStringList items;
  if (maxItems == 0) return items;
  if (maxItems > 0) items.reserve(maxItems);

  const QStringView view(text);
  const qsizetype n = view.size();
  qsizetype pos = 0;
  // A comma always opens another item, even at the very end of the text; a line
  // end opens one only if something (even an empty line) follows it.
  bool afterComma = false;

  while ((pos < n || afterComma) && (maxItems < 0 || items.size() < maxItems)) {
    afterComma = false;
    while (pos < n && isBlank(view[pos])) ++pos;

    if (pos < n && view[pos] == u'"') {
      const qsizetype begin = pos + 1;
      qsizetype end = view.indexOf(u'"', begin);
      if (end < 0) end = n;  // unterminated: the rest of the file
      items.append(view.sliced(begin, end - begin).toString());
      pos = end < n ? end + 1 : n;
      // Whatever follows the closing quote up to the delimiter is not part of it.
      while (pos < n && !isDelimiter(view[pos])) ++pos;
    } else {
      const qsizetype begin = pos;
      while (pos < n && !isDelimiter(view[pos])) ++pos;
      qsizetype end = pos;
      while (end > begin && isBlank(view[end - 1])) --end;
      const QStringView item = view.sliced(begin, end - begin);
      items.append(style == ItemStyle::Numeric ? plainNumber(item) : item.toString());
    }

    if (pos >= n) break;
    if (view[pos] == u',') {
      ++pos;
      afterComma = true;
    } else if (view[pos] == u'\r') {
      ++pos;
      if (pos < n && view[pos] == u'\n') ++pos;
    } else {
      ++pos;  // '\n'
    }
  }
  return items;
}

Result<QStringList> loadNameList(const QString& dir, const QString& fileName, int count,
                                 ItemStyle style) {
  if (count < 0) {
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\": %2 is not a number of items.").arg(fileName).arg(count));
  }
  if (count == 0) return QStringList();

  const QString where = QDir::toNativeSeparators(dir);
  QFile file(QDir(dir).filePath(fileName));
  if (!file.exists()) {
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\" was not found in %2. This form needs %3.")
            .arg(fileName, where, firstItemsPhrase(count)));
  }
  if (!file.open(QIODevice::ReadOnly)) {
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\" in %2 could not be read: %3. This form needs %4.")
            .arg(fileName, where, file.errorString(), firstItemsPhrase(count)));
  }
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) {
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\" in %2 could not be read: %3. This form needs %4.")
            .arg(fileName, where, file.errorString(), firstItemsPhrase(count)));
  }
  file.close();

  QStringList items = splitNameListItems(decodeNameListBytes(bytes), count, style);
  if (items.size() < count) {
    const QString held = items.isEmpty() ? QStringLiteral("holds no items")
                                         : QStringLiteral("holds only %1")
                                               .arg(itemCountPhrase(static_cast<int>(items.size())));
    return Result<QStringList>::failure(QStringLiteral("Name list \"%1\" %2; this form needs %3.")
                                            .arg(fileName, held, QString::number(count)));
  }
  return items;
}

}  // namespace rt
