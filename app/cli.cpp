#include "app/cli.h"

#include "app/importer.h"
#include "app/record_io.h"
#include "core/history/changes.h"
#include "core/history/undo.h"
#include "editors/all_tables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimeZone>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace rt {
namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

const char* kUsageText =
    "Usage:\n"
    "  romtables-cli tables\n"
    "      List every table: its form name, base offset, record size and count.\n"
    "  romtables-cli export ROM TABLE [--format json|csv] [--names DIR] [--output FILE]\n"
    "      Print every record of TABLE as its form shows it.\n"
    "  romtables-cli import ROM FILE [--table TABLE] [--names DIR]\n"
    "      Apply a JSON or CSV file of the export's shape. Every value of every\n"
    "      record is checked first; the import writes all records or none.\n"
    "  romtables-cli history ROM [--format text|json] [--limit N]\n"
    "      List the image's transactions, newest first, with every changed field.\n"
    "  romtables-cli undo ROM [--force]\n"
    "  romtables-cli redo ROM [--force]\n"
    "  romtables-cli revert ROM ID [--force]\n"
    "      Undo the newest done transaction, redo the newest undone one, or revert\n"
    "      transaction ID. Each refuses when the bytes were changed since, unless\n"
    "      --force.\n"
    "  romtables-cli --help\n"
    "\n"
    "TABLE is a form name such as SPEdit. --names defaults to the name lists next\n"
    "to this program. Exit codes: 0 done, 1 failed or rejected, 2 bad usage.\n";

struct Options {
  QStringList positional;
  QString format = QStringLiteral("json");
  QString names;
  QString table;
  QString output;
  int limit = -1;
  bool force = false;
  bool formatGiven = false;  // history prints text unless asked for json
};

bool parseOptions(const QStringList& args, Options* o, QString* error) {
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& a = args[i];
    auto value = [&](QString* target) {
      if (i + 1 >= args.size()) {
        *error = QStringLiteral("%1 needs a value.").arg(a);
        return false;
      }
      *target = args[++i];
      return true;
    };
    if (a == QLatin1String("--format")) {
      if (!value(&o->format)) return false;
      o->formatGiven = true;
    } else if (a == QLatin1String("--names")) {
      if (!value(&o->names)) return false;
    } else if (a == QLatin1String("--table")) {
      if (!value(&o->table)) return false;
    } else if (a == QLatin1String("--output") || a == QLatin1String("-o")) {
      if (!value(&o->output)) return false;
    } else if (a == QLatin1String("--limit")) {
      QString text;
      if (!value(&text)) return false;
      bool ok = false;
      o->limit = text.toInt(&ok);
      if (!ok || o->limit < 0) {
        *error = QStringLiteral("--limit takes a whole number of 0 or more, not \"%1\".").arg(text);
        return false;
      }
    } else if (a == QLatin1String("--force")) {
      o->force = true;
    } else if (a.startsWith(QLatin1String("--"))) {
      *error = QStringLiteral("Unknown option %1.").arg(a);
      return false;
    } else {
      o->positional << a;
    }
  }
  return true;
}

void printNotices(RomImage& rom, QTextStream& err) {
  for (const QString& notice : rom.takeNotices()) err << notice << '\n';
}

// Every command that opens an image first finishes an interrupted transaction.
bool recovered(RomImage& rom, QTextStream& err) {
  Status s = rom.recover();
  printNotices(rom, err);
  if (!s) err << s.message() << '\n';
  return s.isOk();
}

// Whether two paths name one file (links included).
bool sameFile(const QString& a, const QString& b) {
#ifndef _WIN32
  struct stat sa {}, sb {};
  if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
    return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#else
  return QFileInfo(a).canonicalFilePath().compare(QFileInfo(b).canonicalFilePath(), Qt::CaseInsensitive) == 0 &&
         QFileInfo::exists(a);
#endif
}

void useImage(RomImage& rom, const TableRegistry& registry, const Options& o) {
  rom.setRomPath(o.positional[1]);
  rom.setFieldNamer(ChangeReader::namer(registry, o.positional[1], o.names));
}

bool openImage(RomImage& rom, const TableRegistry& registry, const Options& o, QTextStream& err) {
  useImage(rom, registry, o);
  return recovered(rom, err);
}

