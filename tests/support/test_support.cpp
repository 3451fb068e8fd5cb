#include "tests/support/test_support.h"

#include "ui/language.h"

#include "app/cli.h"
#include "editors/all_forms.h"
#include "editors/all_tables.h"
#include "tools/sample_rom.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

namespace rt::test {

QByteArray randomBytes(std::int64_t size, std::uint64_t seed) {
  QByteArray out(static_cast<qsizetype>(size), '\0');
  std::uint64_t x = seed * 0x9E3779B97F4A7C15ULL + 1;
  for (qsizetype i = 0; i < out.size(); ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    out[i] = static_cast<char>(x >> 24);
  }
  return out;
}

TempRom::TempRom(const QByteArray& bytes) : path_(dir_.filePath(QStringLiteral("test.nds"))) { write(bytes); }

QByteArray TempRom::bytes() const {
  QFile f(path_);
  if (!f.open(QIODevice::ReadOnly)) return {};
  return f.readAll();
}

void TempRom::write(const QByteArray& bytes) {
  QFile f(path_);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    ADD_FAILURE() << "cannot write " << path_.toStdString();
}

void TempRom::poke(std::int64_t offset, const QByteArray& bytes) {
  QFile f(path_);
  if (!f.open(QIODevice::ReadWrite) || !f.seek(offset) || f.write(bytes) != bytes.size())
    ADD_FAILURE() << "cannot poke " << path_.toStdString();
}

std::vector<std::int64_t> differences(const QByteArray& a, const QByteArray& b) {
  std::vector<std::int64_t> out;
  const qsizetype n = std::min(a.size(), b.size());
  for (qsizetype i = 0; i < n; ++i)
    if (a[i] != b[i]) out.push_back(i);
  if (a.size() != b.size()) out.push_back(n);
  return out;
}

void expectOnlyBytes(const QByteArray& before, const QByteArray& after,
                     const std::vector<std::pair<std::int64_t, int>>& bytes) {
  for (auto [at, value] : bytes) EXPECT_EQ(byteAt(after, at), value) << "at " << at;
  for (std::int64_t d : differences(before, after)) {
    bool listed = false;
    for (auto [at, value] : bytes) listed = listed || at == d;
    EXPECT_TRUE(listed) << "changed " << d;
  }
}

QByteArray sampleImage(std::uint32_t seed) {
  static std::map<std::uint32_t, QByteArray> built;  // about 10 MiB each: build once
  auto it = built.find(seed);
  if (it == built.end()) {
    const std::vector<std::uint8_t> image = sample::buildSampleRom(seed);
    it = built.emplace(seed, QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())))
             .first;
  }
  return it->second;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
  const QString path = dir.filePath(name);
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
    ADD_FAILURE() << "cannot write " << path.toStdString();
  return path;
}

QByteArray le(std::uint32_t value, int width) {
  QByteArray out;
  for (int i = 0; i < width; ++i) out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
  return out;
}

namespace {

class FaultyFile final : public RomFile {
 public:
  FaultyFile(std::unique_ptr<RomFile> inner, FaultyFileLayer& layer) : inner_(std::move(inner)), layer_(layer) {}
  std::int64_t readAt(std::int64_t o, void* b, std::int64_t n) override { return inner_->readAt(o, b, n); }
  std::int64_t writeAt(std::int64_t o, const void* b, std::int64_t n) override {
    if (layer_.failWrites) return -1;
    return inner_->writeAt(o, b, n);
  }
  std::int64_t size() override { return inner_->size(); }
  Status flush() override {
    if (layer_.failFlush) return Status::error(QStringLiteral("Input/output error"));
    return inner_->flush();
  }
  bool interrupted() const override { return false; }
  QString errorText() const override { return layer_.failWrites ? QStringLiteral("No space left on device") : inner_->errorText(); }

