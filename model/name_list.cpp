#include "model/name_list.h"

#include "image/file_layer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringView>

#include <algorithm>
#include <mutex>
#include <vector>
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
// Returns where the first bad sequence starts, or n when there is none.
std::size_t utf8ValidPrefix(const unsigned char* p, std::size_t n) {
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
      return i;  // stray continuation byte, C0/C1 overlong lead, F5..FF
    }
    if (n - i < len) return i;
    if (p[i + 1] < lo || p[i + 1] > hi) return i;
    for (std::size_t k = 2; k < len; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return i;
    }
    i += len;
  }
  return n;
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

// Both versions set `firstBad` to the offset of the first byte that does not
// decode, or leave it alone when every byte decodes.
#ifdef _WIN32

QString decodeCp950(const QByteArray& bytes, qsizetype& firstBad) {
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
      if (firstBad < 0) firstBad = static_cast<qsizetype>(i);
      out.append(QChar(kReplacement));
    }
    i += len;
  }
  return out;
}

#else

// glibc's CP950 is an alias of its BIG5 converter.
QString decodeCp950(const QByteArray& bytes, qsizetype& firstBad) {
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
      if (b >= 0x80 && firstBad < 0) firstBad = out.size();  // one byte per character so far
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
    if (firstBad < 0) firstBad = static_cast<qsizetype>(in - bytes.constData());
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

// UTF-16 code units after a byte-order mark. An unpaired surrogate, or a last
// byte without its pair, becomes U+FFFD and sets `firstBad` (an index of the
// result) if it is still unset.
QString decodeUtf16(const char* bytes, qsizetype n, bool bigEndian, qsizetype& firstBad) {
  const auto* p = reinterpret_cast<const unsigned char*>(bytes);
  const qsizetype units = n / 2;
  auto unit = [p, bigEndian](qsizetype k) {
    const unsigned a = p[2 * k];
    const unsigned b = p[2 * k + 1];
    return static_cast<char16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
  };
  QString out(units + (n % 2), Qt::Uninitialized);
  char16_t* d = reinterpret_cast<char16_t*>(out.data());
  auto bad = [&firstBad, d](qsizetype k) {
    if (firstBad < 0) firstBad = k;
    d[k] = kReplacement;
  };
  for (qsizetype k = 0; k < units; ++k) {
    const char16_t c = unit(k);
    if (QChar::isHighSurrogate(c) && k + 1 < units && QChar::isLowSurrogate(unit(k + 1))) {
      d[k] = c;
      d[k + 1] = unit(k + 1);
      ++k;
    } else if (QChar::isSurrogate(c)) {
      bad(k);
    } else {
      d[k] = c;
    }
  }
  if (n % 2) bad(units);
  return out;
}

// The 1-based physical line of position `at` (< size) of `p`: LF, CRLF and a
// lone CR each end a line, as each ends an item. Works on bytes (CR and LF are
// never part of a UTF-8 or Big5 code) as well as on decoded text.
template <typename Char>
int lineAt(const Char* p, qsizetype at) {
  int line = 1;
  for (qsizetype i = 0; i < at; ++i) {
    if (p[i] == Char('\n') || (p[i] == Char('\r') && p[i + 1] != Char('\n'))) ++line;
  }
  return line;
}

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

// One item of a list as the splitting rules find it.
struct ItemSpan {
  qsizetype begin = 0;  // the item's text is [begin, end)
  qsizetype end = 0;
  qsizetype quote = -1;  // where its opening quote stands; -1: unquoted
  bool closed = true;    // false: the quote runs to the end of the text
};

// Calls `visit(const ItemSpan&)` for every item of `view` in order until it
// returns false. The one place that knows where items start and end.
template <typename Visit>
void forEachItem(QStringView view, Visit&& visit) {
  const qsizetype n = view.size();
  qsizetype pos = 0;
  // A comma always opens another item, even at the very end of the text; a line
  // end opens one only if something (even an empty line) follows it.
  bool afterComma = false;

  while (pos < n || afterComma) {
    afterComma = false;
    while (pos < n && isBlank(view[pos])) ++pos;

    ItemSpan item;
    if (pos < n && view[pos] == u'"') {
      item.quote = pos;
      item.begin = pos + 1;
      const qsizetype close = view.indexOf(u'"', item.begin);
      item.closed = close >= 0;
      item.end = item.closed ? close : n;  // unterminated: the rest of the text
      pos = item.closed ? close + 1 : n;
      // Whatever follows the closing quote up to the delimiter is not part of it.
      while (pos < n && !isDelimiter(view[pos])) ++pos;
    } else {
      item.begin = pos;
      while (pos < n && !isDelimiter(view[pos])) ++pos;
      item.end = pos;
      while (item.end > item.begin && isBlank(view[item.end - 1])) --item.end;
    }
    if (!visit(item)) return;

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
}

QString itemText(QStringView view, const ItemSpan& item, ItemStyle style) {
  const QStringView text = view.sliced(item.begin, item.end - item.begin);
  return style == ItemStyle::Numeric && item.quote < 0 ? plainNumber(text) : text.toString();
}

QString encodingName(NameListEncoding e) {
  switch (e) {
    case NameListEncoding::Utf8:
    case NameListEncoding::Utf8Bom: return QStringLiteral("UTF-8");
    case NameListEncoding::Utf16LE:
    case NameListEncoding::Utf16BE: return QStringLiteral("UTF-16");
    case NameListEncoding::Cp950: return QStringLiteral("Big5");
  }
  return QString();
}

// Why decoded text is not a list, or an empty string.
QString textFault(const QString& fileName, const DecodedNameList& d) {
  const qsizetype nul = d.text.indexOf(QChar(u'\0'));
  const int nulLine = nul < 0 ? 0 : lineAt(d.text.utf16(), nul);
  if (d.badLine > 0 && (nulLine == 0 || d.badLine <= nulLine)) {
    const QString where = QStringLiteral("line %1 holds bytes that are not %2")
                              .arg(d.badLine)
                              .arg(encodingName(d.badIn));
    switch (d.badIn) {
      case NameListEncoding::Utf8:
      case NameListEncoding::Cp950:
        return QStringLiteral("Name list \"%1\" is neither UTF-8 nor Big5 (code page 950) text: %2.")
            .arg(fileName, where);
      default:
        return QStringLiteral("Name list \"%1\" is not the %2 text its byte-order mark declares: %3.")
            .arg(fileName, encodingName(d.badIn), where);
    }
  }
  if (nulLine > 0) {
    return QStringLiteral(
               "Name list \"%1\" holds a NUL character on line %2: it is not a text file, or it is "
               "UTF-16 without a byte-order mark.")
        .arg(fileName)
        .arg(nulLine);
  }
  return QString();
}

QString readFailure(const QString& fileName, const QString& where, const QString& why, int count) {
  return QStringLiteral("Name list \"%1\" in %2 could not be read: %3. This form needs %4.")
      .arg(fileName, where, why, firstItemsPhrase(count));
}

}  // namespace

DecodedNameList decodeNameList(const QByteArray& bytes) {
  DecodedNameList d;
  const char* p = bytes.constData();
  const qsizetype n = bytes.size();
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  auto utf8Bad = [u](qsizetype from, qsizetype to) {
    return static_cast<qsizetype>(utf8ValidPrefix(u + from, static_cast<std::size_t>(to - from))) + from;
  };

  if (bytes.startsWith("\xEF\xBB\xBF")) {
    // A BOM is an explicit UTF-8 declaration: broken sequences after it are
    // UTF-8 faults, not a reason to try Big5.
    d.encoding = d.badIn = NameListEncoding::Utf8Bom;
    d.text = QString::fromUtf8(p + 3, n - 3);
    const qsizetype bad = utf8Bad(3, n);
    if (bad < n) d.badLine = lineAt(p, bad);
  } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    const bool bigEndian = u[0] == 0xFE;
    d.encoding = d.badIn = bigEndian ? NameListEncoding::Utf16BE : NameListEncoding::Utf16LE;
    qsizetype bad = -1;
    d.text = decodeUtf16(p + 2, n - 2, bigEndian, bad);
    if (bad >= 0) d.badLine = lineAt(d.text.utf16(), bad);
  } else if (const qsizetype utf8Stop = utf8Bad(0, n); utf8Stop == n) {
    d.text = QString::fromUtf8(bytes);
  } else {
    d.encoding = NameListEncoding::Cp950;
    qsizetype big5Stop = -1;
    d.text = decodeCp950(bytes, big5Stop);
    if (big5Stop >= 0) {
      d.badIn = utf8Stop > big5Stop ? NameListEncoding::Utf8 : NameListEncoding::Cp950;
      d.badLine = lineAt(p, std::max(utf8Stop, big5Stop));
    }
  }
  mapEtenKana(d.text);
  return d;
}

