#include "ui/language.h"

#include "ui/app_context.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QTabWidget>
#include <QTableWidget>
#include <QTranslator>
#include <QTreeWidget>

#include <memory>

namespace rt {
namespace {

const QString kLanguageKey = QStringLiteral("language");

struct Source {
  QByteArray context;
  QByteArray text;
};

// Translates through the loaded file and notes, for each text it hands out,
// the context and source it came from; a language change puts every noted
// text shown in a window back through the new translation.
class NotingTranslator : public QTranslator {
 public:
  bool loadFile(const QString& file) { return inner_.load(file); }
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* sourceText, const char* disambiguation,
                    int n) const override {
    QString shown = inner_.translate(context, sourceText, disambiguation, n);
    if (!context || !sourceText || disambiguation || n >= 0) return shown;
    QMutexLocker lock(&mutex_);
    const Source source{context, sourceText};
    noted_.insert(QString::fromUtf8(sourceText), source);
    if (!shown.isEmpty()) noted_.insert(shown, source);
    return shown;
  }
  // `shown` in the language now loaded; itself when it was not handed out.
  QString again(const QString& shown) const {
    Source source;
    if (find(shown, &source)) return QCoreApplication::translate(source.context.constData(), source.text.constData());
    // A numbered or lettered caption ("Spirit 3") was handed out as its pattern ("Spirit %1").
    static const QRegularExpression numbered(QStringLiteral("^(.*?)(\\d+|[A-Z])(\\D*)$"));
    const QRegularExpressionMatch m = numbered.match(shown);
    if (!m.hasMatch() || !find(m.captured(1) + QStringLiteral("%1") + m.captured(3), &source)) return shown;
    return QCoreApplication::translate(source.context.constData(), source.text.constData()).arg(m.captured(2));
  }

 private:
  bool find(const QString& shown, Source* source) const {
    QMutexLocker lock(&mutex_);
    const auto it = noted_.constFind(shown);
    if (it == noted_.constEnd()) return false;
    *source = *it;
    return true;
  }

  QTranslator inner_;
  mutable QMutex mutex_;
  mutable QHash<QString, Source> noted_;
};

// Puts the texts of each widget told of a language change back through the new
// translation. Combo boxes and lists hold data (the name lists' items) and are left alone.
class Retranslator : public QObject {
 public:
  explicit Retranslator(const NotingTranslator& translator) : translator_(translator) {}

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    if (event->type() == QEvent::LanguageChange && object->isWidgetType())
      retranslate(static_cast<QWidget*>(object));
    return false;
  }

 private:
  QString again(const QString& text) const { return translator_.again(text); }

  void retranslate(QWidget* w) const {
    if (w->isWindow() && !w->windowTitle().isEmpty()) w->setWindowTitle(again(w->windowTitle()));
    if (!w->toolTip().isEmpty()) w->setToolTip(again(w->toolTip()));
    if (auto* label = qobject_cast<QLabel*>(w)) label->setText(again(label->text()));
    else if (auto* button = qobject_cast<QAbstractButton*>(w)) button->setText(again(button->text()));
    else if (auto* group = qobject_cast<QGroupBox*>(w)) group->setTitle(again(group->title()));
    else if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->setPlaceholderText(again(edit->placeholderText()));
    else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
      for (int i = 0; i < tabs->count(); ++i) tabs->setTabText(i, again(tabs->tabText(i)));
    } else if (auto* table = qobject_cast<QTableWidget*>(w)) {
      for (int c = 0; c < table->columnCount(); ++c)
        if (auto* item = table->horizontalHeaderItem(c)) item->setText(again(item->text()));
    } else if (auto* tree = qobject_cast<QTreeWidget*>(w)) {
      if (auto* header = tree->headerItem())
        for (int c = 0; c < header->columnCount(); ++c) header->setText(c, again(header->text(c)));
    }
    for (QAction* action : w->actions()) {
      action->setText(again(action->text()));
      if (!action->toolTip().isEmpty()) action->setToolTip(again(action->toolTip()));
    }
  }

  const NotingTranslator& translator_;
};

