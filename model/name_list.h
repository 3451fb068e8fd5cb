#pragma once
// Name lists: the plain-text files beside the program that give every record and
// coded value its text. Items are separated by commas or line ends; an item that
// starts with a double quote runs to the closing quote and may hold commas.
// Files may be UTF-8 (with or without BOM), UTF-16 with a BOM, or legacy code
// page 950 (Big5); the latter's private-use kana are mapped to standard kana.

#include "image/result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace rt {

enum class ItemStyle {
  Text,     // every item as written
  Numeric,  // an unquoted item that reads as a number is shown in plain numeric form ("007" -> "7")
};

// A name list as a form loads it: `count` items after dropping `skip`.
struct NameListSource {
  QString file;
  int count = 0;
  int skip = 0;
  ItemStyle style = ItemStyle::Text;
  bool operator==(const NameListSource&) const = default;
};

enum class NameListEncoding { Utf8, Utf8Bom, Utf16LE, Utf16BE, Cp950 };

struct DecodedNameList {
  QString text;  // bytes that do not decode stand as U+FFFD
  NameListEncoding encoding = NameListEncoding::Utf8;  // the reading `text` comes from
  // The 1-based line of the first bytes that do not decode (0: all decode), and
  // the encoding they fail in. Bytes valid in neither UTF-8 nor code page 950
  // are placed by the reading that gets further, the likelier intent.
  int badLine = 0;
  NameListEncoding badIn = NameListEncoding::Utf8;
};

// Decodes the bytes of a list file: a byte-order mark decides (UTF-8, UTF-16 LE
// or BE); without one, valid UTF-8 is UTF-8 and anything else code page 950.
DecodedNameList decodeNameList(const QByteArray& bytes);

// decodeNameList(bytes).text.
QString decodeNameListBytes(const QByteArray& bytes);

// Splits decoded text into items by the list rules. Reads at most `maxItems` items
// (-1: all). CRLF and LF line ends are accepted.
QStringList splitNameListItems(const QString& text, int maxItems = -1,
                               ItemStyle style = ItemStyle::Text);

// The first `count` items of the bytes of list `fileName`, checked as a whole:
// bytes that do not decode, a NUL character, or a quote not closed on the line
// where it opens are refused, naming the file and that line (lines counted from
// 1; LF, CRLF and a lone CR each end one). So is a list of fewer than `count`
// items. Unlike splitNameListItems, which lets a quoted item run over line ends,
// this takes a quote that spans lines for a stray one: a name is one row.
Result<QStringList> parseNameList(const QByteArray& bytes, const QString& fileName, int count,
                                  ItemStyle style = ItemStyle::Text);

// The largest name list read, far beyond any real one.
inline constexpr qint64 kMaxNameListBytes = 16 * 1024 * 1024;

// Reads the first `count` items of `dir`/`fileName` with parseNameList. Only a
// regular file of at most kMaxNameListBytes is read; a FIFO or a device is
// refused without waiting on it. A missing, unreadable, too large or short file
// is an error naming the file and the number of items needed. `dir` may be a
// search path (folders joined by QDir::listSeparator()): each list is taken
// from the first folder that has it.
Result<QStringList> loadNameList(const QString& dir, const QString& fileName, int count,
                                 ItemStyle style = ItemStyle::Text);

// Where the programs look for name lists when --names does not say: beside the
// program (a build, or a copy unpacked anywhere), then the user's data folder
// (lists a user edited outlive a reinstall), then the installed defaults
// (share/romtables/names beside the program's bin folder).
QString nameListSearchPath(const QString& programDir, const QString& userDataDir);

}  // namespace rt
