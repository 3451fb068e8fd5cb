#include "app/cli.h"

#include "app/changes.h"
#include "app/diff.h"
#include "app/dump.h"
#include "app/importer.h"
#include "app/links.h"
#include "app/patch.h"
#include "app/paths.h"
#include "compare/change_set.h"
#include "app/record_io.h"
#include "history/changes.h"
#include "history/undo.h"
#include "image/output_file.h"
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
    "  romtables-cli export ROM --all --output DIR [--format json|csv] [--names DIR]\n"
    "      Write every table to DIR, a file per table named by its id, and\n"
    "      manifest.json (the image's size and CRC32, the tables, record counts),\n"
    "      all read from one unchanging view of the image. The files are written\n"
    "      beside DIR first and moved in once all are on the disk: a failure\n"
    "      leaves DIR as it was. Other files of DIR are kept.\n"
    "  romtables-cli import ROM FILE [--table TABLE] [--names DIR]\n"
    "  romtables-cli import ROM DIR [--names DIR]\n"
    "      Apply a JSON or CSV file of the export's shape, or a folder of them.\n"
    "      Every value of every record is checked first; the import writes all\n"
    "      records of all files or none, as one transaction. A record's key in\n"
    "      JSON is a number. A folder whose manifest names another image's size\n"
    "      or CRC32 is imported with a warning; a file named after a table in\n"
    "      another letter case (pilot.json) is refused.\n"
    "  romtables-cli diff CLEAN MODIFIED [--format text|json|csv] [--tables T1,T2]\n"
    "      Every field whose shown value differs, by table and record, then the\n"
    "      bytes that differ where no field shows it. Exit 0: the same, 1: they\n"
    "      differ, 2: an error.\n"
    "  romtables-cli refs ROM TABLE KEY [--format text|json]\n"
    "      What the record KEY of TABLE names in other tables and which records\n"
    "      name it (KEY an index, or STAGE/INDEX for MAP). JSON: {\"table\",\n"
    "      \"index\", \"refers_to\": [{\"field\", \"table\", \"index\"}], \"used_by\":\n"
    "      [{\"table\", \"index\", \"field\"}]} (MAP records carry \"stage\").\n"
    "  romtables-cli check ROM [--format text|json] [--tables T1,T2]\n"
    "      Every broken or suspicious link and value: a code past its table, a\n"
    "      pointer into another table, weapon ranges that run past the weapons or\n"
    "      overlap, a stage list without its end marker, a coded byte past its\n"
    "      list, a name list shorter than its table. Exit 0: none, 1: problems,\n"
    "      2: an error. JSON: {\"problems\": [{\"table\", \"index\", \"field\",\n"
    "      \"rule\", \"severity\", \"message\"}]}.\n"
    "  romtables-cli patch CLEAN MODIFIED --output OUT.bps|OUT.ips\n"
    "  romtables-cli patch ROM --from-history --output OUT.bps|OUT.ips\n"
    "      Write a BPS or IPS patch that turns CLEAN (or ROM as its history says\n"
    "      it was first) into MODIFIED (ROM as it is).\n"
    "  romtables-cli apply PATCH IMAGE --output OUT\n"
    "      Apply a BPS or IPS patch to IMAGE and write the result to OUT, never\n"
    "      over an input; every checksum is checked, and on a mismatch or a\n"
    "      cut-off patch nothing is written.\n"
    "  romtables-cli changes CLEAN MODIFIED --output FILE.json\n"
    "      Write every difference as a change set: each changed field with its\n"
    "      old and new value as export writes them, then the bytes no field shows.\n"
    "  romtables-cli apply FILE.json IMAGE (--output OUT | --in-place) [--force]\n"
    "      Apply a change set: a field holding its old value gets the new one,\n"
    "      one holding the new one is left; any other value is a conflict, and\n"
    "      then nothing is written (exit 1) unless --force. --in-place writes\n"
    "      IMAGE as one transaction of its history.\n"
    "  romtables-cli merge CLEAN A B --output OUT [--prefer a|b] [--format text|json]\n"
    "      OUT = CLEAN with the changes of A and of B, field by field. Exit 0:\n"
    "      merged, 1: conflicts (nothing written unless --prefer), 2: an error.\n"
    "  romtables-cli history ROM [--format text|json] [--limit N] [--all-fields]\n"
    "      List the image's transactions (the newest N, N of 1 or more), newest\n"
    "      first, with their changed fields: of a transaction that changed more\n"
    "      than 200, the first 200 and how many there are, unless --all-fields.\n"
    "      JSON: {\"transactions\": [{\"id\", \"time\", \"source\", \"state\",\n"
    "      \"changes_total\", \"truncated\" (true when \"changes\" holds only the\n"
    "      first 200), \"changes\": [...]}, ...]}.\n"
    "  romtables-cli history ROM --restart\n"
    "      Set the image's history aside (renamed, with the date) and start a new\n"
    "      one for the file as it is: for an image replaced by another file, or a\n"
    "      history that is damaged or describes another file.\n"
    "  romtables-cli recover ROM\n"
    "      Roll back an interrupted transaction now (the first command that writes\n"
    "      the image, or opening it in the editor, does the same). Commands that\n"
    "      only read never write: they read the image as the recovery leaves it.\n"
    "  romtables-cli undo ROM [--force]\n"
    "  romtables-cli redo ROM [--force]\n"
    "  romtables-cli revert ROM ID [--force]\n"
    "      Undo the newest done transaction, redo the newest undone one, or revert\n"
    "      transaction ID. Each refuses when the bytes were changed since, unless\n"
    "      --force.\n"
    "  romtables-cli --help\n"
    "\n"
    "TABLE is a form name such as SPEdit. Without --names, each name list is taken\n"
    "from beside this program, else from the user's data folder (RomTables/names),\n"
    "else from the installed ones (share/romtables/names).\n"
    "--output never names an image being read (through a link either), an\n"
    "image's history (*.history and its -wal, -shm files) or any SQLite database.\n"
    "The command line speaks English whatever the editor's language, and names\n"
    "fields by the forms' own captions (diff, history, messages), as scripts\n"
    "expect them.\n"
    "Exit codes: 0 done, 1 failed or rejected, 2 bad usage (diff: 0 same,\n"
    "1 differ, 2 an error, its output lost included; check: 0 no problem,\n"
    "1 problems, 2 an error).\n";