int listTables(const TableRegistry& registry, QTextStream& out) {
  out << QStringLiteral("%1  %2  %3  %4\n").arg(QStringLiteral("TABLE"), -22).arg(QStringLiteral("BASE"), -9)
             .arg(QStringLiteral("STRIDE"), 6).arg(QStringLiteral("COUNT"), 6);
  for (const auto& t : registry.all()) {
    out << QStringLiteral("%1  0x%2  %3  %4").arg(t->name(), -22)
               .arg(QString::number(t->base(), 16).toUpper(), -7)
               .arg(t->stride(), 6)
               .arg(t->count(), 6);
    if (!t->note().isEmpty()) out << "  " << t->note();
    out << '\n';
  }
  return kOk;
}

int exportTable(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "export needs ROM and TABLE.\n" << kUsageText;
    return kUsage;
  }
  const TableAdapter* table = registry.find(o.positional[2]);
  if (!table) {
    err << QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.\n").arg(o.positional[2]);
    return kUsage;
  }
  if (o.format != QLatin1String("json") && o.format != QLatin1String("csv")) {
    err << QStringLiteral("Unknown format \"%1\"; use json or csv.\n").arg(o.format);
    return kUsage;
  }
  if (!o.output.isEmpty() && sameFile(o.output, o.positional[1])) {
    err << QStringLiteral("--output %1 names the image being read; choose another file. Nothing was written.\n")
               .arg(o.output);
    return kUsage;
  }
  RomImage rom;
  if (!openImage(rom, registry, o, err)) return kFailed;
  if (Status holds = checkImageHolds(rom, *table); !holds) {
    err << holds.message() << '\n';
    return kFailed;
  }
  auto refs = table->records(rom, o.names);
  if (!refs) {
    err << refs.message() << '\n';
    return kFailed;
  }
  auto records = exportedRecords(rom, *table, *refs);
  if (!records) {
    err << records.message() << '\n';
    return kFailed;
  }
  const QByteArray bytes = o.format == QLatin1String("csv") ? recordsToCsv(*table, *records) : recordsToJson(*table, *records);
  if (o.output.isEmpty()) {
    out.flush();
    if (!out.device()) {
      out << QString::fromUtf8(bytes);
    } else if (out.device()->write(bytes) != bytes.size()) {
      err << QStringLiteral("Writing the output failed: %1.\n").arg(out.device()->errorString());
      return kFailed;
    }
    return kOk;
  }
  // A temporary file beside the target, renamed over it once complete: a
  // failure leaves an existing file as it was.
  QSaveFile file(o.output);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    err << QStringLiteral("Cannot write %1: %2. It was left as it was.\n").arg(o.output, file.errorString());
    return kFailed;
  }
  return kOk;
}

int importFile(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "import needs ROM and FILE.\n" << kUsageText;
    return kUsage;
  }
  return importRecords(registry, ImportRequest{o.positional[1], o.positional[2], o.table, o.names}, out, err);
}

QJsonObject changeJson(const FieldChange& c) {
  QJsonObject o;
  o.insert(QStringLiteral("table"), c.table);
  for (auto it = c.keys.begin(); it != c.keys.end(); ++it) o.insert(it.key(), QJsonValue::fromVariant(it.value()));
  o.insert(QStringLiteral("name"), c.name);
  o.insert(QStringLiteral("field"), c.field);
  o.insert(QStringLiteral("caption"), c.caption);
  o.insert(QStringLiteral("old"), c.oldValue);
  o.insert(QStringLiteral("new"), c.newValue);
  return o;
}