QString decodeNameListBytes(const QByteArray& bytes) { return decodeNameList(bytes).text; }

QStringList splitNameListItems(const QString& text, int maxItems, ItemStyle style) {
  QStringList items;
  if (maxItems == 0) return items;
  if (maxItems > 0) items.reserve(maxItems);
  const QStringView view(text);
  forEachItem(view, [&](const ItemSpan& item) {
    items.append(itemText(view, item, style));
    return maxItems < 0 || items.size() < maxItems;
  });
  return items;
}

Result<QStringList> parseNameList(const QByteArray& bytes, const QString& fileName, int count,
                                  ItemStyle style) {
  if (count < 0) {
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\": %2 is not a number of items.").arg(fileName).arg(count));
  }
  const DecodedNameList decoded = decodeNameList(bytes);
  if (QString fault = textFault(fileName, decoded); !fault.isEmpty()) {
    return Result<QStringList>::failure(std::move(fault));
  }

  // The whole text is walked, past the items wanted, since a stray quote
  // anywhere means the file is not laid out as its writer thought.
  const QStringView view(decoded.text);
  QStringList items;
  items.reserve(count);
  ItemSpan stray;
  forEachItem(view, [&](const ItemSpan& item) {
    const QStringView text = view.sliced(item.begin, item.end - item.begin);
    if (item.quote >= 0 && (!item.closed || text.contains(u'\n') || text.contains(u'\r'))) {
      stray = item;
      return false;
    }
    if (items.size() < count) items.append(itemText(view, item, style));
    return true;
  });
  if (stray.quote >= 0) {
    const int opened = lineAt(view.utf16(), stray.quote);
    if (!stray.closed) {
      return Result<QStringList>::failure(
          QStringLiteral("Name list \"%1\": the quote opened on line %2 is never closed.")
              .arg(fileName)
              .arg(opened));
    }
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\": the quote opened on line %2 is closed only on line %3; "
                       "a quoted name must end on the line where it starts.")
            .arg(fileName)
            .arg(opened)
            .arg(lineAt(view.utf16(), stray.end)));
  }
  if (items.size() < count) {
    const QString held = items.isEmpty() ? QStringLiteral("holds no items")
                                         : QStringLiteral("holds only %1")
                                               .arg(itemCountPhrase(static_cast<int>(items.size())));
    return Result<QStringList>::failure(QStringLiteral("Name list \"%1\" %2; this form needs %3.")
                                            .arg(fileName, held, QString::number(count)));
  }
  return items;
}

