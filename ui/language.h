#pragma once
// The language of the interface: English or Traditional Chinese. The source
// texts are the forms' own (Chinese captions, English everything else); the
// translations (romtables_en.qm, romtables_zh_TW.qm) are looked for beside the
// program, then among the installed files. A switch shows every open window
// in the new language at once: each text a window was given through tr() is
// put back through its translation when Qt sends the windows LanguageChange.

#include <QLocale>
#include <QString>
#include <QStringList>

class QPushButton;
class QSettings;
class QWidget;

namespace rt {

class AppContext;

enum class Language { English, Chinese };

// "en" or "zh_TW": the suffix of the translation file.
QString languageCode(Language language);
// Chinese for any Chinese locale (zh_TW, zh_HK, zh_CN...), else English.
Language languageOfLocale(const QLocale& locale);
// The language saved in `settings`, else the system's.
Language chosenLanguage(const QSettings& settings, const QLocale& system = QLocale::system());
void rememberLanguage(QSettings& settings, Language language);

// Where translation files are looked for, given the program's folder.
QStringList translationFolders(const QString& programDir);
// Loads the translation of `language` (and Qt's own, for Chinese, when it is
// installed) and shows every window in it. False
// (and the source texts stay shown) when its file is found in none of `folders`.
bool useLanguage(Language language, const QStringList& folders);
Language currentLanguage();
const QStringList& currentTranslationFolders();

// The main menu's "Language" button: a menu of the two languages, each named
// in its own script; choosing one switches at once and is remembered in `settings`.
QPushButton* languageButton(QWidget* parent, AppContext& context);

}  // namespace rt
