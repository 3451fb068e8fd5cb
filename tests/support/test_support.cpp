#include "tests/support/test_support.h"

#include "editors/all_forms.h"

#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QApplication>

#include <algorithm>

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
  // A faulty read or write fails, comes back half done, or is interrupted.
  std::int64_t readAt(std::int64_t o, void* b, std::int64_t n) override {
    interrupted_ = false;
    if (!layer_.hit()) return inner_->readAt(o, b, n);
    switch (layer_.fault) {
      case Fault::Fail: return fail(QStringLiteral("Input/output error"));
      case Fault::ShortWrite: return inner_->readAt(o, b, std::max<std::int64_t>(1, n / 2));
      case Fault::Interrupt: return interrupt();
    }
    return -1;
  }
  std::int64_t writeAt(std::int64_t o, const void* b, std::int64_t n) override {
    interrupted_ = false;
    if (!layer_.hit()) return inner_->writeAt(o, b, n);
    switch (layer_.fault) {
      case Fault::Fail: return fail(QStringLiteral("No space left on device"));
      case Fault::ShortWrite: return inner_->writeAt(o, b, std::max<std::int64_t>(1, n / 2));
      case Fault::Interrupt: return interrupt();
    }
    return -1;
  }
  // The other operations only fail.
  std::int64_t size() override { return failing() ? fail(QStringLiteral("Input/output error")) : inner_->size(); }
  Status flush() override {
    if (failing()) return Status::error(QStringLiteral("Input/output error"));
    return inner_->flush();
  }
  Status stillAtPath() override {
    if (failing()) return Status::error(QStringLiteral("the file was replaced by another one"));
    return inner_->stillAtPath();
  }
  bool interrupted() const override { return interrupted_; }
  QString errorText() const override { return error_.isEmpty() ? inner_->errorText() : error_; }

 private:
  bool failing() { return layer_.hit() && layer_.fault == Fault::Fail; }
  std::int64_t fail(const QString& why) {
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

}  // namespace

Result<std::unique_ptr<RomFile>> ScriptedFileLayer::open(const QString& path, OpenMode mode) {
  if (hit() && fault == Fault::Fail) return Result<std::unique_ptr<RomFile>>::failure(QStringLiteral("Permission denied"));
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

TestApp::TestApp(const QString& names) {
  context = std::make_unique<AppContext>(names, chooser, sink, files);
  registerAllForms(*context);
}

QString screenshot(QWidget* window, const QString& name) {
  const QString dir = QStringLiteral(RT_BIN_DIR "/../screenshots");
  QDir().mkpath(dir);
  window->show();
  QApplication::processEvents();
  const QString path = QDir(dir).filePath(name + QStringLiteral(".png"));
  window->grab().save(path);
  return path;
}

}  // namespace rt::test
