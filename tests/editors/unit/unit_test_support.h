#pragma once
// What the unit editor tests share: an image that holds the unit picture table
// and the unit table, and a few steps on a form found by name.
#include "tests/support/test_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace rt::test::unit {

// Laid out independently of the editors, from the layout of the data.
inline constexpr std::int64_t kUnitTable = 0x82D68;
inline constexpr std::int64_t kUnitRecord = 132;
inline constexpr std::int64_t kPictureTable = 0x78848;
inline constexpr std::int64_t kPictureRecord = 22;
inline constexpr int kUnits = 303;
// Both tables and a little beyond.
inline constexpr std::int64_t kImageSize = kUnitTable + kUnitRecord * kUnits + 64;

inline std::int64_t unitAt(int i) { return kUnitTable + kUnitRecord * i; }
inline std::int64_t pictureAt(int i) { return kPictureTable + kPictureRecord * i; }

// A form opened through the context, on a TempRom.
struct FormFixture : ::testing::Test {
  TestApp app;
  TempRom rom{kImageSize, 20240611};
  QWidget* form = nullptr;

  void open(const QString& name) {
    form = app.showForm(rom.path(), name);
    ASSERT_NE(form, nullptr) << name.toStdString();
  }
  QListWidget* list() { return control<QListWidget>(form, QStringLiteral("List1")); }
  QLineEdit* text(const QString& name) { return control<QLineEdit>(form, name); }
  QComboBox* combo(const QString& name) { return control<QComboBox>(form, name); }
  QCheckBox* check(const QString& name) { return control<QCheckBox>(form, name); }
  void press(const QString& button) { control<QPushButton>(form, button)->click(); }
  void select(int row) { list()->setCurrentRow(row); }
  // Every offset in `diff` lies in [from, from + length).
  static bool within(const std::vector<std::int64_t>& diff, std::int64_t from, std::int64_t length) {
    for (std::int64_t d : diff)
      if (d < from || d >= from + length) return false;
    return true;
  }
};

}  // namespace rt::test::unit
