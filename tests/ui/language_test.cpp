// The interface's language: chosen from the system's locale or the setting,
// switched from the main menu for every open window at once and remembered;
// the control names never change. (Every window's texts in both languages:
// window_fit_test.cpp; every text translated: the translations_complete test.)
#include "tests/ui/shown_texts.h"
#include "ui/language.h"
#include "ui/check_window.h"
#include "ui/merge_window.h"
#include "editors/layout.h"
#include "model/name_list.h"
#include "tests/support/test_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>

namespace rt::test {

namespace {

// Shown in either language: proper names (the program's, devices' of the
// setting), units and abbreviations a modder reads as they are, and the
// languages' own names.
const QStringList kAsWritten = {
    QStringLiteral("RomTables"), QStringLiteral("ROM"), QStringLiteral("NDS"), QStringLiteral("BGM"),
    QStringLiteral("MAP"), QStringLiteral("SP"), QStringLiteral("HP"), QStringLiteral("EN"), QStringLiteral("EXP"),
    QStringLiteral("LV"), QStringLiteral("CT"), QStringLiteral("OSkill"), QStringLiteral("CSV"),
    QStringLiteral("PS"), QStringLiteral("VPS"), QStringLiteral("English"), QStringLiteral("中文（繁體）"),
    QStringLiteral("ptr"), QStringLiteral("ミラージュコロイド"), QStringLiteral("ヤタノカガミ"), QStringLiteral("ミラ"),
    QStringLiteral("ヴォワチュールリュミエール"), QStringLiteral("マジンパワー"), QStringLiteral("Nジャマーキャンセラー"),
    QStringLiteral("ハイパーデュートリオン")};

// Every item of the default name lists: data, shown as the lists hold it (their
// Japanese names in English, their abbreviations in Chinese).
// Longest first, so that an item is taken out whole before any item within it.
const QStringList& listItems() {
  static const QStringList items = [] {
    QSet<QString> all;
    QDirIterator it(namesDir(), {QStringLiteral("*.txt")}, QDir::Files);
    while (it.hasNext()) {
      QFile file(it.next());
      if (!file.open(QIODevice::ReadOnly)) continue;
      for (const QString& item : splitNameListItems(decodeNameListBytes(file.readAll()))) all.insert(item.trimmed());
    }
    QStringList sorted(all.begin(), all.end());
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return sorted;
  }();
  return items;
}

// Shown as the image or the file system has it.
const QStringList kDataControls = {QStringLiteral("romHeaderLabel")};

bool wrongScript(QString text, const QString& language) {
  text.remove(u'&');
  for (const QString& item : listItems())
    if (item.size() > 1 && text.contains(item)) text.replace(item, QStringLiteral(" "));
  // Paths and the names of files the user chose.
  static const QRegularExpression path(QStringLiteral("\\S*/\\S*|[\\w.-]+\\.(?:nds|json|bps|csv)\\b"));
  text.replace(path, QStringLiteral(" "));
  for (const QString& word : kAsWritten) text.replace(word, QStringLiteral(" "));
  static const QRegularExpression cjk(QStringLiteral("[\\x{3040}-\\x{30ff}\\x{3400}-\\x{9fff}]"));
  // A control's name in mixed case ("ATKLimit", "noOfWeapon"), as a status line names the field focused.
  static const QRegularExpression controlName(QStringLiteral("\\b[A-Za-z]*(?:[a-z][A-Z]|[A-Z]{2}[a-z])\\w*"));
  text.replace(controlName, QStringLiteral(" "));
  // A Latin word; control names ("SpAP(0)", "Ab(3)") and hexadecimal offsets are names.
  static const QRegularExpression latin(QStringLiteral("(?<![\\w(])(?!0x)[A-Za-z]{2,}(?![\\w(])"));
  return language == QLatin1String("en") ? text.contains(cjk) : text.contains(latin);
}

}  // namespace

QStringList textsInOtherScript(QWidget* window, const QString& language) {
  QStringList wrong;
  auto check = [&](const QString& text, QWidget* w) {
    if (!kDataControls.contains(w->objectName()) && wrongScript(text, language)) wrong << QStringLiteral("%1: %2").arg(w->objectName(), text);
  };
  check(window->windowTitle(), window);
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(window) || w->window() != window) continue;
    if (auto* label = qobject_cast<QLabel*>(w)) check(label->text(), w);
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) check(button->text(), w);
    else if (auto* group = qobject_cast<QGroupBox*>(w)) check(group->title(), w);
    else if (auto* view = qobject_cast<QTableView*>(w); view && view->model()) {
      // A grid's column captions, less the control name a caption shared by two columns carries.
      for (int c = 0; c < view->model()->columnCount(); ++c) {
        QString caption = view->model()->headerData(c, Qt::Horizontal).toString();
        caption.remove(view->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString());
        check(caption, w);
      }
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w); tree && tree->headerItem()) {
      for (int c = 0; c < tree->headerItem()->columnCount(); ++c) check(tree->headerItem()->text(c), w);
    }
  }
  return wrong;
}

