#pragma once
// Shared by the economy form tests: where the tables lie, and reading values
// out of an image's bytes the way the game stores them.

#include "model/table_registry.h"
#include "tests/support/test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QTemporaryDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <cstdint>

namespace rt::test::economy {

constexpr std::int64_t kMoney = 0x6A81C;  // 15 levels x 10 columns of int32
constexpr std::int64_t kAttackLimit = 0xB45A0;
constexpr std::int64_t kExpLimit = 0xA62F4;
// Covers every economy table with room after the last one.
constexpr std::int64_t kImageSize = kAttackLimit + 0x100;

inline std::int64_t moneyAt(int column, int level) { return kMoney + 40 * level + 4 * column; }

inline QString int32Text(const QByteArray& bytes, std::int64_t offset) {
  return QString::number(static_cast<std::int32_t>(valueAt(bytes, offset, 4)));
}

// True when every changed byte lies in [from, from + length) of one of the spans.
inline bool changesOnlyWithin(const QByteArray& before, const QByteArray& after,
                              std::initializer_list<std::pair<std::int64_t, std::int64_t>> spans) {
  for (std::int64_t d : differences(before, after)) {
    bool inside = false;
    for (auto [from, length] : spans) inside = inside || (d >= from && d < from + length);
    if (!inside) return false;
  }
  return true;
}

struct FormFixture : ::testing::Test {
  TestApp app;
  QWidget* form = nullptr;
  std::unique_ptr<TempRom> rom;
  void open(const QString& name, std::uint64_t seed) {
    rom = std::make_unique<TempRom>(kImageSize, seed);
    form = app.showForm(rom->path(), name);
    ASSERT_NE(form, nullptr) << name.toStdString();
  }
  void TearDown() override { app.context->closeAllForms(); }
  QLineEdit* box(const QString& name) { return control<QLineEdit>(form, name); }
  void save() { control<QPushButton>(form, QStringLiteral("Save"))->click(); }
};

}  // namespace rt::test::economy
