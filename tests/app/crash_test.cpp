// The command line killed, and two of it writing at once, on the sample image:
// an import killed at any moment leaves the image all old or all new once the
// next command has opened it, and two imports started together both land.
#include "tests/support/test_support.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <thread>

namespace rt::test {
namespace {

const QString kCli = QStringLiteral(RT_BIN_DIR "/romtables-cli");

// The sample image copied into `dir`, as image.nds.
QString copySample(const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("image.nds"));
  QFile::remove(path);
  EXPECT_TRUE(QFile::copy(QStringLiteral(RT_BIN_DIR "/sample.nds"), path));
  QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  return path;
}

void removeHistory(const QString& image) {
  for (const char* suffix : {".history", ".history-wal", ".history-shm"}) QFile::remove(image + suffix);
}

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Puts `bytes` back over the part of the file that differs from them.
void restore(const QString& path, const QByteArray& bytes) {
  const auto changed = differences(bytes, readAll(path));
  if (changed.empty()) return;
  QFile f(path);
  const qint64 from = changed.front(), length = changed.back() + 1 - from;
  if (!f.open(QIODevice::ReadWrite) || !f.seek(from) || f.write(bytes.mid(from, length)) != length)
    ADD_FAILURE() << "cannot restore " << path.toStdString();
}

// An import file that sets `field` of every record of `table` to change(its exported value).
QString importChanging(const QTemporaryDir& dir, const QString& image, const QString& table, const QString& field,
                       const std::function<int(int)>& change) {
  const QJsonArray exported = exportRecords(image, table);
  QJsonArray records;
  for (const QJsonValue& r : exported) {
    const QJsonObject fields = r.toObject().value(QStringLiteral("fields")).toObject();
    EXPECT_TRUE(fields.contains(field)) << field.toStdString();
    const int value = fields.value(field).toString().toInt();
    records.append(QJsonObject{{QStringLiteral("index"), r.toObject().value(QStringLiteral("index"))},
                               {QStringLiteral("fields"), QJsonObject{{field, QString::number(change(value))}}}});
  }
  const QJsonObject root{{QStringLiteral("table"), table}, {QStringLiteral("records"), records}};
  return writeFile(dir, table + QLatin1Char('-') + field + QStringLiteral(".json"), QJsonDocument(root).toJson());
}

QStringList importArgs(const QString& image, const QString& file) {
  return {QStringLiteral("import"), image, file, QStringLiteral("--names"), namesDir()};
}

// Runs the command line to its end; gives its exit code (-1 when it crashed) and its stderr.
std::pair<int, QString> runChild(const QStringList& args) {
  QProcess p;
  p.setStandardOutputFile(QProcess::nullDevice());
  p.start(kCli, args);
  if (!p.waitForFinished(60000)) return {-1, QStringLiteral("did not finish")};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAllStandardError())};
}