struct Options {
  QStringList positional;
  QString format = QStringLiteral("json");
  QString names;
  QString table;
  QString output;
  QStringList tables;
  int limit = -1;
  bool force = false;
  bool all = false;
  bool fromHistory = false;
  bool restart = false;
  bool allFields = false;
  bool formatGiven = false;  // history prints text unless asked for json
  bool inPlace = false;
  QString prefer;
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
      if (!ok || o->limit < 1) {
        *error = QStringLiteral("--limit takes a whole number of 1 or more, not \"%1\".").arg(text);
        return false;
      }
    } else if (a == QLatin1String("--tables")) {
      QString list;
      if (!value(&list)) return false;
      o->tables = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    } else if (a == QLatin1String("--all")) {
      o->all = true;
    } else if (a == QLatin1String("--all-fields")) {
      o->allFields = true;
    } else if (a == QLatin1String("--from-history")) {
      o->fromHistory = true;
    } else if (a == QLatin1String("--restart")) {
      o->restart = true;
    } else if (a == QLatin1String("--force")) {
      o->force = true;
    } else if (a == QLatin1String("--in-place")) {
      o->inPlace = true;
    } else if (a == QLatin1String("--prefer")) {
      if (!value(&o->prefer)) return false;
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

// A command reads the image as recovery would leave it and writes nothing
// itself; the first write (beginTransaction) performs the recovery, after
// checking that the image is the history's. What is amiss is told on stderr.
bool recovered(RomImage& rom, QTextStream& err) {
  rom.prepareRead();
  printNotices(rom, err);
  return true;
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
  if (o.all) {
    if (o.positional.size() != 2) {
      err << "export --all needs ROM and --output DIR, and no TABLE.\n" << kUsageText;
      return kUsage;
    }
    RomImage rom;
    if (!openImage(rom, registry, o, err)) return kFailed;
    return runExportAll(registry, DumpCommand{o.positional[1], o.output, o.format, o.names}, out, err);
  }
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
  if (!o.output.isEmpty()) {
    if (const QString refused = outputRefusal(o.output, {{o.positional[1], QStringLiteral("the image being read")}});
        !refused.isEmpty()) {
      err << refused << '\n';
      return kUsage;
    }
  }
  RomImage rom;
  if (!openImage(rom, registry, o, err)) return kFailed;
  if (Status holds = checkImageHolds(rom, *table); !holds) {
    err << holds.message() << '\n';
    return kFailed;
  }
  // Every record, as export --all writes the table's file.
  QByteArray bytes;
  auto records = appendTableExport(rom, *table, o.names,
                                   o.format == QLatin1String("csv") ? ExportFormat::Csv : ExportFormat::Json, &bytes);
  if (!records) {
    err << records.message() << '\n';
    return kFailed;
  }
  if (o.output.isEmpty()) {
    out.flush();
    if (!out.device()) {
      out << QString::fromUtf8(bytes);
    } else if (out.device()->write(bytes) != bytes.size()) {
      return kFailed;  // the device keeps the error; whoever closes the stream reports it once
    }
    return kOk;
  }
  // A temporary file beside the target, renamed over it once complete: a
  // failure leaves an existing file as it was.
  OutputFile file(o.output);
  Status written = file.open();
  if (written) written = file.append(reinterpret_cast<const std::uint8_t*>(bytes.constData()), bytes.size());
  if (written) written = file.commit();
  if (!written) {
    err << written.message() << '\n';
    return kFailed;
  }
  return kOk;
}

int importFile(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "import needs ROM and FILE.\n" << kUsageText;
    return kUsage;
  }
  const ImportRequest request{o.positional[1], o.positional[2], o.table, o.names};
  if (QFileInfo(o.positional[2]).isDir()) return importFolder(registry, request, out, err);
  return importRecords(registry, request, out, err);
}

