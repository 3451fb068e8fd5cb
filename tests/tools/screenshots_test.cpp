// romtables_screenshots, run as the script runs it: one PNG per window, of the window's size.
#include "tests/support/test_support.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

TEST(Screenshots, WritesOnePaintedImageOfItsSizePerWindow) {
  QTemporaryDir out;
  QProcess run;
  run.start(QStringLiteral(RT_BIN_DIR "/romtables_screenshots"), {QStringLiteral(RT_BIN_DIR "/sample.nds"), out.path()});
  ASSERT_TRUE(run.waitForFinished(300000));
  EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();

  // Every menu row's window and the table view of each row with a table, the
  // main menu, the history, the comparison, the merge and the check.
  TestApp app;
  QStringList expected = {QStringLiteral("Main.png"), QStringLiteral("History.png"), QStringLiteral("Compare.png"),
                          QStringLiteral("Merge.png"), QStringLiteral("Check.png")};
  for (const FormPlace& place : app.context->menus().all()) {
    expected << place.id + QStringLiteral(".png");
    if (app.context->gridViews().make(place.id, app.context->tables()))
      expected << QStringLiteral("Table-%1.png").arg(place.id);
  }
  expected.sort();
  QStringList written = QDir(out.path()).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
  EXPECT_EQ(written.join(u' ').toStdString(), expected.join(u' ').toStdString());

  const QRegularExpression line(QStringLiteral("^(\\S+\\.png) (\\d+)x(\\d+)$"));
  QStringList reported;
  for (const QString& text : QString::fromUtf8(run.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
    const auto match = line.match(text);
    ASSERT_TRUE(match.hasMatch()) << text.toStdString();
    reported << match.captured(1);
    SCOPED_TRACE(text.toStdString());
    const QImage image(out.filePath(match.captured(1)));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(match.captured(2).toInt(), match.captured(3).toInt()));
    // A window that painted nothing is one colour.
    bool painted = false;
    for (int y = 0; y < image.height() && !painted; y += 4)
      for (int x = 0; x < image.width() && !painted; x += 4) painted = image.pixel(x, y) != image.pixel(0, 0);
    EXPECT_TRUE(painted);
  }
  reported.sort();
  EXPECT_EQ(reported.join(u' ').toStdString(), expected.join(u' ').toStdString());
}

}  // namespace
}  // namespace rt::test
