// Every window fits a 1280x800 screen with its title bar, opens at a usable
// size, and gives the room of a larger window to its record lists and grids;
// Tab runs through a form's fields in reading order.
#include "core/ui/compare_window.h"
#include "core/ui/table_view.h"
#include "editors/all_tables.h"
#include "tests/support/test_support.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace rt::test {
namespace {

constexpr int kScreenWidth = 1280, kScreenHeight = 800;
constexpr int kTitleBar = 40;  // what a window manager adds above the window

// "Main", "History", "Compare", "TableView/<table>" or the name of a form.
std::vector<std::string> windowNames() {
  QStringList names{QStringLiteral("Main"), QStringLiteral("History"), QStringLiteral("Compare")};
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
    if (name.startsWith(QLatin1String("TableView/"))) return showTableView(*s.app.context, name.section(u'/', 1));
    return s.app.context->showForm(name);
  }
};

// The lists and grids a user picks records from; not headers, nor the
// frozen columns a grid lays over itself.
std::vector<QAbstractItemView*> recordViews(QWidget* window) {
  std::vector<QAbstractItemView*> views;
  for (auto* v : window->findChildren<QAbstractItemView*>()) {
    if (qobject_cast<QHeaderView*>(v) || !v->isVisibleTo(window) || v->window() != window) continue;
    if (qobject_cast<QAbstractItemView*>(v->parentWidget())) continue;
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

class EveryWindow : public ::testing::TestWithParam<std::string> {};

TEST_P(EveryWindow, FitsTheScreenAndItsListsTakeTheRoomOfALargerWindow) {
  const QString name = QString::fromStdString(GetParam());
  OpenWindow o;
  QWidget* w = o.open(name);
  ASSERT_NE(w, nullptr) << o.s.app.sink->messages.join(u'\n').toStdString();
  const QString shot = QStringLiteral("fit_") + QString(name).replace(u'/', u'_');
  ASSERT_FALSE(screenshot(w, shot).isEmpty());
  const QSize shown = w->frameGeometry().size(), least = w->minimumSizeHint();
  for (const QSize& size : {shown, least}) {
    EXPECT_LE(size.width(), kScreenWidth) << size.width() << "x" << size.height();
    EXPECT_LE(size.height(), kScreenHeight - kTitleBar) << size.width() << "x" << size.height();
  }
  EXPECT_GE(w->width(), least.width());  // nothing squeezed below what it needs
  EXPECT_GE(w->height(), least.height());

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

INSTANTIATE_TEST_SUITE_P(Windows, EveryWindow, ::testing::ValuesIn(windowNames()), [](const auto& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
});

// MAP makes its name boxes and columns out of order; Tab still goes row by
// row, left to right, after the two lists (each with its filter) and before
// the buttons.
TEST(TabOrder, RunsThroughMapsFieldsInReadingOrder) {
  OpenWindow o;
  QWidget* map = o.open(QStringLiteral("MAP"));
  ASSERT_NE(map, nullptr);
  map->show();
  QApplication::processEvents();
  std::vector<QWidget*> chain;
  for (QWidget* w = map->nextInFocusChain(); w != map; w = w->nextInFocusChain())
    if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(map)) chain.push_back(w);
  ASSERT_GE(chain.size(), 6u);
  const QStringList lists{"List1Filter", "List1", "List2Filter", "List2"};  // each list after its filter
  for (int i = 0; i < lists.size(); ++i) EXPECT_EQ(chain[static_cast<size_t>(i)]->objectName(), lists[i]);
  int fields = 0;
  bool button = false;
  QRect last;
  for (size_t i = 4; i < chain.size(); ++i) {
    const QRect at(chain[i]->mapTo(map, QPoint(0, 0)), chain[i]->size());
    const std::string name = chain[i]->objectName().toStdString();
    if (qobject_cast<QPushButton*>(chain[i])) {
      button = true;
      continue;
    }
    EXPECT_FALSE(button) << name << " after a button";
    if (fields++ > 0) {
      const bool sameRow = at.center().y() >= last.top() && at.center().y() <= last.bottom();
      EXPECT_TRUE(sameRow ? at.x() > last.x() : at.top() > last.top()) << name << " out of reading order";
    }
    last = at;
  }
  EXPECT_TRUE(button);
  EXPECT_EQ(fields, 28);  // the three columns but their four name boxes
}

}  // namespace
}  // namespace rt::test