namespace {

TEST(Language, FollowsTheSystemLocaleUnlessOneWasChosen) {
  struct Case {
    const char* locale;
    Language expected;
  };
  for (const Case& c : {Case{"zh_TW", Language::Chinese}, Case{"zh_HK", Language::Chinese},
                        Case{"zh_CN", Language::Chinese}, Case{"en_US", Language::English},
                        Case{"ja_JP", Language::English}, Case{"fr_FR", Language::English}}) {
    SCOPED_TRACE(c.locale);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("s.ini")), QSettings::IniFormat);
    const QLocale locale(QString::fromLatin1(c.locale));
    EXPECT_EQ(chosenLanguage(settings, locale), c.expected);
    // A choice made on the menu outlives the locale.
    const Language other = c.expected == Language::Chinese ? Language::English : Language::Chinese;
    rememberLanguage(settings, other);
    EXPECT_EQ(chosenLanguage(settings, locale), other);
  }
}

// The menu's Language switches every open window at once, keeps each
// control's name and is remembered for the next run.
TEST(Language, TheMenuSwitchesEveryOpenWindowAndRemembersIt) {
  LanguageScope english(QStringLiteral("en"));
  SampleMenu s;
  QWidget* pilot = s.edit(2, QStringLiteral("Pilot"));
  ASSERT_NE(pilot, nullptr) << s.app.sink->messages.join(u'\n').toStdString();
  auto* frame = control<QGroupBox>(pilot, QStringLiteral("Frame3"));
  auto* exit = control<QPushButton>(pilot, QStringLiteral("Exit"));
  auto* open = control<QPushButton>(&s.menu, QStringLiteral("Open"));
  auto* language = control<QPushButton>(&s.menu, QStringLiteral("Language"));
  ASSERT_NE(language->menu(), nullptr);
  const auto choose = [&](const char* code) {
    QAction* action = language->menu()->findChild<QAction*>(QStringLiteral("Language(%1)").arg(QLatin1String(code)));
    ASSERT_NE(action, nullptr) << code;
    action->trigger();
    QApplication::processEvents();
  };
  struct Shown {
    const char* code;
    const char* frame;
    const char* exit;
    const char* open;
    const char* label;  // the caption of the first stat
  };
  const QStringList labelsBefore = [&] {
    QStringList texts;
    for (auto* l : pilot->findChildren<QLabel*>()) texts << l->text();
    return texts;
  }();
  ASSERT_TRUE(labelsBefore.contains(QStringLiteral("Melee")));
  for (const Shown& shown : {Shown{"zh_TW", "特殊技能A", "離開(&X)", "開啟 NDS(&O)", "格鬥"},
                             Shown{"en", "Pilot skills A", "E&xit", "&Open NDS", "Melee"}}) {
    SCOPED_TRACE(shown.code);
    choose(shown.code);
    EXPECT_EQ(frame->title().toStdString(), shown.frame);
    EXPECT_EQ(exit->text().toStdString(), shown.exit);
    EXPECT_EQ(open->text().toStdString(), shown.open);
    QStringList labels;
    for (auto* l : pilot->findChildren<QLabel*>()) labels << l->text();
    EXPECT_TRUE(labels.contains(QString::fromUtf8(shown.label))) << labels.join(u' ').toStdString();
    EXPECT_EQ(textsInOtherScript(pilot, QString::fromLatin1(shown.code)).join(u'|').toStdString(), "");
    EXPECT_EQ(textsInOtherScript(&s.menu, QString::fromLatin1(shown.code)).join(u'|').toStdString(), "");
    EXPECT_EQ(s.app.context->settings()->value(QStringLiteral("language")).toString().toStdString(), shown.code);
    EXPECT_EQ(currentLanguage() == Language::Chinese, QLatin1String(shown.code) == QLatin1String("zh_TW"));
  }
  // The same texts as before the round trip, under the same names.
  QStringList labelsAfter;
  for (auto* l : pilot->findChildren<QLabel*>()) labelsAfter << l->text();
  EXPECT_EQ(labelsAfter, labelsBefore);
  EXPECT_EQ(control<QPushButton>(pilot, QStringLiteral("Exit")), exit);
}