// The images a command only reads are recovered first, like every image opened.
bool recoverImages(const QStringList& paths, QTextStream& err) {
  for (const QString& path : paths) {
    RomImage rom;
    rom.setRomPath(path);
    if (!recovered(rom, err)) return false;
  }
  return true;
}

int diffCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "diff needs CLEAN and MODIFIED.\n" << kUsageText;
    return 2;
  }
  if (!recoverImages({o.positional[1], o.positional[2]}, err)) return 2;
  DiffCommand command{o.positional[1], o.positional[2], o.formatGiven ? o.format : QStringLiteral("text"), o.tables, o.names};
  return runDiff(registry, command, out, err);
}

int patchCommand(const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != (o.fromHistory ? 2 : 3)) {
    err << (o.fromHistory ? "patch --from-history needs ROM only.\n" : "patch needs CLEAN and MODIFIED.\n") << kUsageText;
    return kUsage;
  }
  PatchCommand command;
  command.fromHistory = o.fromHistory;
  command.modified = o.positional.last();
  if (!o.fromHistory) command.clean = o.positional[1];
  command.output = o.output;
  if (!o.fromHistory && !recoverImages({command.clean, command.modified}, err)) return kFailed;
  return runPatch(command, out, err);
}

int applyCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "apply needs PATCH and IMAGE.\n" << kUsageText;
    return kUsage;
  }
  // A change set is told from a patch by its content, whatever its name.
  if (isChangeSetFile(o.positional[1]))
    return runApplyChanges(registry, ApplyChangesCommand{o.positional[1], o.positional[2], o.output, o.inPlace, o.force, o.names},
                           out, err);
  if (o.inPlace) {
    err << "--in-place applies a change set; a BPS or IPS patch is applied to a copy (--output OUT).\n";
    return kUsage;
  }
  if (!recoverImages({o.positional[2]}, err)) return kFailed;
  return runApply(ApplyCommand{o.positional[1], o.positional[2], o.output}, out, err);
}

int changesCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 3) {
    err << "changes needs CLEAN and MODIFIED.\n" << kUsageText;
    return kUsage;
  }
  if (!recoverImages({o.positional[1], o.positional[2]}, err)) return kFailed;
  return runChanges(registry, ChangesCommand{o.positional[1], o.positional[2], o.output, o.names}, out, err);
}

int mergeCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 4) {
    err << "merge needs CLEAN, A and B.\n" << kUsageText;
    return kUsage;
  }
  if (!recoverImages({o.positional[1], o.positional[2], o.positional[3]}, err)) return kUsage;
  MergeCommand command{o.positional[1], o.positional[2], o.positional[3], o.output, o.prefer,
                       o.formatGiven ? o.format : QStringLiteral("text"), o.names};
  return runMerge(registry, command, out, err);
}

// Prints bytes to `out` as they are (JSON is UTF-8 already).
void printBytes(QTextStream& out, const QByteArray& bytes) { out << QString::fromUtf8(bytes); }

bool textOrJson(const Options& o, QTextStream& err) {
  if (o.format == QLatin1String("json") || o.format == QLatin1String("text")) return true;
  err << QStringLiteral("Unknown format \"%1\"; use text or json.\n").arg(o.format);
  return false;
}

int refsCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 4) {
    err << "refs needs ROM, TABLE and KEY.\n" << kUsageText;
    return kUsage;
  }
  if (!textOrJson(o, err)) return kUsage;
  const QString tableName = o.positional[2];
  auto keys = parseRecordKey(registry.find(tableName), o.positional[3]);
  if (!keys) {
    err << keys.message() << '\n';
    return kUsage;
  }
  RomImage rom;
  if (!openImage(rom, registry, o, err)) return kFailed;
  auto links = linksOf(rom, registry, tableName, *keys);
  if (!links) {
    err << links.message() << '\n';
    return kFailed;
  }
  if (o.formatGiven && o.format == QLatin1String("json")) printBytes(out, linksToJson(tableName, *keys, *links));
  else out << linksToText(tableName, *keys, *links);
  return kOk;
}

int checkCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 2) {
    err << "check needs ROM.\n" << kUsageText;
    return kUsage;
  }
  if (!textOrJson(o, err)) return kUsage;
  RomImage rom;
  if (!openImage(rom, registry, o, err)) return kUsage;
  auto problems = checkImage(rom, registry, o.names, o.tables);
  if (!problems) {
    err << problems.message() << '\n';
    return kUsage;
  }
  if (o.formatGiven && o.format == QLatin1String("json")) printBytes(out, problemsToJson(*problems));
  else out << problemsToText(*problems);
  return problems->empty() ? kOk : kFailed;
}

// "yyyy-MM-dd HH:mm:ss" in the system's time zone. A history lists thousands of
// times: the zone's offset is looked up once per hour it holds, and the text is
// made without the locale machinery of QDateTime::toString.
class LocalTimeText {
 public:
  QString operator()(const QDateTime& time) {
    const qint64 ms = time.toMSecsSinceEpoch();
    const qint64 hour = ms / 3600000 - (ms % 3600000 < 0 ? 1 : 0);
    auto it = offsetByHour_.find(hour);
    int offset;
    if (it != offsetByHour_.end()) {
      offset = *it;
    } else {
      offset = zone_.offsetFromUtc(time);
      // Kept only when the hour has one offset throughout (no change of clock within it).
      const QDateTime start = QDateTime::fromMSecsSinceEpoch(hour * 3600000, Qt::UTC);
      if (zone_.offsetFromUtc(start) == offset && zone_.offsetFromUtc(start.addMSecs(3599999)) == offset)
        offsetByHour_.insert(hour, offset);
    }
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms + offset * qint64(1000), Qt::UTC);
    const QDate d = local.date();
    const QTime t = local.time();
    QChar text[19];
    const auto put = [&text](int at, int value, int digits) {
      for (int i = digits - 1; i >= 0; --i, value /= 10) text[at + i] = QChar(u'0' + value % 10);
    };
    put(0, d.year(), 4);
    put(5, d.month(), 2);
    put(8, d.day(), 2);
    put(11, t.hour(), 2);
    put(14, t.minute(), 2);
    put(17, t.second(), 2);
    text[4] = text[7] = QChar(u'-');
    text[10] = QChar(u' ');
    text[13] = text[16] = QChar(u':');
    return QString(text, 19);
  }

 private:
  QTimeZone zone_ = QTimeZone::systemTimeZone();
  QHash<qint64, int> offsetByHour_;
};

// A value as JSON text on one line ("text" with its escapes, a number).
QByteArray jsonText(const QJsonValue& value) {
  const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return array.mid(1, array.size() - 2);
}

// An indented JSON text moved right by `spaces`, without its last line break.
QByteArray indented(const QByteArray& json, int spaces) {
  const QByteArray pad(spaces, ' ');
  QByteArray out = pad + json.trimmed();
  out.replace("\n", "\n" + pad);
  return out;
}