 private:
  std::unique_ptr<RomFile> inner_;
  FaultyFileLayer& layer_;
};

class ScriptedFile final : public RomFile {
 public:
  ScriptedFile(std::unique_ptr<RomFile> inner, ScriptedFileLayer& layer) : inner_(std::move(inner)), layer_(layer) {}
  QString identity() const override { return inner_->identity(); }
  // A faulty read or write fails, comes back half done, or is interrupted.
  std::int64_t readAt(std::int64_t o, void* b, std::int64_t n) override {
    interrupted_ = false;
    if (!layer_.hit(FileOp::Read)) return inner_->readAt(o, b, n);
    switch (layer_.fault) {
      case Fault::Fail: return fail(QStringLiteral("Input/output error"));
      case Fault::ShortWrite:
      case Fault::Torn: return inner_->readAt(o, b, std::max<std::int64_t>(1, n / 2));
      case Fault::Interrupt: return interrupt();
    }
    return -1;
  }
  std::int64_t writeAt(std::int64_t o, const void* b, std::int64_t n) override {
    interrupted_ = false;
    if (!layer_.hit(FileOp::Write)) {
      if (layer_.failingWrites == 0) return inner_->writeAt(o, b, n);
      if (layer_.failingWrites > 0) --layer_.failingWrites;
      return fail(QStringLiteral("No space left on device"));
    }
    if (layer_.laterWritesFail) layer_.failingWrites = -1;
    switch (layer_.fault) {
      case Fault::Fail: return fail(QStringLiteral("No space left on device"));
      case Fault::ShortWrite: return inner_->writeAt(o, b, std::max<std::int64_t>(1, n / 2));
      case Fault::Torn:
        if (layer_.failingWrites == 0) layer_.failingWrites = 1;
        return inner_->writeAt(o, b, std::max<std::int64_t>(1, n / 2));
      case Fault::Interrupt: return interrupt();
    }
    return -1;
  }
  // The other operations only fail.
  std::int64_t size() override {
    return failing(FileOp::Size) ? fail(QStringLiteral("Input/output error")) : inner_->size();
  }
  Status flush() override {
    if (failing(FileOp::Flush)) return Status::error(QStringLiteral("Input/output error"));
    return inner_->flush();
  }
  Status stillAtPath() override {
    if (failing(FileOp::Check)) return Status::error(QStringLiteral("the file was replaced by another one"));
    return inner_->stillAtPath();
  }
  bool interrupted() const override { return interrupted_; }
  QString errorText() const override { return error_.isEmpty() ? inner_->errorText() : error_; }

 private:
  bool failing(FileOp op) {
    const bool now = layer_.hit(op) && layer_.fault == Fault::Fail;
    layer_.failures += now;
    return now;
  }
  std::int64_t fail(const QString& why) {
    ++layer_.failures;
    error_ = why;
    return -1;
  }
  std::int64_t interrupt() {
    interrupted_ = true;
    error_ = QStringLiteral("Interrupted system call");
    return -1;
  }
  std::unique_ptr<RomFile> inner_;
  ScriptedFileLayer& layer_;
  bool interrupted_ = false;
  QString error_;
};

// A journal of the system that fails the chosen kind of call before it reaches the file.
class FaultyJournal final : public Journal {
 public:
  FaultyJournal(std::unique_ptr<Journal> inner, FaultyJournalStore& store) : inner_(std::move(inner)), store_(store) {}
  QString path() const override { return inner_->path(); }
  Status lock(int timeoutMs) override { return inner_->lock(timeoutMs); }
  void unlock() override { inner_->unlock(); }
  Result<std::int64_t> begin(const TxInfo& info, const std::vector<Run>& runs, Begin as) override {
    if (failing(JournalFault::Begin)) return broken();
    return inner_->begin(info, runs, as);
  }
  Status setFlushedThrough(std::int64_t id) override { return inner_->setFlushedThrough(id); }
  Status finish(std::int64_t id, TxState state) override {
    if (failing(state == TxState::Done         ? JournalFault::FinishDone
                : state == TxState::RolledBack ? JournalFault::FinishRolledBack
                                               : JournalFault::None))
      return broken();
    return inner_->finish(id, state);
  }
  Result<std::vector<Transaction>> pending() override {
    if (failing(JournalFault::Pending)) return broken();
    return inner_->pending();
  }
  Result<std::vector<Transaction>> list(int limit, bool withRuns) override { return inner_->list(limit, withRuns); }
  Result<Transaction> get(std::int64_t id) override { return inner_->get(id); }
  Result<std::vector<Transaction>> newer(std::int64_t id) override { return inner_->newer(id); }
  Result<Transaction> newestFinished() override { return inner_->newestFinished(); }
  Result<ImageIdentity> identity() override { return inner_->identity(); }
  Status setIdentity(const ImageIdentity& identity) override { return inner_->setIdentity(identity); }
  Status checkpoint(LogStart start) override { return inner_->checkpoint(start); }
  bool changedElsewhere() override { return inner_->changedElsewhere(); }
  Result<std::vector<Transaction>> page(std::int64_t beforeId, int count, bool withRuns) override {
    return inner_->page(beforeId, count, withRuns);
  }

