#include "ui/field_binder.h"

#include "model/shown_value.h"
#include "ui/editor_form.h"

namespace rt {
namespace {
constexpr int kExtraRole = Qt::UserRole + 1;  // marks an extra row and holds its stored byte
}

FieldBinder::FieldBinder(const TableDef& table, QWidget* parent) : table_(table), controls_(controlsOf(table)) {
  for (const ControlRef& c : controls_) {
    QWidget* w = nullptr;
    switch (c.kind) {
      case ControlKind::Text: {
        auto* edit = new QLineEdit(parent);
        edit->setMinimumWidth(64);
        w = edit;
        break;
      }
      case ControlKind::Combo: {
        auto* combo = new QComboBox(parent);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        w = combo;
        break;
      }
      case ControlKind::Check: w = new QCheckBox(parent); break;
    }
    w->setObjectName(c.name);
    w->setAccessibleName(table_.fields[static_cast<size_t>(c.field)].caption);
    widgets_.push_back(w);
  }
  form_ = qobject_cast<EditorForm*>(parent);
  if (!form_) return;
  form_->watchFields(this);
  for (QWidget* w : widgets_) {
    auto edited = [this] { changed(); };
    if (auto* edit = qobject_cast<QLineEdit*>(w)) watches_.push_back(QObject::connect(edit, &QLineEdit::textChanged, form_, edited));
    else if (auto* combo = qobject_cast<QComboBox*>(w))
      watches_.push_back(QObject::connect(combo, &QComboBox::currentIndexChanged, form_, edited));
    else if (auto* check = qobject_cast<QCheckBox*>(w))
      watches_.push_back(QObject::connect(check, &QCheckBox::toggled, form_, edited));
  }
}

FieldBinder::~FieldBinder() {
  for (const QMetaObject::Connection& c : watches_) QObject::disconnect(c);
  if (form_) form_->forgetFields(this);
}

void FieldBinder::changed() {
  if (!filling_) form_->updateEditedMark();
}

void FieldBinder::markRead() {
  shown_ = state();
  read_ = true;
  if (form_) {
    form_->updateEditedMark();
    form_->showStatus();
  }
}

QWidget* FieldBinder::widget(const QString& name) const {
  for (size_t i = 0; i < controls_.size(); ++i)
    if (controls_[i].name == name) return widgets_[i];
  return nullptr;
}

QString FieldBinder::caption(const QString& field) const {
  for (const Field& f : table_.fields)
    if (f.control == field) return f.caption;
  return field;
}

void FieldBinder::fillCombo(const QString& name, const QStringList& rows) {
  if (QComboBox* c = combo(name)) {
    filling_ = true;
    c->clear();
    c->addItems(rows);
    filling_ = false;
    if (read_) markRead();  // new rows, not an edit
  }
}

void FieldBinder::setState(const RecordState& state) {
  fill(state);
  markRead();
}

void FieldBinder::setState(const RecordState& state, const RecordState& read) {
  fill(state);
  shown_ = read;
  read_ = true;
  if (form_) {
    form_->updateEditedMark();
    form_->showStatus();
  }
}

void FieldBinder::fill(const RecordState& state) {
  filling_ = true;
  for (size_t i = 0; i < controls_.size() && i < state.size(); ++i) {
    const ControlValue& v = state[i];
    switch (controls_[i].kind) {
      case ControlKind::Text: static_cast<QLineEdit*>(widgets_[i])->setText(v.text); break;
      case ControlKind::Check: static_cast<QCheckBox*>(widgets_[i])->setChecked(v.checked); break;
      case ControlKind::Combo: {
        auto* c = static_cast<QComboBox*>(widgets_[i]);
        for (int r = c->count() - 1; r >= 0; --r)
          if (c->itemData(r, kExtraRole).isValid()) c->removeItem(r);
        if (v.row >= c->count()) {
          c->addItem(extraRowText(v.row));
          c->setItemData(c->count() - 1, v.row, kExtraRole);
          c->setCurrentIndex(c->count() - 1);
        } else {
          c->setCurrentIndex(v.row);
        }
        break;
      }
    }
  }
  filling_ = false;
}

RecordState FieldBinder::state() const {
  RecordState state;
  state.reserve(controls_.size());
  for (size_t i = 0; i < controls_.size(); ++i) {
    ControlValue v;
    switch (controls_[i].kind) {
      case ControlKind::Text: v.text = static_cast<QLineEdit*>(widgets_[i])->text(); break;
      case ControlKind::Check: v.checked = static_cast<QCheckBox*>(widgets_[i])->isChecked(); break;
      case ControlKind::Combo: {
        auto* c = static_cast<QComboBox*>(widgets_[i]);
        const QVariant extra = c->currentIndex() >= 0 ? c->itemData(c->currentIndex(), kExtraRole) : QVariant();
        v.row = extra.isValid() ? extra.toInt() : c->currentIndex();
        break;
      }
    }
    state.push_back(v);
  }
  return state;
}

void FieldBinder::clear() {
  filling_ = true;
  for (size_t i = 0; i < controls_.size(); ++i) {
    switch (controls_[i].kind) {
      case ControlKind::Text: static_cast<QLineEdit*>(widgets_[i])->clear(); break;
      case ControlKind::Check: static_cast<QCheckBox*>(widgets_[i])->setChecked(false); break;
      case ControlKind::Combo: static_cast<QComboBox*>(widgets_[i])->setCurrentIndex(-1); break;
    }
  }
  filling_ = false;
  markRead();
}

void FieldBinder::focusControl(int control) const {
  if (control < 0 || control >= static_cast<int>(widgets_.size())) return;
  QWidget* w = widgets_[static_cast<size_t>(control)];
  w->setFocus(Qt::OtherFocusReason);
  if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
}

}  // namespace rt
