// Every window, in English and in Chinese, fits a 1280x800 screen with its
// title bar, opens at a usable size with no caption cut off, shows no text in
// the other language's script, and gives the room of a larger window to its
// record lists and grids;
// Tab runs down each column of a form's fields, then the next.
#include "ui/check_window.h"
#include "ui/compare_window.h"
#include "ui/merge_window.h"
#include "editors/layout.h"
#include "ui/table_view.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"
#include "tests/ui/shown_texts.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QGroupBox>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>

namespace rt::test {
namespace {

constexpr int kScreenWidth = 1280, kScreenHeight = 800;
constexpr int kTitleBar = 40;  // what a window manager adds above the window

// "Main", "History", "Compare", "Merge", "Check", "TableView/<table>" or the name of a form.
std::vector<std::string> windowNames() {
  QStringList names{QStringLiteral("Main"), QStringLiteral("History"), QStringLiteral("Compare"),
                    QStringLiteral("Merge"), QStringLiteral("Check")};
  const MenuRows menus = allMenuRows();
  for (const FormPlace& place : menus.all()) names << place.id;
  const TableRegistry tables = allTables();
  for (const auto& table : tables.all()) names << QStringLiteral("TableView/") + table->name();
  names.removeDuplicates();
  std::vector<std::string> all;
  for (const QString& n : names) all.push_back(n.toStdString());
  return all;
}

struct OpenWindow {
  SampleMenu s;
  std::unique_ptr<QWidget> owned;  // a window no menu keeps
  ~OpenWindow() { s.app.context->closeAllForms(); }
  QWidget* open(const QString& name) {
    if (name == QLatin1String("Main")) return &s.menu;
    if (name == QLatin1String("Compare")) {
      owned = std::make_unique<CompareWindow>(*s.app.context);
      return owned.get();
    }
    if (name == QLatin1String("Merge")) return openMerge();
    if (name == QLatin1String("Check")) return showCheckWindow(*s.app.context);
    if (name.startsWith(QLatin1String("TableView/"))) return showTableView(*s.app.context, name.section(u'/', 1));
    return s.app.context->showForm(name);
  }

  // Another hack's changes to two pilots: one the open image also made
  // differently (a conflict), one taken, one it holds already.
  QWidget* openMerge() {
    const QByteArray clean = sampleImage();
    const auto pilotByte = [](int index, int at) { return layout::kPilotBase + layout::kPilotStride * index + at; };
    const auto changed = [](QByteArray bytes, std::int64_t at, int flip) {
      bytes[static_cast<qsizetype>(at)] = static_cast<char>(byteAt(bytes, at) ^ flip);
      return bytes;
    };
    const std::int64_t conflict = pilotByte(13, 0x39), taken = pilotByte(7, 0x3A), same = pilotByte(3, 0x39);
    s.rom.poke(conflict, QByteArray(1, static_cast<char>(byteAt(clean, conflict) ^ 0x03)));
    s.rom.poke(same, QByteArray(1, static_cast<char>(byteAt(clean, same) ^ 0x01)));
    cleanRom = std::make_unique<TempRom>(clean);
    theirs = std::make_unique<TempRom>(changed(changed(changed(clean, conflict, 0x0C), taken, 0x12), same, 0x01));
    auto merge = std::make_unique<MergeWindow>(*s.app.context);
    QSignalSpy ready(merge.get(), &MergeWindow::ready);
    merge->mergeFrom(cleanRom->path(), theirs->path());
    if (merge->busy() && !ready.wait(30000)) return nullptr;
    owned = std::move(merge);
    return owned.get();
  }
  std::unique_ptr<TempRom> cleanRom, theirs;
};

// The lists and grids a user picks records from; not headers, nor the
// frozen columns a grid lays over itself.
std::vector<QAbstractItemView*> recordViews(QWidget* window) {
  std::vector<QAbstractItemView*> views;
  for (auto* v : window->findChildren<QAbstractItemView*>()) {
    if (qobject_cast<QHeaderView*>(v) || !v->isVisibleTo(window) || v->window() != window) continue;
    if (qobject_cast<QAbstractItemView*>(v->parentWidget())) continue;
    if (v->objectName() == QLatin1String("UsedBy")) continue;  // what names the record shown, a few rows
    views.push_back(v);
  }
  return views;
}

// Where the record views lie in the window, all of them together.
QRect spanOf(const std::vector<QAbstractItemView*>& views, QWidget* window) {
  QRect span;
  for (auto* v : views) span |= QRect(v->mapTo(window, QPoint(0, 0)), v->size());
  return span;
}

// Captions, buttons and frame titles drawn narrower than their text.
QStringList clipped(QWidget* window) {
  QStringList cut;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    auto* label = qobject_cast<QLabel*>(w);
    if (label && (label->wordWrap() || label->objectName() == QLatin1String("Status"))) continue;  // wraps, or cut on purpose
    if (!label && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QGroupBox*>(w)) continue;
    if (w->width() < w->minimumSizeHint().width())
      cut << QStringLiteral("%1 (%2 < %3)").arg(w->objectName()).arg(w->width()).arg(w->minimumSizeHint().width());
  }
  return cut;
}

class EveryWindow : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(EveryWindow, FitsTheScreenAndItsListsTakeTheRoomOfALargerWindow) {
  const QString name = QString::fromStdString(std::get<0>(GetParam()));
  const QString language = QString::fromStdString(std::get<1>(GetParam()));
  LanguageScope shownIn(language);
  OpenWindow o;
  QWidget* w = o.open(name);
  ASSERT_NE(w, nullptr) << o.s.app.sink->messages.join(u'\n').toStdString();
  const QString shot = QStringLiteral("fit_%1_").arg(language) + QString(name).replace(u'/', u'_');
  ASSERT_FALSE(screenshot(w, shot).isEmpty());
  const QSize shown = w->frameGeometry().size(), least = w->minimumSizeHint();
  for (const QSize& size : {shown, least}) {
    EXPECT_LE(size.width(), kScreenWidth) << size.width() << "x" << size.height();
    EXPECT_LE(size.height(), kScreenHeight - kTitleBar) << size.width() << "x" << size.height();
  }
  EXPECT_GE(w->width(), least.width());  // nothing squeezed below what it needs
  EXPECT_GE(w->height(), least.height());
  EXPECT_EQ(clipped(w).join(QStringLiteral(", ")).toStdString(), "");
  EXPECT_EQ(textsInOtherScript(w, language).join(QStringLiteral(" | ")).toStdString(), "");