 private:
  bool failing(JournalFault call) {
    if (call == JournalFault::None || call != store_.fault) return false;
    ++store_.failed;
    return true;
  }
  Status broken() const {
    return Status::error(QStringLiteral("The history file \"%1\" cannot be written: disk I/O error.").arg(path()));
  }
  std::unique_ptr<Journal> inner_;
  FaultyJournalStore& store_;
};

}  // namespace

Result<std::unique_ptr<Journal>> FaultyJournalStore::open(const QString& imagePath, bool create, QString* notice,
                                                          bool readOnly) {
  auto inner = systemJournalStore()->open(imagePath, create, notice, readOnly);
  if (!inner || !*inner) return inner;
  return std::unique_ptr<Journal>(new FaultyJournal(std::move(inner.value()), *this));
}

Result<std::unique_ptr<RomFile>> ScriptedFileLayer::open(const QString& path, OpenMode mode) {
  if (hit(FileOp::Open) && fault == Fault::Fail) {
    ++failures;
    return Result<std::unique_ptr<RomFile>>::failure(QStringLiteral("Permission denied"));
  }
  auto inner = systemFileLayer()->open(path, mode);
  if (!inner) return inner;
  return std::unique_ptr<RomFile>(new ScriptedFile(std::move(inner.value()), *this));
}

Result<std::unique_ptr<RomFile>> FaultyFileLayer::open(const QString& path, OpenMode mode) {
  if (mode == OpenMode::ReadWrite) {
    ++writesOpened;
    if (refuseWriteOpen) return Result<std::unique_ptr<RomFile>>::failure(QStringLiteral("Permission denied"));
  }
  auto inner = systemFileLayer()->open(path, mode);
  if (!inner) return inner;
  return std::unique_ptr<RomFile>(new FaultyFile(std::move(inner.value()), *this));
}

QString namesDir() { return QStringLiteral(RT_NAMES_DIR); }

void copyNameLists(const QTemporaryDir& dir, const QString& except) {
  const QDir from(namesDir());
  for (const QString& f : from.entryList({QStringLiteral("*.txt")}))
    if (f != except && !QFile::copy(from.filePath(f), dir.filePath(f))) ADD_FAILURE() << "cannot copy " << f.toStdString();
}

TestApp::TestApp(const QString& names) {
  context = std::make_unique<AppContext>(names, chooser, sink, files);
  context->setSettingsFile(settingsDir.filePath(QStringLiteral("settings.ini")));
  context->setTables(allTables());
  context->setMenus(allMenuRows());
  registerAllForms(*context);
}

std::vector<std::string> registeredTableNames() {
  std::vector<std::string> names;
  const TableRegistry registry = allTables();
  for (const auto& t : registry.all()) names.push_back(t->name().toStdString());
  return names;
}

QWidget* TestApp::showForm(const QString& romPath, const QString& name) {
  context->rom().setRomPath(romPath);
  return context->showForm(name);
}

SampleMenu::SampleMenu() {
  registerMenus(*app.context, &menu);
  menu.load();
  app.chooser->next = rom.path();
  if (auto* open = control<QPushButton>(&menu, QStringLiteral("Open"))) open->click();
  EXPECT_EQ(app.context->rom().romPath(), rom.path());
}

QWidget* SampleMenu::edit(int row, const QString& name, QWidget* window) {
  if (!window) window = &menu;
  auto* rows = control<QListWidget>(window, QStringLiteral("List1"));
  auto* edit = control<QPushButton>(window, QStringLiteral("Edit"));
  if (!rows || !edit) return nullptr;
  rows->setCurrentRow(row);
  edit->click();
  return app.context->openForm(name);
}

CliRun cli(const QStringList& args) {
  CliRun run;
  QTextStream out(&run.out), err(&run.err);
  run.code = runCli(args, namesDir(), out, err);
  out.flush();
  err.flush();
  return run;
}