namespace {

// Several tables show one list (the pilots' names in two, the units' in
// three): a list read again with the same bytes is given the items its first
// parse gave, a copy of a shared list. What the file holds is compared, not
// its times or size, so a list edited meanwhile is parsed anew; failures are
// not kept.
Result<QStringList> parsedOnce(const QByteArray& bytes, const QString& fileName, int count, ItemStyle style) {
  struct Parsed {
    QByteArray bytes;
    QString fileName;
    int count;
    ItemStyle style;
    QStringList items;
  };
  constexpr qsizetype kKeptBytes = 4 << 20;  // lists of a few KB; a large one is not kept
  static std::mutex mutex;
  static std::vector<Parsed> kept;
  static qsizetype keptBytes = 0;
  {
    const std::lock_guard lock(mutex);
    for (const Parsed& p : kept)
      if (p.count == count && p.style == style && p.bytes == bytes && p.fileName == fileName) return p.items;
  }
  auto items = parseNameList(bytes, fileName, count, style);
  if (items && bytes.size() <= kKeptBytes) {
    const std::lock_guard lock(mutex);
    if (keptBytes + bytes.size() > kKeptBytes) {
      kept.clear();
      keptBytes = 0;
    }
    kept.push_back({bytes, fileName, count, style, *items});
    keptBytes += bytes.size();
  }
  return items;
}

}  // namespace

