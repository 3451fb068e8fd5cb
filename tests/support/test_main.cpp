// Test entry: one QApplication for every test, on the offscreen platform unless
// the environment names another, and the SQLite history every image journals into.
#include "history/sqlite_journal.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  rt::setDefaultJournalStore(rt::systemJournalStore());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