// The Check and Merge windows switch with the rest: their titles, headers,
// status lines (built from counts) and the merge's choices.
TEST(Language, TheCheckAndMergeWindowsSwitchAtOnce) {
  LanguageScope english(QStringLiteral("en"));
  SampleMenu s;
  CheckWindow* check = showCheckWindow(*s.app.context);
  ASSERT_NE(check, nullptr);
  // Another hack changed two pilots' abilities; the image changed one of them differently.
  const QByteArray clean = s.rom.bytes();
  const std::int64_t conflict = layout::kPilotBase + layout::kPilotStride * 13 + 0x39;
  const std::int64_t taken = layout::kPilotBase + layout::kPilotStride * 7 + 0x3A;
  QByteArray other = clean;
  other[static_cast<qsizetype>(conflict)] = static_cast<char>(byteAt(clean, conflict) ^ 0x0C);
  other[static_cast<qsizetype>(taken)] = static_cast<char>(byteAt(clean, taken) ^ 0x12);
  s.rom.poke(conflict, QByteArray(1, static_cast<char>(byteAt(clean, conflict) ^ 0x03)));
  TempRom cleanRom(clean), theirs(other);
  MergeWindow merge(*s.app.context);
  QSignalSpy ready(&merge, &MergeWindow::ready);
  merge.mergeFrom(cleanRom.path(), theirs.path());
  if (merge.busy()) {
    ASSERT_TRUE(ready.wait(30000));
  }
  auto* tree = control<QTreeWidget>(&merge, QStringLiteral("MergeTree"));
  const auto choices = [&] {
    QStringList texts;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
      if (!(*it)->text(4).isEmpty()) texts << (*it)->text(0).section(u' ', -1) + u'=' + (*it)->text(4);
    return texts.join(u' ').toStdString();
  };
  const auto status = [](QWidget* w, const char* name) { return control<QLabel>(w, QString::fromLatin1(name))->text(); };
  const QString checkStatus = status(check, "CheckStatus"), mergeStatus = status(&merge, "MergeStatus");
  const std::string englishChoices = choices();
  EXPECT_NE(englishChoices.find("take theirs"), std::string::npos) << englishChoices;
  EXPECT_NE(englishChoices.find("(conflict)=keep mine"), std::string::npos) << englishChoices;

  ASSERT_TRUE(useLanguage(Language::Chinese, {QStringLiteral(RT_BIN_DIR)}));
  for (QWidget* w : std::initializer_list<QWidget*>{check, &merge}) {
    SCOPED_TRACE(w->objectName().toStdString());
    EXPECT_EQ(textsInOtherScript(w, QStringLiteral("zh_TW")).join(u'|').toStdString(), "");
  }
  EXPECT_NE(status(check, "CheckStatus"), checkStatus);
  EXPECT_NE(status(&merge, "MergeStatus"), mergeStatus);
  const std::string chineseChoices = choices();
  EXPECT_EQ(chineseChoices.find("theirs"), std::string::npos) << chineseChoices;
  EXPECT_EQ(chineseChoices.find("mine"), std::string::npos) << chineseChoices;

  // Back in English, every text is as it was, the ticks kept.
  ASSERT_TRUE(useLanguage(Language::English, {QStringLiteral(RT_BIN_DIR)}));
  EXPECT_EQ(status(check, "CheckStatus"), checkStatus);
  EXPECT_EQ(status(&merge, "MergeStatus"), mergeStatus);
  EXPECT_EQ(choices(), englishChoices);
  s.app.context->closeAllForms();
}

// A refused value's message is in the language shown, its field named so too;
// the command line, with no translation loaded, keeps the declared caption.
TEST(Language, ARefusedValueIsNamedInTheLanguageShown) {
  for (const auto& [code, expected] :
       {std::pair{"en", "Nothing was saved.\nSP cost: '999' is not a whole number from 0 to 255."},
        std::pair{"zh_TW", "未儲存任何內容。\n消耗SP: '999' 不是 0 到 255 之間的整數."}}) {
    SCOPED_TRACE(code);
    LanguageScope shown{QString::fromLatin1(code)};
    SampleMenu s;
    QWidget* form = s.edit(0, QStringLiteral("SPEdit"));
    ASSERT_NE(form, nullptr);
    control<QLineEdit>(form, QStringLiteral("SP_VAL"))->setText(QStringLiteral("999"));
    control<QPushButton>(form, QStringLiteral("Save"))->click();
    EXPECT_TRUE(s.app.sink->messages.join(u'\n').contains(QString::fromUtf8(expected)))
        << s.app.sink->messages.join(u'\n').toStdString();
  }
}

}  // namespace
}  // namespace rt::test
