// The import of a folder (`romtables-cli import ROM DIR`, importFolder): any
// manifest.json and one table file beside it, applied to the sample image. An
// import that is refused says why and leaves the image as it was, with no
// transaction in its history; one that succeeds keeps the image's size and
// changes only bytes of the one transaction it recorded, to that transaction's
// new bytes.
//
// Input: 1 byte: bits 0-1 the table file's name (SPEdit.json, money.csv,
// Pilot.json, Rules.csv), bit 2 no manifest (the folder is scanned for files
// named after tables). Then a 16-bit length and that many bytes of manifest;
// the rest is the table file.

#include "app/importer.h"
#include "history/sqlite_journal.h"
#include "editors/all_tables.h"
#include "fuzz/fuzz_support.h"

#include <QDir>
#include <QFile>

namespace {

const rt::TableRegistry& registry() {
  static const rt::TableRegistry r = rt::allTables();
  return r;
}

QString folder(const char* name) {
  const QString d = rt::fuzz::scratchDir() + QLatin1Char('/') + QLatin1String(name);
  QDir().mkpath(d);
  return d;
}

// The image as the last run left it: rewritten only when a run changed it.
bool imageChanged = true;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rt::fuzz::ensureApplication();
  rt::fuzz::FuzzInput in(data, size);
  const std::uint8_t mode = in.byte();
  static const QString images = folder("import-image"), files = folder("import-folder");
  const QString image = images + QStringLiteral("/image.nds");
  const QByteArray& clean = rt::fuzz::sampleImage();
  // No history from an earlier run: each import starts from none.
  for (const QString& name : rt::fuzz::filesIn(images))
    if (name != QLatin1String("image.nds")) QFile::remove(images + QLatin1Char('/') + name);
  if (imageChanged) rt::fuzz::writeWhole(image, clean);

  rt::fuzz::removeFiles(files);
  static const char* names[] = {"SPEdit.json", "money.csv", "Pilot.json", "Rules.csv"};
  const QByteArray manifest = in.bytes(in.u16());
  if (!(mode & 4)) rt::fuzz::writeWhole(files + QStringLiteral("/manifest.json"), manifest);
  rt::fuzz::writeWhole(files + QLatin1Char('/') + QLatin1String(names[mode & 3]), in.rest());

  QString outText, errText;
  QTextStream out(&outText), err(&errText);
  const int code = rt::importFolder(registry(), rt::ImportRequest{image, files, QString(), rt::fuzz::namesDir()}, out, err);
  out.flush();
  err.flush();
  const QByteArray after = rt::fuzz::readWhole(image);
  imageChanged = after != clean;

  // What the history recorded.
  std::vector<rt::Transaction> recorded;
  {
    auto journal = rt::systemJournalStore()->open(image, false, nullptr);
    FUZZ_CHECK(journal, QStringLiteral("the import's history does not open: ") + journal.message());
    if (*journal) {
      auto listed = (*journal)->list(-1, true);
      FUZZ_CHECK(listed, QStringLiteral("the import's history does not list: ") + listed.message());
      recorded = std::move(listed.value());
    }
  }

  if (code != 0) {
    FUZZ_CHECK(code == 1 || code == 2, QStringLiteral("exit %1").arg(code));
    FUZZ_CHECK(!errText.isEmpty(), QStringLiteral("refused without a message"));
    FUZZ_CHECK(!imageChanged, QStringLiteral("a refused import changed the image: ") + errText);
    FUZZ_CHECK(recorded.empty(), QStringLiteral("a refused import recorded a transaction: ") + errText);
    return 0;
  }
  FUZZ_CHECK(after.size() == clean.size(), QStringLiteral("the import changed the image's size to %1").arg(after.size()));
  FUZZ_CHECK(recorded.size() <= 1, QStringLiteral("one import recorded %1 transactions").arg(recorded.size()));
  QByteArray expected = clean;
  if (!recorded.empty()) {
    FUZZ_CHECK(recorded.front().state == rt::TxState::Done,
               QStringLiteral("the import's transaction is %1").arg(rt::stateName(recorded.front().state)));
    for (const rt::Run& run : recorded.front().runs) {
      FUZZ_CHECK(run.offset >= 0 && run.before.size() == run.after.size() && run.offset + run.after.size() <= clean.size() &&
                     clean.mid(run.offset, run.before.size()) == run.before,
                 QStringLiteral("the recorded run at %1 does not match the image").arg(run.offset));
      expected.replace(run.offset, run.after.size(), run.after);
    }
  }
  FUZZ_CHECK(after == expected, QStringLiteral("the import changed bytes its transaction does not hold"));
  return 0;
}
