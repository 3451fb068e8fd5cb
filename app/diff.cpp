#include "app/diff.h"

#include "image/byte_source.h"
#include "compare/image_diff.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <csv.h>

namespace rt {
namespace {

enum Exit { kSame = 0, kDiffer = 1, kError = 2 };

QString csvCell(const QString& text) {
  const QByteArray raw = text.toUtf8();
  QByteArray cell(static_cast<qsizetype>(csv_write(nullptr, 0, raw.constData(), static_cast<size_t>(raw.size()))), '\0');
  csv_write(cell.data(), static_cast<size_t>(cell.size()), raw.constData(), static_cast<size_t>(raw.size()));
  return QString::fromUtf8(cell);
}

QString rangeText(const ByteRange& r) {
  if (r.length == 1) return QStringLiteral("%1 (1 byte)").arg(hexOffset(r.offset));
  return QStringLiteral("%1..%2 (%3 bytes)").arg(hexOffset(r.offset), hexOffset(r.offset + r.length - 1)).arg(r.length);
}

void printText(const ImageDiff& diff, QTextStream& out) {
  QString heading;
  for (const FieldChange& c : diff.changes) {
    const QString record = recordHeading(c);
    if (record != heading) {
      out << record << '\n';
      heading = record;
    }
    const QString field = c.caption.isEmpty() || c.caption == c.field ? c.field : QStringLiteral("%1 [%2]").arg(c.caption, c.field);
    out << QStringLiteral("    %1: %2 -> %3\n").arg(field, c.oldValue, c.newValue);
  }
  if (diff.cleanSize != diff.modifiedSize)
    out << QStringLiteral("The images have %1 and %2 bytes.\n").arg(diff.cleanSize).arg(diff.modifiedSize);
  if (!diff.outside.empty()) {
    out << QStringLiteral("%1 byte(s) in %2 range(s) differ outside the fields %3:\n")
               .arg(diff.outsideBytes)
               .arg(diff.outside.size())
               .arg(diff.changes.empty() ? QStringLiteral("of the tables") : QStringLiteral("above"));
    for (const ByteRange& r : diff.outside) out << "    " << rangeText(r) << '\n';
  }
  if (diff.same()) out << "The images are the same.\n";
}

void printJson(const ImageDiff& diff, QTextStream& out) {
  QJsonArray changes, outside;
  for (const FieldChange& c : diff.changes) changes.append(changeToJson(c));
  for (const ByteRange& r : diff.outside)
    outside.append(QJsonObject{{QStringLiteral("offset"), static_cast<qint64>(r.offset)},
                               {QStringLiteral("length"), static_cast<qint64>(r.length)}});
  QJsonObject root;
  root.insert(QStringLiteral("changes"), changes);
  root.insert(QStringLiteral("outside"), outside);
  root.insert(QStringLiteral("sizes"), QJsonObject{{QStringLiteral("clean"), static_cast<qint64>(diff.cleanSize)},
                                                   {QStringLiteral("modified"), static_cast<qint64>(diff.modifiedSize)}});
  out << QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
}

// One row per changed field, then one per range of other bytes (only offset and length filled).
void printCsv(const TableRegistry& registry, const ImageDiff& diff, QTextStream& out) {
  QStringList keys;
  for (const auto& t : registry.all())
    for (const QString& k : t->keyNames())
      if (!keys.contains(k)) keys << k;
  // The stage before the index, as a record is named.
  if (keys.removeAll(QStringLiteral("index"))) keys << QStringLiteral("index");
  QStringList header{QStringLiteral("table")};
  header << keys << QStringLiteral("name") << QStringLiteral("field") << QStringLiteral("caption") << QStringLiteral("old")
         << QStringLiteral("new") << QStringLiteral("offset") << QStringLiteral("length");
  auto row = [&out](const QStringList& cells) {
    QStringList quoted;
    for (const QString& c : cells) quoted << csvCell(c);
    out << quoted.join(QLatin1Char(',')) << "\r\n";
  };
  row(header);
  for (const FieldChange& c : diff.changes) {
    QStringList cells{c.table};
    for (const QString& k : keys) cells << (c.keys.contains(k) ? c.keys.value(k).toString() : QString());
    cells << c.name << c.field << c.caption << c.oldValue << c.newValue << QString() << QString();
    row(cells);
  }
  for (const ByteRange& r : diff.outside) {
    QStringList cells;
    for (qsizetype i = 0; i < header.size() - 2; ++i) cells << QString();
    cells << QString::number(r.offset) << QString::number(r.length);
    row(cells);
  }
}

}  // namespace

int runDiff(const TableRegistry& registry, const DiffCommand& command, QTextStream& out, QTextStream& err) {
  if (command.format != QLatin1String("text") && command.format != QLatin1String("json") &&
      command.format != QLatin1String("csv")) {
    err << QStringLiteral("Unknown format \"%1\"; use text, json or csv.\n").arg(command.format);
    return kError;
  }
  ImageDiffRequest request;
  request.clean = command.clean;
  request.modified = command.modified;
  request.namesDir = command.names;
  request.tables = command.tables;
  auto diff = diffImages(registry, request);
  if (!diff) {
    err << diff.message() << '\n';
    return kError;
  }
  if (command.format == QLatin1String("json")) printJson(*diff, out);
  else if (command.format == QLatin1String("csv")) printCsv(registry, *diff, out);
  else printText(*diff, out);
  return diff->same() ? kSame : kDiffer;
}

}  // namespace rt