struct State {
  NotingTranslator own;
  QTranslator qt;  // Qt's own texts (standard buttons, file dialogs), when installed
  std::unique_ptr<Retranslator> retranslator;
  Language language = Language::English;
  QStringList folders;
  bool installed = false;
};

State& state() {
  static State s;
  return s;
}

}  // namespace

QString languageCode(Language language) {
  return language == Language::Chinese ? QStringLiteral("zh_TW") : QStringLiteral("en");
}

Language languageOfLocale(const QLocale& locale) {
  return locale.language() == QLocale::Chinese ? Language::Chinese : Language::English;
}

Language chosenLanguage(const QSettings& settings, const QLocale& system) {
  const QString saved = settings.value(kLanguageKey).toString();
  if (saved == languageCode(Language::Chinese)) return Language::Chinese;
  if (saved == languageCode(Language::English)) return Language::English;
  return languageOfLocale(system);
}

void rememberLanguage(QSettings& settings, Language language) { settings.setValue(kLanguageKey, languageCode(language)); }

QStringList translationFolders(const QString& programDir) {
  return {programDir, QDir(programDir).filePath(QStringLiteral("../share/romtables/translations"))};
}

bool useLanguage(Language language, const QStringList& folders) {
  State& s = state();
  if (!s.retranslator) {
    s.retranslator = std::make_unique<Retranslator>(s.own);
    qApp->installEventFilter(s.retranslator.get());
  }
  const QString file = QStringLiteral("romtables_") + languageCode(language);
  bool loaded = false;
  for (const QString& folder : folders)
    if ((loaded = s.own.loadFile(QDir(folder).filePath(file + QStringLiteral(".qm"))))) break;
  if (!loaded) s.own.loadFile(QString());  // the source texts
  const bool qtLoaded = language == Language::Chinese &&
                        s.qt.load(QStringLiteral("qtbase_zh_TW"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  // Installing again is what tells every window of the change.
  QCoreApplication::removeTranslator(&s.qt);
  QCoreApplication::removeTranslator(&s.own);
  if (qtLoaded) QCoreApplication::installTranslator(&s.qt);
  QCoreApplication::installTranslator(&s.own);
  s.language = language;
  s.folders = folders;
  s.installed = true;
  // The change is posted to the windows; shown at once, before the next paint.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
  return loaded;
}

Language currentLanguage() { return state().language; }
const QStringList& currentTranslationFolders() { return state().folders; }

QPushButton* languageButton(QWidget* parent, AppContext& context) {
  auto* button = new QPushButton(QCoreApplication::translate("rt::Language", "&Language"), parent);
  button->setObjectName(QStringLiteral("Language"));
  button->setToolTip(QCoreApplication::translate("rt::Language", "The language of every window"));
  auto* menu = new QMenu(button);
  menu->setObjectName(QStringLiteral("LanguageMenu"));
  // Each language named in its own script, whatever the language shown.
  const std::pair<Language, QString> choices[] = {{Language::English, QStringLiteral("English")},
                                                  {Language::Chinese, QStringLiteral("中文（繁體）")}};
  for (const auto& [language, name] : choices) {
    QAction* action = menu->addAction(name);
    action->setObjectName(QStringLiteral("Language(%1)").arg(languageCode(language)));
    action->setCheckable(true);
    QObject::connect(action, &QAction::triggered, button, [language = language, &context] {
      useLanguage(language, currentTranslationFolders());
      rememberLanguage(*context.settings(), language);
    });
  }
  QObject::connect(menu, &QMenu::aboutToShow, menu, [menu] {
    const QString code = languageCode(currentLanguage());
    for (QAction* action : menu->actions())
      action->setChecked(action->objectName() == QStringLiteral("Language(%1)").arg(code));
  });
  button->setMenu(menu);
  return button;
}

}  // namespace rt
