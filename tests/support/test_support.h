#pragma once
// Shared test helpers: seeded random ROM images in temporary files, byte-level
// comparisons, a file dialog and a message sink the tests control, a file layer
// that can be made to fail, offscreen screenshots, the command line with its
// output captured, and the main menu on the sample image.

#include "ui/app_context.h"
#include "ui/menus.h"
#include "history/sqlite_journal.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonValue>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace rt::test {

// Deterministic pseudo-random bytes.
QByteArray randomBytes(std::int64_t size, std::uint64_t seed);

// A temporary folder holding one ROM image file.
class TempRom {
 public:
  explicit TempRom(const QByteArray& bytes);
  TempRom(std::int64_t size, std::uint64_t seed) : TempRom(randomBytes(size, seed)) {}
  const QString& path() const { return path_; }
  QByteArray bytes() const;  // the file as it is now
  void write(const QByteArray& bytes);
  void poke(std::int64_t offset, const QByteArray& bytes);  // in place

 private:
  QTemporaryDir dir_;
  QString path_;
};

// Offsets where two byte arrays differ (and a size change counts as a difference at the shorter end).
std::vector<std::int64_t> differences(const QByteArray& a, const QByteArray& b);
QByteArray le(std::uint32_t value, int width);
inline int byteAt(const QByteArray& bytes, std::int64_t offset) {
  return static_cast<std::uint8_t>(bytes[static_cast<qsizetype>(offset)]);
}
// Little-endian unsigned value of `width` bytes (1 to 4).
inline std::uint32_t valueAt(const QByteArray& bytes, std::int64_t offset, int width) {
  std::uint32_t v = 0;
  for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<std::uint32_t>(byteAt(bytes, offset + i));
  return v;
}

// Checks that `after` holds each listed byte value and differs from `before` nowhere else.
void expectOnlyBytes(const QByteArray& before, const QByteArray& after,
                     const std::vector<std::pair<std::int64_t, int>>& bytes);

// The sample image of tools/sample_rom.h for `seed` (built once per seed and run).
QByteArray sampleImage(std::uint32_t seed = 1);

// Writes `bytes` to the file `name` in `dir`; returns its path. A failed write fails the test.
QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes);

class FakeChooser final : public FileChooser {
 public:
  QString next;  // what the next dialog reports; empty = cancel
  int shown = 0;
  QString chooseRomImage(QWidget*, const QString&) override {
    ++shown;
    return next;
  }
};

class CapturingSink final : public MessageSink {
 public:
  QStringList messages;   // errors
  QStringList notices;    // info
  QStringList questions;  // each answered with `answer`
  bool answer = false;
  void error(QWidget*, const QString&, const QString& text) override { messages << text; }
  void info(QWidget*, const QString&, const QString& text) override { notices << text; }
  bool ask(QWidget*, const QString&, const QString& question) override {
    questions << question;
    return answer;
  }
  QStringList unsavedQuestions;  // each answered with the next of `unsavedInTurn`, then with `unsaved`
  Unsaved unsaved = Unsaved::Cancel;
  std::vector<Unsaved> unsavedInTurn;
  Unsaved askUnsaved(QWidget*, const QString&, const QString& text) override {
    unsavedQuestions << text;
    if (unsavedInTurn.size() >= static_cast<size_t>(unsavedQuestions.size()))
      return unsavedInTurn[static_cast<size_t>(unsavedQuestions.size() - 1)];
    return unsaved;
  }
  QStringList staleQuestions;  // each answered with `stale`
  Stale stale = Stale::Cancel;
  Stale askStale(QWidget*, const QString&, const QString& text) override {
    staleQuestions << text;
    return stale;
  }
};

// Fails chosen operations of the files it opens; everything else goes to the system.
class FaultyFileLayer final : public FileLayer {
 public:
  bool refuseWriteOpen = false;  // as for a read-only file (root ignores chmod)
  bool failWrites = false;
  bool failFlush = false;
  int writesOpened = 0;
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override;
};

// Counts every operation of the files it opens (open, size, read, write, flush,
// identity check) and makes the operation numbered faultAt misbehave. A torn
// write stores half its bytes and the write after it fails (ENOSPC); with
// laterWritesFail every write after the fault fails too (a disk that stays
// full), so putting the old bytes back fails as well.
enum class Fault { Fail, ShortWrite, Interrupt, Torn };
enum class FileOp { Open, Size, Read, Write, Flush, Check };
class ScriptedFileLayer final : public FileLayer {
 public:
  int faultAt = -1;
  Fault fault = Fault::Fail;
  bool laterWritesFail = false;
  int operations = 0;
  bool faulted = false;       // the faulty operation was reached
  int failures = 0;           // operations that failed (not counting interruptions)
  std::vector<FileOp> trace;  // every operation, in order
  int failingWrites = 0;      // writes still to fail after the fault; -1: all
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override;
  bool hit(FileOp op) {  // counts one operation; true for the faulty one
    trace.push_back(op);
    const bool now = operations++ == faultAt;
    faulted |= now;
    return now;
  }
};