  const std::vector<QAbstractItemView*> views = recordViews(w);
  std::vector<QSize> before;
  for (auto* v : views) before.push_back(v->size());
  const QRect span = spanOf(views, w);
  constexpr int kMore = 200;
  w->resize(w->size() + QSize(kMore, kMore));
  QApplication::processEvents();
  EXPECT_FALSE(screenshot(w, shot + QStringLiteral("_larger")).isEmpty());
  for (size_t i = 0; i < views.size(); ++i) {
    EXPECT_GT(views[i]->width(), before[i].width()) << views[i]->objectName().toStdString();
    EXPECT_GT(views[i]->height(), before[i].height()) << views[i]->objectName().toStdString();
  }
  if (views.empty()) return;
  // Most of the room goes to the lists, not to the fields beside them.
  EXPECT_GE(spanOf(views, w).width() - span.width(), kMore / 2);
  EXPECT_GE(spanOf(views, w).height() - span.height(), kMore / 2);
}

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindow,
                         ::testing::Combine(::testing::ValuesIn(windowNames()), ::testing::Values("en", "zh_TW")),
                         [](const auto& info) {
  std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
});

// Tab runs down each column of fields, then the next column to the right,
// after the record lists (each with its filter) and before the buttons; MAP
// makes its name boxes and columns out of order, Units has two columns of
// fields side by side.
TEST(TabOrder, RunsDownEachColumnOfFieldsThenTheNext) {
  struct Case {
    const char* form;
    QStringList lists;  // first in the chain
    int fields;
  };
  for (const Case& c : {Case{"MAP", {"List1Filter", "List1", "List2Filter", "List2"}, 28},
                        Case{"Unit", {"List1Filter", "List1"}, 0}}) {
    SCOPED_TRACE(c.form);
    OpenWindow o;
    QWidget* form = o.open(QString::fromLatin1(c.form));
    ASSERT_NE(form, nullptr);
    form->show();
    QApplication::processEvents();
    const std::vector<QWidget*> chain = tabCycle(form);
    ASSERT_GT(chain.size(), static_cast<size_t>(c.lists.size()));
    for (int i = 0; i < c.lists.size(); ++i) EXPECT_EQ(chain[static_cast<size_t>(i)]->objectName(), c.lists[i]);
    int fields = 0, columns = 0;
    bool button = false, usedBy = false;
    QRect last;
    int columnRight = -1, leftBehind = -1;  // the current column's right edge; the right edge of those done
    for (size_t i = static_cast<size_t>(c.lists.size()); i < chain.size(); ++i) {
      const QRect at(chain[i]->mapTo(form, QPoint(0, 0)), chain[i]->size());
      const std::string name = chain[i]->objectName().toStdString();
      if (qobject_cast<QPushButton*>(chain[i])) {
        button = true;
        continue;
      }
      EXPECT_FALSE(button) << name << " after a button";
      // The "Used by" list under the fields comes after them, before the buttons.
      if (chain[i]->objectName() == QLatin1String("UsedBy")) {
        usedBy = true;
        continue;
      }
      EXPECT_FALSE(usedBy) << name << " after the Used by list";
      EXPECT_GT(at.left(), leftBehind) << name << " in a column already left";
      if (fields++ == 0 || at.left() > columnRight) {  // the next column
        ++columns;
        leftBehind = std::max(leftBehind, columnRight);
        columnRight = at.right();
      } else {
        const bool sameRow = at.center().y() >= last.top() && at.center().y() <= last.bottom();
        EXPECT_TRUE(sameRow ? at.x() > last.x() : at.top() > last.top()) << name << " above the field before it";
        columnRight = std::max(columnRight, at.right());
      }
      last = at;
    }
    EXPECT_TRUE(button);
    EXPECT_GE(columns, 2);
    if (c.fields > 0) EXPECT_EQ(fields, c.fields);  // MAP: the three columns but their four name boxes
  }
}

// A long status text is cut to fit: the window keeps its width.
TEST(StatusLines, ALongStatusNeverWidensItsWindow) {
  for (const char* name : {"money", "TableView/SPEdit"}) {
    SCOPED_TRACE(name);
    OpenWindow o;
    QWidget* w = o.open(QString::fromLatin1(name));
    ASSERT_NE(w, nullptr);
    w->show();
    QApplication::processEvents();
    const int width = w->width(), least = w->minimumSizeHint().width();
    auto* status = control<QLabel>(w, QStringLiteral("Status"));
    status->setText(QStringLiteral("Saved money 0: 4 bytes at 0xA5E54 in a file whose name is long. ").repeated(30));
    QApplication::processEvents();
    EXPECT_EQ(w->width(), width);
    EXPECT_EQ(w->minimumSizeHint().width(), least);
    EXPECT_LE(status->width(), w->width());
  }
}

}  // namespace
}  // namespace rt::test