TEST(Crash, AnImportKilledAnywhereLeavesTheImageAllOldOrAllNew) {
  QTemporaryDir dir;
  const QString image = copySample(dir);
  const QByteArray oldImage = readAll(image);
  ASSERT_GT(oldImage.size(), 0);
  const QString file = importChanging(dir, image, QStringLiteral("Unit"), QStringLiteral("MOV"),
                                      [](int v) { return (v + 1) % 100; });

  // Full imports, timed as the runs below time theirs, give the new image and
  // the window the kills are spread over (the median of three).
  std::vector<qint64> durations;
  QByteArray newImage;
  for (int i = 0; i < 3; ++i) {
    removeHistory(image);
    QElapsedTimer timer;
    timer.start();
    const auto [code, err] = runChild(importArgs(image, file));
    durations.push_back(timer.nsecsElapsed());
    ASSERT_EQ(code, 0) << err.toStdString();
    newImage = readAll(image);
    restore(image, oldImage);
  }
  std::sort(durations.begin(), durations.end());
  const qint64 windowNs = durations[1];
  const auto changed = differences(oldImage, newImage);
  ASSERT_FALSE(changed.empty());
  const std::int64_t lo = changed.front(), hi = changed.back() + 1;

  constexpr int kRuns = 200;
  constexpr unsigned kSeed = 20261207;
  std::mt19937 random(kSeed);
  // The transaction is recorded and written in the last part of an import
  // (after reading, parsing and checking), so the kills lean that way.
  std::uniform_int_distribution<qint64> moment(windowNs / 3, windowNs * 11 / 10);
  // What each kill found: import finished; killed with nothing recorded or with the
  // transaction done (no notice); killed after recording it pending, before,
  // during or after writing the image (rolled back by the next command).
  int finished = 0, quiet = 0, pendingUntouched = 0, pendingTorn = 0, pendingWritten = 0;
  for (int run = 0; run < kRuns; ++run) {
    removeHistory(image);
    const qint64 at = moment(random);
    QProcess import;
    import.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    import.start(kCli, importArgs(image, file));
    ASSERT_TRUE(import.waitForStarted()) << import.errorString().toStdString();
    std::this_thread::sleep_for(std::chrono::nanoseconds(std::max<qint64>(0, at - timer.nsecsElapsed())));
    import.kill();
    ASSERT_TRUE(import.waitForFinished(30000));
    const bool completed = import.exitStatus() == QProcess::NormalExit;
    if (completed) {
      EXPECT_EQ(import.exitCode(), 0) << "run " << run << ": " << import.readAllStandardError().toStdString();
    }

    const QByteArray span = readAll(image).mid(lo, hi - lo);
    const auto [code, err] = runChild({QStringLiteral("export"), image, QStringLiteral("SPEdit"),
                                       QStringLiteral("--names"), namesDir()});
    ASSERT_EQ(code, 0) << "run " << run << ": " << err.toStdString();
    const QByteArray now = readAll(image);
    const bool isOld = now == oldImage, isNew = now == newImage;
    const std::string where = "run " + std::to_string(run) + " killed at " + std::to_string(at / 1000) + " us";
    ASSERT_TRUE(isOld || isNew) << where << ": " << differences(oldImage, now).size() << " bytes differ from the old image";
    const bool rolledBack = err.contains(QStringLiteral("was rolled back"));
    if (completed) {
      EXPECT_TRUE(isNew) << where;
    }
    if (rolledBack) {
      EXPECT_TRUE(isOld) << where;
    }
    // Every byte written but the done mark lost: the next command keeps it.
    const bool kept = err.contains(QStringLiteral("it was kept"));
    if (kept) {
      EXPECT_TRUE(isNew) << where;
      ++pendingWritten;
      if (!isOld) restore(image, oldImage);
      continue;
    }
    const bool touched = span != oldImage.mid(lo, hi - lo);
    if (completed) ++finished;
    else if (!rolledBack) ++quiet;
    else if (!touched) ++pendingUntouched;
    else if (span != newImage.mid(lo, hi - lo)) ++pendingTorn;
    else ++pendingWritten;
    if (!isOld) restore(image, oldImage);
  }
  std::printf("[   INFO   ] %d kills over %.1f ms (seed %u): import finished %d; killed with nothing pending %d; "
              "killed mid-write, found pending %d (rolled back with the image not yet written %d or partly %d; "
              "kept, wholly written, %d)\n",
              kRuns, windowNs / 1e6, kSeed, finished, quiet, pendingUntouched + pendingTorn + pendingWritten,
              pendingUntouched, pendingTorn, pendingWritten);
}

TEST(Crash, TwoImportsStartedTogetherBothLandInFull) {
  QTemporaryDir dir;
  const QString image = copySample(dir);
  const QByteArray oldImage = readAll(image);
  const QString atk = importChanging(dir, image, QStringLiteral("Weapon"), QStringLiteral("ATK"),
                                     [](int v) { return (v + 10) % 65536; });
  const QString en = importChanging(dir, image, QStringLiteral("Weapon"), QStringLiteral("EN"),
                                    [](int v) { return (v + 1) % 256; });
  // Both landed, one after the other.
  ASSERT_EQ(runChild(importArgs(image, atk)).first, 0);
  ASSERT_EQ(runChild(importArgs(image, en)).first, 0);
  const QByteArray both = readAll(image);
  ASSERT_NE(both, oldImage);

  for (int run = 0; run < 5; ++run) {
    restore(image, oldImage);
    removeHistory(image);
    QProcess a, b;
    for (auto [p, f] : {std::pair{&a, atk}, std::pair{&b, en}}) {
      p->setStandardOutputFile(QProcess::nullDevice());
      p->start(kCli, importArgs(image, f));
    }
    for (QProcess* p : {&a, &b}) {
      ASSERT_TRUE(p->waitForFinished(60000)) << "run " << run;
      EXPECT_EQ(p->exitStatus(), QProcess::NormalExit) << "run " << run;
      EXPECT_EQ(p->exitCode(), 0) << "run " << run << ": " << p->readAllStandardError().toStdString();
    }
    const QByteArray now = readAll(image);
    EXPECT_TRUE(now == both) << "run " << run << ": " << differences(both, now).size() << " bytes differ";
  }
}

}  // namespace
}  // namespace rt::test
