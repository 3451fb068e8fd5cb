#include "app/dump.h"

#include "app/importer.h"
#include "app/paths.h"
#include "app/record_io.h"
#include "core/byte_source.h"
#include "core/history/image_view.h"
#include "core/patch_stream.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryFile>

#include <filesystem>

namespace rt {
namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

struct TableFile {
  QString table;
  QString file;
  int records = 0;
  QByteArray bytes;
};

Result<TableFile> dumpTable(RomImage& rom, const TableAdapter& table, const QString& names, bool csv) {
  if (Status holds = checkImageHolds(rom, table); !holds) return holds;
  auto refs = table.records(rom, names);
  if (!refs) return refs.status();
  std::vector<ExportedRecord> records;
  records.reserve(refs->size());
  const TableShape shape(table);
  for (const RecordRef& ref : *refs) {
    auto state = table.read(rom, ref);
    if (!state) return state.status();
    auto stored = storedComboBytes(rom, shape, ref);
    if (!stored) return stored.status();
    records.push_back({ref, *state, *stored});
  }
  TableFile file;
  file.table = table.name();
  file.file = table.name() + (csv ? QStringLiteral(".csv") : QStringLiteral(".json"));
  file.records = static_cast<int>(records.size());
  file.bytes = csv ? recordsToCsv(table, records) : recordsToJson(table, records);
  return file;
}

// A dump is made from the image and can be made again at any time: each file
// replaces the old one whole (written beside it, then renamed over it), so a
// failure leaves the old file, but without waiting for the disk to confirm
// every one of them, which would cost more than the whole export.
Status writeWhole(const QString& path, const QByteArray& bytes) {
  QTemporaryFile file(path + QStringLiteral(".XXXXXX"));
  if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
    return Status::error(QStringLiteral("Cannot write %1: %2.").arg(path, file.errorString()));
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  std::error_code error;
  std::filesystem::rename(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData(), error);
  if (error)
    return Status::error(QStringLiteral("Cannot write %1: %2.").arg(path, QString::fromLocal8Bit(error.message().c_str())));
  file.setAutoRemove(false);  // it is the file now
  return Status::ok();
}

}  // namespace

int runExportAll(const TableRegistry& registry, const DumpCommand& c, QTextStream& out, QTextStream& err) {
  const bool csv = c.format == QLatin1String("csv");
  if (!csv && c.format != QLatin1String("json")) {
    err << QStringLiteral("Unknown format \"%1\"; use json or csv.\n").arg(c.format);
    return kUsage;
  }
  if (c.dir.isEmpty()) {
    err << "export --all needs --output DIR, the folder that gets a file per table.\n";
    return kUsage;
  }
  if (QFileInfo(c.dir).exists() && !QFileInfo(c.dir).isDir()) {
    err << QStringLiteral("--output %1 is a file; export --all writes a folder.\n").arg(c.dir);
    return kUsage;
  }
  // One read of every page the tables use: the records are read through a
  // cache of the image's pages, which nothing writes.
  auto pages = PageCache::open(c.image);
  if (!pages) {
    err << pages.message() << '\n';
    return kFailed;
  }
  (*pages)->setOverlay(recoveryOverlay(c.image));
  RomImage rom(std::make_shared<ImageView>(*pages, std::vector<Run>{}, true), nullptr);
  rom.setRomPath(c.image);
  std::vector<TableFile> files;
  int records = 0;
  for (const auto& table : registry.all()) {
    auto file = dumpTable(rom, *table, c.names, csv);
    if (!file) {
      err << file.message() << " Nothing was written.\n";
      return kFailed;
    }
    records += file->records;
    files.push_back(std::move(file.value()));
  }
  auto image = FileSource::open(c.image);
  if (!image) {
    err << image.message() << '\n';
    return kFailed;
  }
  auto crc = crc32Of(**image);
  if (!crc) {
    err << crc.message() << '\n';
    return kFailed;
  }
  QJsonArray tables;
  for (const TableFile& f : files)
    tables.append(QJsonObject{{QStringLiteral("table"), f.table},
                              {QStringLiteral("file"), f.file},
                              {QStringLiteral("records"), f.records}});
  QJsonObject manifest;
  manifest.insert(QStringLiteral("image"), QFileInfo(c.image).fileName());
  manifest.insert(QStringLiteral("size"), static_cast<qint64>((*image)->size()));
  manifest.insert(QStringLiteral("crc32"), crcText(*crc));
  manifest.insert(QStringLiteral("format"), c.format);
  manifest.insert(QStringLiteral("tables"), tables);
  files.push_back({QString(), QStringLiteral("manifest.json"), 0, QJsonDocument(manifest).toJson(QJsonDocument::Indented)});

  const QDir dir(c.dir);
  for (const TableFile& f : files) {
    if (sameFile(dir.filePath(f.file), c.image)) {
      err << QStringLiteral("%1 is the image being read; choose another folder. Nothing was written.\n").arg(dir.filePath(f.file));
      return kUsage;
    }
  }
  if (!QDir().mkpath(c.dir)) {
    err << QStringLiteral("Cannot make the folder %1.\n").arg(c.dir);
    return kFailed;
  }
  // The manifest goes last, and an older one goes first: a folder with a
  // manifest holds every file the manifest lists, as they were written together.
  QFile::remove(dir.filePath(QStringLiteral("manifest.json")));
  for (const TableFile& f : files) {
    if (Status s = writeWhole(dir.filePath(f.file), f.bytes); !s) {
      err << s.message() << '\n';
      return kFailed;
    }
  }
  out << QStringLiteral("Exported %1 table(s), %2 record(s), of %3 to %4, with manifest.json.\n")
             .arg(files.size() - 1)
             .arg(records)
             .arg(QFileInfo(c.image).fileName(), QDir::toNativeSeparators(c.dir));
  return kOk;
}

}  // namespace rt