Result<QStringList> loadNameList(const QString& dir, const QString& fileName, int count,
                                 ItemStyle style) {
  if (count < 0) return parseNameList(QByteArray(), fileName, count, style);
  if (count == 0) return QStringList();

  // A folder whose own name holds the separator (given with --names) is one folder.
  const QStringList folders = QFileInfo(dir).isDir() ? QStringList{dir} : dir.split(QDir::listSeparator(), Qt::SkipEmptyParts);
  QString path, where;
  for (const QString& folder : folders) {
    const QString candidate = QDir(folder).filePath(fileName);
    if (!QFile::exists(candidate)) continue;
    path = candidate;
    where = QDir::toNativeSeparators(folder);
    break;
  }
  if (path.isEmpty()) {
    QStringList searched;
    for (const QString& folder : folders) searched << QDir::toNativeSeparators(folder);
    const QString in = searched.size() <= 1 ? QDir::toNativeSeparators(dir)
                                            : searched.mid(0, searched.size() - 1).join(QStringLiteral(", ")) +
                                                  QStringLiteral(" or ") + searched.back();
    return Result<QStringList>::failure(
        QStringLiteral("Name list \"%1\" was not found in %2. This form needs %3.")
            .arg(fileName, in, firstItemsPhrase(count)));
  }
  // The file layer opens without blocking and refuses anything but a regular
  // file, so a FIFO or a device never hangs or floods the program.
  auto opened = systemFileLayer()->open(path, OpenMode::ReadOnly);
  if (!opened) return Result<QStringList>::failure(readFailure(fileName, where, opened.message(), count));
  RomFile& file = **opened;
  const std::int64_t size = file.size();
  if (size < 0) return Result<QStringList>::failure(readFailure(fileName, where, file.errorText(), count));
  const QString tooLarge = QStringLiteral("Name list \"%1\" in %2 is larger than %3 MiB. This form needs %4.")
                               .arg(fileName, where)
                               .arg(kMaxNameListBytes / (1024 * 1024))
                               .arg(firstItemsPhrase(count));
  if (size > kMaxNameListBytes) return Result<QStringList>::failure(tooLarge);

  // Read to the end, but never past one byte beyond the limit: the size seen
  // at the open may be stale (a growing file) or 0 (some system files).
  QByteArray bytes(static_cast<qsizetype>(size) + 1, Qt::Uninitialized);
  qsizetype got = 0;
  for (;;) {
    if (got == bytes.size()) {
      if (got > kMaxNameListBytes) return Result<QStringList>::failure(tooLarge);
      bytes.resize(std::min<qsizetype>(2 * got + 4096, kMaxNameListBytes + 1));
    }
    const std::int64_t done = file.readAt(got, bytes.data() + got, bytes.size() - got);
    if (done < 0) {
      if (file.interrupted()) continue;
      return Result<QStringList>::failure(readFailure(fileName, where, file.errorText(), count));
    }
    if (done == 0) break;
    got += static_cast<qsizetype>(done);
  }
  bytes.truncate(got);
  return parsedOnce(bytes, fileName, count, style);
}

QString nameListSearchPath(const QString& programDir, const QString& userDataDir) {
  QStringList folders{QDir::cleanPath(programDir)};
  if (!userDataDir.isEmpty()) folders << QDir::cleanPath(userDataDir + QStringLiteral("/names"));
  folders << QDir::cleanPath(programDir + QStringLiteral("/../share/romtables/names"));
  folders.removeDuplicates();
  return folders.join(QDir::listSeparator());
}

}  // namespace rt
