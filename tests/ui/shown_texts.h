#pragma once
// What a window shows in the script of the other language: its title, every
// visible caption, button, frame title and grid column caption, less what is data (the name lists'
// items, the menu rows that title windows) and the exceptions language_test.cpp lists.

#include <QString>
#include <QStringList>

class QWidget;

namespace rt::test {

// `language` is "en" (no Chinese, Japanese kana) or "zh_TW" (no Latin word).
QStringList textsInOtherScript(QWidget* window, const QString& language);

}  // namespace rt::test
