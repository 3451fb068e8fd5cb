#pragma once
// A field's caption is the form's own text: declarations hold it as written
// (the command line prints it so), and a window shows it in the interface's
// language. Declarations mark captions with QT_TRANSLATE_NOOP("Caption", ...)
// so that lupdate collects them.

#include <QString>

namespace rt {

inline constexpr char kCaptionContext[] = "Caption";

// `caption` in the language loaded; a numbered or lettered caption ("精神 3",
// "機體特殊能力A") is looked up as its declared pattern ("精神 %1", "機體特殊能力%1"). Without a translation loaded (the
// command line) it is `caption` itself.
QString shownCaption(const QString& caption);

}  // namespace rt
