#include "fuzz/fuzz_support.h"

#include "history/sqlite_journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "tools/sample_rom.h"

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace rt::fuzz {

void fail(const char* file, int line, const char* condition, const QString& detail) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n  %s\n", file, line, condition,
               detail.toUtf8().constData());
  std::fflush(stderr);
  std::abort();
}

std::uint8_t FuzzInput::byte() { return pos_ < size_ ? data_[pos_++] : 0; }

std::uint16_t FuzzInput::u16() {
  const std::uint16_t lo = byte();
  return static_cast<std::uint16_t>(lo | (byte() << 8));
}

std::uint32_t FuzzInput::u32() {
  const std::uint32_t lo = u16();
  return lo | (static_cast<std::uint32_t>(u16()) << 16);
}

std::uint64_t FuzzInput::u64() {
  const std::uint64_t lo = u32();
  return lo | (static_cast<std::uint64_t>(u32()) << 32);
}

std::int64_t FuzzInput::range(std::int64_t lo, std::int64_t hi) {
  const auto span = static_cast<std::uint64_t>(hi) - static_cast<std::uint64_t>(lo);
  // Take only as many bytes as the span needs, so small choices stay cheap.
  std::uint64_t raw = 0;
  for (std::uint64_t s = span; s != 0; s >>= 8) raw = (raw << 8) | byte();
  const std::uint64_t offset = span == UINT64_MAX ? raw : raw % (span + 1);
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(lo) + offset);
}

QByteArray FuzzInput::bytes(std::size_t n) {
  const std::size_t take = n < left() ? n : left();
  QByteArray out(reinterpret_cast<const char*>(data_ + pos_), static_cast<qsizetype>(take));
  pos_ += take;
  return out;
}

void ensureApplication() {
  static int argc = 1;
  static char name[] = "romtables-fuzz";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QCoreApplication> app = [] {
    rt::setDefaultJournalStore(rt::systemJournalStore());
    return QCoreApplication::instance() ? nullptr : std::make_unique<QCoreApplication>(argc, argv);
  }();
  (void)app;
}

const QString& scratchDir() {
  static QTemporaryDir* dir = [] {
    const QString ram = QStringLiteral("/dev/shm");
    const QString parent = QDir(ram).exists() ? ram : QDir::tempPath();
    auto* d = new QTemporaryDir(parent + QStringLiteral("/romtables-fuzz-XXXXXX"));
    if (!d->isValid()) fail(__FILE__, __LINE__, "scratch folder", d->errorString());
    return d;
  }();
  static const QString path = dir->path();
  // Removed at exit; libFuzzer ends runs through exit(), which runs this.
  static const int cleanup = std::atexit([] { dir->remove(); });
  (void)cleanup;
  return path;
}

QString namesDir() { return QStringLiteral(RT_NAMES_DIR); }

const QByteArray& sampleImage() {
  static const QByteArray image = [] {
    const std::vector<std::uint8_t> bytes = sample::buildSampleRom(1);
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
  }();
  return image;
}

void writeWhole(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
  if (!written) fail(__FILE__, __LINE__, "scratch file written", path + QStringLiteral(": ") + file.errorString());
}

QByteArray readWhole(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList filesIn(const QString& dir) {
  return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

void removeFiles(const QString& dir) {
  const QDir folder(dir);
  for (const QString& name : filesIn(dir)) QFile::remove(folder.filePath(name));
}

bool isWellFormedUtf16(QStringView text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate()) {
      if (i + 1 >= text.size() || !text[i + 1].isLowSurrogate()) return false;
      ++i;
    } else if (c.isLowSurrogate()) {
      return false;
    }
  }
  return true;
}

QString quoted(QStringView text) {
  QString out = QStringLiteral("\"");
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 0x20 && u < 0x7F && u != u'"' && u != u'\\') out.append(c);
    else out.append(QStringLiteral("\\u%1").arg(static_cast<int>(u), 4, 16, QLatin1Char('0')));
  }
  out.append(u'"');
  return out;
}

QString hexBytes(const QByteArray& bytes, int limit) {
  QString out = QString::fromLatin1(bytes.left(limit).toHex(' '));
  if (bytes.size() > limit) out += QStringLiteral(" ... (%1 bytes)").arg(bytes.size());
  return out;
}

}  // namespace rt::fuzz
