#pragma once
// Tab-separated text as spreadsheets put it on the clipboard: cells split by
// tabs, rows by line ends; a cell holding a tab, a line end or a double quote
// is quoted, its quotes doubled.

#include <QString>
#include <QStringList>

#include <vector>

namespace rt {

QString toTsv(const std::vector<QStringList>& rows);
// The rows of `text`; the line end after the last row does not start another.
std::vector<QStringList> parseTsv(const QString& text);

}  // namespace rt