// The system's history files, with one kind of call made to fail: the
// transaction's begin (recording it pending), its finish as done or as rolled
// back, or the look-up of pending transactions. `failed` counts the failures.
enum class JournalFault { None, Begin, FinishDone, FinishRolledBack, Pending };
class FaultyJournalStore final : public JournalStore {
 public:
  JournalFault fault = JournalFault::None;
  int failed = 0;
  Result<std::unique_ptr<Journal>> open(const QString& imagePath, bool create, QString* notice,
                                        bool readOnly = false) override;
  QString leftBehind(const QString& imagePath, const std::function<Result<ImageIdentity>()>& image) override {
    return systemJournalStore()->leftBehind(imagePath, image);
  }
};

// The default name lists of the source tree.
QString namesDir();
// Copies the default name lists into `dir`, all but the file `except`.
void copyNameLists(const QTemporaryDir& dir, const QString& except = {});

// The names of the registered tables (each its form's name), as test parameters.
std::vector<std::string> registeredTableNames();

// A context with the test chooser and sink, the editor forms registered.
struct TestApp {
  std::shared_ptr<FakeChooser> chooser = std::make_shared<FakeChooser>();
  std::shared_ptr<CapturingSink> sink = std::make_shared<CapturingSink>();
  std::shared_ptr<FaultyFileLayer> files = std::make_shared<FaultyFileLayer>();
  std::unique_ptr<AppContext> context;
  QTemporaryDir settingsDir;  // the recent images of this test alone
  explicit TestApp(const QString& names = namesDir());
  // Makes `romPath` the image and shows the form `name`; null when it did not open.
  QWidget* showForm(const QString& romPath, const QString& name);
};

// Shows the interface in `code` ("en" or "zh_TW", from the built translations)
// while it lives; the source texts again after, as every other test expects.
struct LanguageScope {
  explicit LanguageScope(const QString& code);
  ~LanguageScope();
  LanguageScope(const LanguageScope&) = delete;
  LanguageScope& operator=(const LanguageScope&) = delete;
};

// The main menu on a copy of the sample image, chosen through "Open NDS": the way
// a user reaches the forms.
struct SampleMenu {
  TestApp app;
  TempRom rom{sampleImage()};
  MainMenu menu{*app.context};
  SampleMenu();
  // Selects `row` of the menu `window` (the main menu when null), presses Edit and
  // returns the form `name`; null when it did not open.
  QWidget* edit(int row, const QString& name, QWidget* window = nullptr);
};

// One run of the command line with its output captured.
// How export writes a plain combo byte: its row, or "(n)" past a list of listCount rows.
inline QJsonValue exportedCombo(int byte, int listCount) {
  return byte < listCount ? QJsonValue(byte) : QJsonValue(QStringLiteral("(%1)").arg(byte));
}

struct CliRun {
  int code = -1;
  QString out, err;
};
CliRun cli(const QStringList& args);
// The "records" of a JSON export of `table`; a failed export fails the test.
QJsonArray exportRecords(const QString& romPath, const QString& table);
// Imports `body` (JSON or CSV) from a temporary file, with any further arguments.
CliRun importFile(const QString& romPath, const QByteArray& body, const QStringList& more = {});
// Imports `body`, which must be refused: exit code 1, a message that contains
// `mention`, and the image left as it was.
void expectImportRefused(const TempRom& rom, const QByteArray& body, const QString& mention);

// Finds a control by object name inside a window; fails the test when missing.
template <typename T>
T* control(QWidget* window, const QString& name) {
  T* found = window ? window->findChild<T*>(name) : nullptr;
  if (!found) ADD_FAILURE() << "no control " << name.toStdString();
  return found;
}

// A box and the texts Save must refuse: one message that names `caption` and,
// when given, what the box `accepts`.
struct RefusedTexts {
  const char* control;
  const char* caption;
  const char* accepts;  // null: not checked
  std::vector<const char*> texts;
};
// Types each text into its box of `form` and presses Save; each box gets its text
// back after its texts. Wrap in ASSERT_NO_FATAL_FAILURE: a missing message stops it.
void expectRefused(TestApp& app, QWidget* form, const std::vector<RefusedTexts>& cases);

// Makes the window of `widget` the active one, focuses `widget` and types the
// key there, as a user would: the window's shortcuts see it.
void typeKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers);

// The widgets Tab visits in `window`, once round: the focus chain is a
// circle, read from the first widget after the buttons that close it.
std::vector<QWidget*> tabCycle(QWidget* window);

// Clicks row `row` of `list` with the mouse, as a user would.
void clickRow(QListWidget* list, int row);

// Renders a window offscreen to a PNG under <build>/screenshots; returns the path,
// empty when the image could not be saved.
QString screenshot(QWidget* window, const QString& name);
// Renders a form as screenshot() does and checks that its window fits a 1280x800 screen.
void expectRendersWithinScreen(QWidget* form, const QString& name);

}  // namespace rt::test
