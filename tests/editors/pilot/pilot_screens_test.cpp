// The three pilot table forms open from the menu on the sample image and render.
#include "tests/support/test_support.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>

#include <gtest/gtest.h>

namespace rt::test {
namespace {

// Every text a control shows must fit inside it: a clipped caption is unreadable.
void expectNothingClipped(QWidget* form) {
  for (QLabel* label : form->findChildren<QLabel*>()) {
    if (!label->isVisible() || label->text().isEmpty()) continue;
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()))
        << form->objectName().toStdString() << ": label " << label->text().toStdString();
  }
  for (QLineEdit* edit : form->findChildren<QLineEdit*>()) {
    if (!edit->isVisible() || edit->text().isEmpty()) continue;
    EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(edit->text()))
        << form->objectName().toStdString() << ": box " << edit->objectName().toStdString() << " '"
        << edit->text().toStdString() << "'";
  }
  for (QWidget* child : form->findChildren<QWidget*>()) {
    if (!child->isVisible() || child->isWindow()) continue;
    const QRect inForm(child->mapTo(form, QPoint(0, 0)), child->size());
    EXPECT_TRUE(form->rect().contains(inForm)) << form->objectName().toStdString() << ": "
                                               << child->objectName().toStdString() << " lies outside the window";
  }
  EXPECT_LE(form->width(), 1280);
  EXPECT_LE(form->height(), 800);
}

struct Screen {
  int menuRow;
  const char* form;
};

class PilotScreens : public ::testing::TestWithParam<Screen> {};

TEST_P(PilotScreens, OpensFromTheMenuAndNothingIsClipped) {
  SampleMenu menu;
  TestApp& app = menu.app;
  QWidget* form = menu.edit(GetParam().menuRow, QString::fromLatin1(GetParam().form));
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(app.sink->messages.isEmpty()) << app.sink->messages.join(QStringLiteral("\n")).toStdString();
  EXPECT_EQ(control<QListWidget>(form, QStringLiteral("List1"))->currentRow(), 0);
  EXPECT_FALSE(screenshot(form, QString::fromLatin1(GetParam().form)).isEmpty());
  expectNothingClipped(form);
}

INSTANTIATE_TEST_SUITE_P(Forms, PilotScreens,
                         ::testing::Values(Screen{2, "Pilot"}, Screen{14, "character"}, Screen{8, "PSkills"}),
                         [](const auto& info) { return std::string(info.param.form); });

}  // namespace
}  // namespace rt::test
