#pragma once
// Name lists: the plain-text files beside the program that give every record and
// coded value its text. Items are separated by commas or line ends; an item that
// starts with a double quote runs to the closing quote and may hold commas.
// Files may be UTF-8 (with or without BOM) or legacy code page 950 (Big5); the
// latter's private-use kana are mapped to standard kana.

#include "core/result.h"

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

// Decodes the bytes of a list file to text: BOM-less or BOM-prefixed UTF-8, else CP950.
QString decodeNameListBytes(const QByteArray& bytes);

// Splits decoded text into items by the list rules. Reads at most `maxItems` items
// (-1: all). CRLF and LF line ends are accepted.
QStringList splitNameListItems(const QString& text, int maxItems = -1,
                               ItemStyle style = ItemStyle::Text);

// Reads the first `count` items of `dir`/`fileName`. A missing, unreadable or short
// file is an error naming the file and the number of items needed.
Result<QStringList> loadNameList(const QString& dir, const QString& fileName, int count,
                                 ItemStyle style = ItemStyle::Text);

}  // namespace rt