QJsonArray exportRecords(const QString& romPath, const QString& table) {
  const CliRun run = cli({QStringLiteral("export"), romPath, table});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonDocument doc = QJsonDocument::fromJson(run.out.toUtf8());
  EXPECT_TRUE(doc.isObject()) << run.out.left(200).toStdString();
  EXPECT_EQ(doc.object().value(QStringLiteral("table")).toString(), table);
  return doc.object().value(QStringLiteral("records")).toArray();
}

CliRun importFile(const QString& romPath, const QByteArray& body, const QStringList& more) {
  QTemporaryDir dir;
  return cli(QStringList{QStringLiteral("import"), romPath, writeFile(dir, QStringLiteral("import.txt"), body)} + more);
}

void expectImportRefused(const TempRom& rom, const QByteArray& body, const QString& mention) {
  const QByteArray before = rom.bytes();
  const CliRun run = importFile(rom.path(), body);
  EXPECT_EQ(run.code, 1) << run.err.toStdString();
  EXPECT_TRUE(run.err.contains(mention)) << run.err.toStdString();
  EXPECT_EQ(rom.bytes(), before);
}

QString screenshot(QWidget* window, const QString& name) {
  const QString dir = QStringLiteral(RT_BIN_DIR "/../screenshots");
  QDir().mkpath(dir);
  window->show();
  QApplication::processEvents();
  const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
  return window->grab().save(path) ? path : QString();
}

void expectRefused(TestApp& app, QWidget* form, const std::vector<RefusedTexts>& cases) {
  for (const RefusedTexts& c : cases) {
    auto* box = control<QLineEdit>(form, QString::fromLatin1(c.control));
    ASSERT_NE(box, nullptr);
    const QString good = box->text();
    for (const char* bad : c.texts) {
      SCOPED_TRACE(std::string(c.control) + " '" + bad + "'");
      app.sink->messages.clear();
      box->setText(QString::fromUtf8(bad));
      auto* save = control<QPushButton>(form, QStringLiteral("Save"));
      ASSERT_NE(save, nullptr);
      save->click();
      ASSERT_EQ(app.sink->messages.size(), 1);
      const QString& m = app.sink->messages[0];
      EXPECT_TRUE(m.contains(QString::fromUtf8(c.caption))) << m.toStdString();
      if (c.accepts) {
        EXPECT_TRUE(m.contains(QString::fromUtf8(c.accepts))) << m.toStdString();
      }
    }
    box->setText(good);
  }
}

void typeKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers) {
  QWidget* window = widget->window();
  window->show();
  window->activateWindow();
  EXPECT_TRUE(QTest::qWaitForWindowActive(window)) << window->objectName().toStdString();
  widget->setFocus();
  QTest::keyClick(widget, key, modifiers);
}

std::vector<QWidget*> tabCycle(QWidget* window) {
  std::vector<QWidget*> chain;
  for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window) && w->window() == window) chain.push_back(w);
  auto isButton = [](QWidget* w) { return qobject_cast<QPushButton*>(w) != nullptr; };
  for (size_t i = 0; i < chain.size(); ++i) {
    const size_t before = (i + chain.size() - 1) % chain.size();
    if (isButton(chain[before]) && !isButton(chain[i])) {
      std::rotate(chain.begin(), chain.begin() + static_cast<std::ptrdiff_t>(i), chain.end());
      break;
    }
  }
  return chain;
}

void clickRow(QListWidget* list, int row) {
  QListWidgetItem* item = list->item(row);
  ASSERT_NE(item, nullptr) << "no row " << row;
  list->window()->show();
  list->scrollToItem(item);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(item).center());
}

void expectRendersWithinScreen(QWidget* form, const QString& name) {
  EXPECT_FALSE(screenshot(form, name).isEmpty()) << name.toStdString();
  const QSize size = form->frameGeometry().size();
  EXPECT_LE(size.width(), 1280) << name.toStdString();
  EXPECT_LE(size.height(), 800) << name.toStdString();
}

LanguageScope::LanguageScope(const QString& code) {
  const Language language = code == languageCode(Language::Chinese) ? Language::Chinese : Language::English;
  EXPECT_TRUE(useLanguage(language, {QStringLiteral(RT_BIN_DIR)})) << "no translation " << code.toStdString();
}

LanguageScope::~LanguageScope() { useLanguage(Language::English, {}); }

}  // namespace rt::test