int showHistory(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 2) {
    err << "history needs ROM.\n" << kUsageText;
    return kUsage;
  }
  const bool json = o.formatGiven && o.format == QLatin1String("json");
  if (o.formatGiven && !json && o.format != QLatin1String("text")) {
    err << QStringLiteral("Unknown format \"%1\"; use text or json.\n").arg(o.format);
    return kUsage;
  }
  RomImage rom;
  if (!openImage(rom, registry, o, err)) return kFailed;
  std::vector<Transaction> list;
  if (Journal* journal = rom.journal()) {
    auto listed = journal->list(o.limit, true);
    if (!listed) {
      err << listed.message() << '\n';
      return kFailed;
    }
    list = std::move(listed.value());
  }
  ChangeReader reader(registry, o.positional[1], o.names);
  // Converted through one zone object: toLocalTime() asks the C library, which stats /etc/localtime each time.
  const QTimeZone zone = QTimeZone::systemTimeZone();
  QJsonArray transactions;
  for (const Transaction& tx : list) {
    auto changes = reader.changes(tx);
    if (!changes) {
      err << changes.message() << '\n';
      return kFailed;
    }
    if (json) {
      QJsonObject t;
      t.insert(QStringLiteral("id"), static_cast<qint64>(tx.id));
      t.insert(QStringLiteral("time"), tx.time.toUTC().toString(Qt::ISODateWithMs));
      t.insert(QStringLiteral("source"), tx.info.source);
      t.insert(QStringLiteral("state"), stateName(tx.state));
      QJsonArray array;
      for (const FieldChange& c : *changes) array.append(changeJson(c));
      t.insert(QStringLiteral("changes"), array);
      transactions.append(t);
      continue;
    }
    out << QStringLiteral("#%1  %2  %3  %4\n")
               .arg(tx.id)
               .arg(tx.time.toTimeZone(zone).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), stateName(tx.state),
                    tx.info.source);
    for (const FieldChange& c : *changes)
      out << QStringLiteral("    %1: %2 -> %3\n").arg(ChangeReader::where(c), c.oldValue, c.newValue);
  }
  if (json) {
    QJsonObject root;
    root.insert(QStringLiteral("transactions"), transactions);
    out << QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
  } else if (list.empty()) {
    out << QStringLiteral("\"%1\" has no history yet.\n").arg(o.positional[1]);
  }
  return kOk;
}

int undoCommand(const TableRegistry& registry, const Options& o, UndoKind kind, QTextStream& out, QTextStream& err) {
  const qsizetype wanted = kind == UndoKind::Revert ? 3 : 2;
  if (o.positional.size() != wanted) {
    err << (kind == UndoKind::Revert ? "revert needs ROM and ID.\n" : "undo and redo need ROM.\n") << kUsageText;
    return kUsage;
  }
  UndoRequest request;
  request.kind = kind;
  request.force = o.force;
  if (kind == UndoKind::Revert) {
    bool ok = false;
    request.id = o.positional[2].toLongLong(&ok);
    if (!ok || request.id <= 0) {
      err << QStringLiteral("\"%1\" is not a transaction id; `romtables-cli history` lists them.\n").arg(o.positional[2]);
      return kUsage;
    }
  }
  RomImage rom;
  if (!openImage(rom, registry, o, err)) return kFailed;
  bool changedSince = false;
  auto done = undoTransaction(rom, registry, o.names, request, &changedSince);
  printNotices(rom, err);
  if (!done) {
    err << done.message();
    if (changedSince) {
      const char* verb = kind == UndoKind::Redo ? "redoes" : kind == UndoKind::Revert ? "reverts" : "undoes";
      err << " --force " << verb << " it anyway.";
    }
    err << '\n';
    return kFailed;
  }
  out << *done << '\n';
  return kOk;
}

}  // namespace

int runCli(const QStringList& args, const QString& namesDir, QTextStream& out, QTextStream& err) {
  if (args.isEmpty() || args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"))) {
    (args.isEmpty() ? err : out) << kUsageText;
    return args.isEmpty() ? kUsage : kOk;
  }
  Options o;
  QString error;
  if (!parseOptions(args, &o, &error)) {
    err << error << '\n' << kUsageText;
    return kUsage;
  }
  if (o.names.isEmpty()) o.names = namesDir;
  const TableRegistry registry = allTables();
  const QString command = o.positional.value(0);
  if (command == QLatin1String("tables")) return listTables(registry, out);
  if (command == QLatin1String("export")) return exportTable(registry, o, out, err);
  if (command == QLatin1String("import")) return importFile(registry, o, out, err);
  if (command == QLatin1String("history")) return showHistory(registry, o, out, err);
  if (command == QLatin1String("undo")) return undoCommand(registry, o, UndoKind::Undo, out, err);
  if (command == QLatin1String("redo")) return undoCommand(registry, o, UndoKind::Redo, out, err);
  if (command == QLatin1String("revert")) return undoCommand(registry, o, UndoKind::Revert, out, err);
  err << QStringLiteral("Unknown command \"%1\".\n").arg(command) << kUsageText;
  return kUsage;
}

}  // namespace rt
