#include "ui/record_links.h"

#include "ui/editor_form.h"
#include "ui/field_binder.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace rt {
namespace {

constexpr int kTableRole = Qt::UserRole;
constexpr int kKeysRole = Qt::UserRole + 1;

// The value a reference field's control holds now, as the field would store it.
bool controlValue(QWidget* control, const Field& field, std::int64_t* value) {
  if (auto* box = qobject_cast<QLineEdit*>(control)) {
    bool ok = false;
    *value = box->text().trimmed().toLongLong(&ok, field.kind == FieldKind::HexWord ? 16 : 10);
    return ok;
  }
  if (auto* combo = qobject_cast<QComboBox*>(control)) {
    const int byte = byteForRow(field.combo, combo->currentIndex());
    *value = byte;
    return byte >= 0;
  }
  return false;
}

// Ctrl+click on a reference field: the record its value names.
class GoToFilter : public QObject {
 public:
  GoToFilter(AppContext& context, Reference ref, Field field, QWidget* control)
      : QObject(control), context_(context), ref_(std::move(ref)), field_(std::move(field)), control_(control) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::MouseButtonPress) return QObject::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!(mouse->modifiers() & Qt::ControlModifier) || mouse->button() != Qt::LeftButton) return false;
    goTo();
    return true;
  }

  void goTo() {
    std::int64_t value = 0;
    if (!controlValue(control_, field_, &value) || ref_.isNone(value)) return;
    openLinkedRecord(context_, control_->window(), ref_.target,
                     QVariantMap{{QStringLiteral("index"), static_cast<int>(ref_.recordOf(value))}});
  }

 private:
  AppContext& context_;
  Reference ref_;
  Field field_;
  QWidget* control_;
};

}  // namespace

void openLinkedRecord(AppContext& context, QWidget* from, const QString& table, const QVariantMap& keys) {
  const QString title = UsedByList::tr("Go to");
  if (!context.hasForm(table)) {
    context.reportError(from, title, UsedByList::tr("%1 has no editor of its own.").arg(linkRecordText(table, keys)));
    return;
  }
  auto* form = qobject_cast<EditorForm*>(context.showForm(table));
  if (!form) return;  // it could not load; the reason was reported
  if (!keys.isEmpty() && !form->showRecord(keys))
    context.reportError(from, title, UsedByList::tr("%1 is not in the chosen image.").arg(linkRecordText(table, keys)));
}

UsedByList::UsedByList(AppContext& context, QString table, QWidget* parent)
    : QListWidget(parent), context_(context), table_(std::move(table)) {
  setObjectName(QStringLiteral("UsedBy"));
  setToolTip(tr("The records of other tables that name this one; double-click opens one"));
  connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
    openLinkedRecord(context_, window(), item->data(kTableRole).toString(), item->data(kKeysRole).toMap());
  });
}

void UsedByList::showLinks(const QVariantMap& keys) {
  keys_ = keys;
  none_ = false;
  clear();
  if (keys.isEmpty()) return;
  auto links = linksOf(context_.rom(), context_.tables(), table_, keys);
  if (!links) {
    addItem(links.message());
    return;
  }
  none_ = links->usedBy.empty();
  if (none_) addItem(tr("(no record names this one)"));
  for (const Link& l : links->usedBy) {
    auto* item = new QListWidgetItem(QStringLiteral("%1  %2").arg(linkRecordText(l.table, l.keys), l.field), this);
    item->setData(kTableRole, l.table);
    item->setData(kKeysRole, l.keys);
  }
}

void UsedByList::changeEvent(QEvent* event) {
  QListWidget::changeEvent(event);
  // The rows name records; only the note that none does is in the language shown.
  if (event->type() == QEvent::LanguageChange && none_ && count() == 1)
    item(0)->setText(tr("(no record names this one)"));
}

void addGoTo(EditorForm* form, AppContext& context, const TableAdapter& table) {
  const std::vector<Reference> refs = table.references();
  if (refs.empty()) return;
  const std::vector<Field> fields = table.fields();
  for (const Reference& ref : refs) {
    auto* control = form->findChild<QWidget*>(ref.field);
    auto field = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return f.control == ref.field; });
    if (!control || field == fields.end()) continue;
    auto* filter = new GoToFilter(context, ref, *field, control);
    control->installEventFilter(filter);
    // A combo box opens its list on the press inside it; its line edit, when editable, too.
    for (QWidget* inner : control->findChildren<QWidget*>()) inner->installEventFilter(filter);
    const QString tip = control->toolTip();
    control->setToolTip((tip.isEmpty() ? QString() : tip + u'\n') +
                        UsedByList::tr("Ctrl+click opens the %1 record this names").arg(ref.target));
  }
}

}  // namespace rt