// A transaction of many changed fields (a whole folder imported) lists this many unless asked for all.
constexpr size_t kFieldsListed = 200;
// Transactions read from the history at a time, each with its runs.
constexpr int kPage = 8;

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
  if (o.restart) {
    useImage(rom, registry, o);
    Status restarted = rom.restartHistory();
    for (const QString& notice : rom.takeNotices()) out << notice << '\n';
    if (!restarted) {
      err << restarted.message() << '\n';
      return kFailed;
    }
    return kOk;
  }
  if (!openImage(rom, registry, o, err)) return kFailed;
  Journal* journal = rom.journal();
  ChangeReader reader(registry, o.positional[1], o.names);
  LocalTimeText localTime;
  Rewind rewind;
  // Streamed a page at a time and printed as each transaction is read: a
  // history of hundreds of whole-folder imports never sits in memory at once.
  if (json) out << "{\n    \"transactions\": [";
  std::int64_t shown = 0;
  std::int64_t before = 0;
  bool more = journal != nullptr;
  while (more) {
    const int want = o.limit > 0 ? static_cast<int>(std::min<std::int64_t>(kPage, o.limit - shown)) : kPage;
    auto page = journal->page(before, want, true);
    if (!page) {
      err << page.message() << '\n';
      return kFailed;
    }
    more = static_cast<int>(page->size()) == want;
    for (Transaction& tx : *page) {
      before = tx.id;
      if (json) {
        out << (shown ? ",\n" : "\n") << "        {\n";
        out << "            \"id\": " << tx.id << ",\n";
        out << "            \"time\": " << jsonText(tx.time.toUTC().toString(Qt::ISODateWithMs)) << ",\n";
        out << "            \"source\": " << jsonText(tx.info.source) << ",\n";
        out << "            \"state\": " << jsonText(stateName(tx.state)) << ",\n";
        out << "            \"changes\": [";
      } else {
        out << QStringLiteral("#%1  %2  %3  %4\n").arg(tx.id).arg(localTime(tx.time), stateName(tx.state), tx.info.source);
      }
      // Each change printed as it is found: one transaction may change every field of every table.
      size_t total = 0;
      Status read = reader.eachChange(tx, &rewind, [&](FieldChange&& c) {
        if (o.allFields || total < kFieldsListed) {
          if (json)
            out << (total ? ",\n" : "\n") << indented(QJsonDocument(changeToJson(c)).toJson(QJsonDocument::Indented), 16);
          else
            out << QStringLiteral("    %1: %2 -> %3\n").arg(ChangeReader::where(c), c.oldValue, c.newValue);
        }
        ++total;
      });
      rewind.fold(tx);
      tx.runs = {};
      if (!read) {
        out.flush();
        err << read.message() << '\n';
        return kFailed;
      }
      const size_t listed = o.allFields ? total : std::min(total, kFieldsListed);
      if (json) {
        out << (listed ? "\n            ],\n" : "],\n");
        out << "            \"changes_total\": " << total << ",\n";
        out << "            \"truncated\": " << (listed < total ? "true" : "false") << "\n        }";
      } else if (listed < total) {
        out << QStringLiteral("    (%1 fields changed; the first %2 are listed, --all-fields lists every one)\n")
                   .arg(total)
                   .arg(listed);
      }
      out.flush();
      ++shown;
    }
    if (o.limit > 0 && shown >= o.limit) more = false;
  }
  if (json) out << (shown ? "\n    ]\n}\n" : "]\n}\n");
  else if (shown == 0) out << QStringLiteral("\"%1\" has no history yet.\n").arg(o.positional[1]);
  return kOk;
}

int recoverCommand(const TableRegistry& registry, const Options& o, QTextStream& out, QTextStream& err) {
  if (o.positional.size() != 2) {
    err << "recover needs ROM.\n" << kUsageText;
    return kUsage;
  }
  RomImage rom;
  useImage(rom, registry, o);
  Status s = rom.recover();
  const QStringList notices = rom.takeNotices();
  for (const QString& notice : notices) out << notice << '\n';
  if (!s) {
    err << s.message() << '\n';
    return kFailed;
  }
  if (notices.isEmpty()) out << QStringLiteral("\"%1\" holds no interrupted change.\n").arg(o.positional[1]);
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

int outputFailureCode(const QStringList& args) {
  Options o;
  QString error;
  // diff, merge and check keep 1 for their finding (differ, conflicts, problems): a lost output is their error, 2.
  if (!parseOptions(args, &o, &error)) return kFailed;
  const QString command = o.positional.value(0);
  return command == QLatin1String("diff") || command == QLatin1String("merge") || command == QLatin1String("check")
             ? kUsage
             : kFailed;
}

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
  if (command == QLatin1String("diff")) return diffCommand(registry, o, out, err);
  if (command == QLatin1String("refs")) return refsCommand(registry, o, out, err);
  if (command == QLatin1String("check")) return checkCommand(registry, o, out, err);
  if (command == QLatin1String("patch")) return patchCommand(o, out, err);
  if (command == QLatin1String("apply")) return applyCommand(registry, o, out, err);
  if (command == QLatin1String("changes")) return changesCommand(registry, o, out, err);
  if (command == QLatin1String("merge")) return mergeCommand(registry, o, out, err);
  if (command == QLatin1String("recover")) return recoverCommand(registry, o, out, err);
  if (command == QLatin1String("undo")) return undoCommand(registry, o, UndoKind::Undo, out, err);
  if (command == QLatin1String("redo")) return undoCommand(registry, o, UndoKind::Redo, out, err);
  if (command == QLatin1String("revert")) return undoCommand(registry, o, UndoKind::Revert, out, err);
  err << QStringLiteral("Unknown command \"%1\".\n").arg(command) << kUsageText;
  return kUsage;
}

}  // namespace rt
