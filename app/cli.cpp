#include "app/cli.h"

#include "app/record_io.h"
#include "core/history/changes.h"
#include "core/history/undo.h"
#include "editors/all_tables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QFile>
#include <QFileInfo>
#include <QTimeZone>

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
  RomImage rom;
  rom.setRomPath(o.positional[1]);
  if (!recovered(rom, err)) return kFailed;
  auto refs = table->records(rom, o.names);
  if (!refs) {
    err << refs.message() << '\n';
    return kFailed;
  }
  std::vector<ExportedRecord> records;
  records.reserve(refs->size());
  for (const RecordRef& ref : *refs) {
    auto state = table->read(rom, ref);
    if (!state) {
      err << state.message() << '\n';
      return kFailed;
    }
    records.push_back({ref, *state});
  }
  const QByteArray bytes = o.format == QLatin1String("csv") ? recordsToCsv(*table, records) : recordsToJson(*table, records);
  if (o.output.isEmpty()) {
    out.flush();
    out.device() ? void(out.device()->write(bytes)) : void(out << QString::fromUtf8(bytes));
    return kOk;
  }
  QFile file(o.output);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size() || !file.flush()) {
    err << QStringLiteral("Cannot write %1: %2\n").arg(o.output, file.errorString());
    return kFailed;
  }
  return kOk;
}

int importFile(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "import needs ROM and FILE.\n" << kUsageText;
    return kUsage;
  }
  QFile file(o.positional[2]);
  if (!file.open(QIODevice::ReadOnly)) {
    err << QStringLiteral("Cannot read %1: %2\n").arg(o.positional[2], file.errorString());
    return kFailed;
  }
  const QByteArray bytes = file.readAll();
  const bool json = bytes.trimmed().startsWith('{') || bytes.startsWith("\xEF\xBB\xBF{");
  QString tableName = o.table;
  Result<ImportFile> parsed = Result<ImportFile>::failure(QString());
  if (json) {
    parsed = parseJsonImport(bytes);
    if (parsed && tableName.isEmpty()) tableName = parsed->table;
    if (parsed && !o.table.isEmpty() && !parsed->table.isEmpty() && parsed->table != o.table) {
      err << QStringLiteral("The file holds table \"%1\", not \"%2\".\n").arg(parsed->table, o.table);
      return kUsage;
    }
  }
  if (tableName.isEmpty()) {
    err << "The file does not name its table; give --table TABLE.\n";
    return kUsage;
  }
  const TableAdapter* table = registry.find(tableName);
  if (!table) {
    err << QStringLiteral("Unknown table \"%1\"; `romtables-cli tables` lists them.\n").arg(tableName);
    return kUsage;
  }
  if (!json) parsed = parseCsvImport(bytes, *table);
  if (!parsed) {
    err << parsed.message() << '\n';
    return kFailed;
  }

  RomImage rom;
  rom.setRomPath(o.positional[1]);
  const QString source = QStringLiteral("import %1").arg(QFileInfo(o.positional[2]).fileName());
  QList<QVariantMap> keys;  // as resolved, so the history holds numbers whatever the file held
  keys.reserve(static_cast<qsizetype>(parsed->records.size()));
  TxInfo info = recordTx(source, table->name(), {});
  // The lock is held from the first read to the last write: a second writer
  // waits, and no value read here is stale when written back.
  WriteTransaction transaction(rom, info);
  printNotices(rom, err);
  if (!transaction.status()) {
    err << transaction.status().message() << '\n';
    return kFailed;
  }
  std::vector<ByteWrite> writes;
  const ControlIndex controls(*table);
  for (const ImportedRecord& record : parsed->records) {
    auto ref = table->resolve(rom, record.keys);
    auto fail = [&](const QString& why) {
      err << QStringLiteral("Nothing was written. %1: %2\n").arg(record.where, why);
      return kFailed;
    };
    if (!ref) return fail(ref.message());
    keys << ref->keys;
    auto current = table->read(rom, *ref);
    if (!current) return fail(current.message());
    auto state = overlayFields(*table, controls, *current, record.fields);
    if (!state) return fail(state.message());
    // Fields that point elsewhere select what the other fields show; the
    // imported values then go over what the imported pointers select.
    auto followed = table->follow(rom, *ref, *state);
    if (!followed) return fail(followed.message());
    state = overlayFields(*table, controls, *followed, record.fields);
    if (!state) return fail(state.message());
    FieldError error;
    if (!table->encode(rom, *ref, *state, &writes, &error)) {
      const QString field = error.control >= 0 ? controls.controls[static_cast<size_t>(error.control)].name : QString();
      return fail(field.isEmpty() ? error.message : QStringLiteral("field %1: %2").arg(field, error.message));
    }
  }
  info = recordTx(source, table->name(), keys);
  SaveResult saved = applyWrites(rom, writes, info);
  if (!saved.status) {
    err << saved.status.message() << '\n';
    return kFailed;
  }
  out << QStringLiteral("Imported %1 record(s) into %2 of %3; %4 byte(s) changed.\n")
             .arg(parsed->records.size()).arg(table->name(), QFileInfo(o.positional[1]).fileName())
             .arg(saved.bytesChanged);
  return kOk;
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
  rom.setRomPath(o.positional[1]);
  if (!recovered(rom, err)) return kFailed;
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
  rom.setRomPath(o.positional[1]);
  if (!recovered(rom, err)) return kFailed;
  auto done = undoTransaction(rom, registry, o.names, request);
  printNotices(rom, err);
  if (!done) {
    err << done.message() << '\n';
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
