#pragma once
// Shared test helpers: seeded random ROM images in temporary files, byte-level
// comparisons, a file dialog and a message sink the tests control, a file layer
// that can be made to fail, and offscreen screenshots.

#include "core/ui/app_context.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
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
  QStringList messages;
  void error(QWidget*, const QString&, const QString& text) override { messages << text; }
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
// identity check) and makes the operation numbered faultAt misbehave.
enum class Fault { Fail, ShortWrite, Interrupt };
class ScriptedFileLayer final : public FileLayer {
 public:
  int faultAt = -1;
  Fault fault = Fault::Fail;
  int operations = 0;
  bool faulted = false;  // the faulty operation was reached
  Result<std::unique_ptr<RomFile>> open(const QString& path, OpenMode mode) override;
  bool hit() {  // counts one operation; true for the faulty one
    const bool now = operations++ == faultAt;
    faulted |= now;
    return now;
  }
};

// The default name lists of the source tree.
QString namesDir();

// A context with the test chooser and sink, the editor forms registered.
struct TestApp {
  std::shared_ptr<FakeChooser> chooser = std::make_shared<FakeChooser>();
  std::shared_ptr<CapturingSink> sink = std::make_shared<CapturingSink>();
  std::shared_ptr<FaultyFileLayer> files = std::make_shared<FaultyFileLayer>();
  std::unique_ptr<AppContext> context;
  explicit TestApp(const QString& names = namesDir());
};

// Finds a control by object name inside a window; fails the test when missing.
template <typename T>
T* control(QWidget* window, const QString& name) {
  T* found = window ? window->findChild<T*>(name) : nullptr;
  if (!found) ADD_FAILURE() << "no control " << name.toStdString();
  return found;
}

// Renders a window offscreen to a PNG under <build>/screenshots; returns the path.
QString screenshot(QWidget* window, const QString& name);

}  // namespace rt::test
