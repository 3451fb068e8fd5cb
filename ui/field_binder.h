#pragma once
// One widget per control of a table (text box, combo box or check box), named
// after the control, and the moves of a record's state into and out of them.
// Forms only place the widgets; they never convert values themselves.

#include "model/record_codec.h"

#include <QCheckBox>
#include <QMetaObject>
#include <QComboBox>
#include <QLineEdit>
#include <QStringList>
#include <QWidget>

#include <vector>

namespace rt {

class EditorForm;

class FieldBinder {
 public:
  // On an editor form, the binder registers with it, and each edit of a
  // control has the form mark its title.
  FieldBinder(const TableDef& table, QWidget* parent);
  ~FieldBinder();
  FieldBinder(const FieldBinder&) = delete;
  FieldBinder& operator=(const FieldBinder&) = delete;

  const TableDef& table() const { return table_; }
  const std::vector<ControlRef>& controls() const { return controls_; }
  QWidget* widget(const QString& name) const;
  QLineEdit* text(const QString& name) const { return qobject_cast<QLineEdit*>(widget(name)); }
  QComboBox* combo(const QString& name) const { return qobject_cast<QComboBox*>(widget(name)); }
  QCheckBox* check(const QString& name) const { return qobject_cast<QCheckBox*>(widget(name)); }
  QWidget* widgetAt(int control) const { return widgets_[static_cast<size_t>(control)]; }
  // The caption the table declares for the field `field` names (a flag byte:
  // its array name); the name itself when no field has it.
  QString caption(const QString& field) const;

  // The rows of a combo box, from its name list.
  void fillCombo(const QString& name, const QStringList& rows);

  // A combo row past the list (a stored byte without a name) shows as an extra
  // row "(n)" and is saved back as n unless the user picks another row.
  void setState(const RecordState& state);
  // Shows `state` while counting `read` as what the image holds: edits kept
  // over a record read again stay edits.
  void setState(const RecordState& state, const RecordState& read);
  RecordState state() const;
  void clear();

  // Puts the keyboard focus on a control whose value was rejected.
  void focusControl(int control) const;

  // What the controls show now counts as what the image holds: after a read
  // (setState and clear do this), a save, or discarded edits.
  void markRead();
  // True when a control differs from what was last marked read.
  bool edited() const { return read_ && state() != shown_; }

 private:
  void changed();
  void fill(const RecordState& state);

  TableDef table_;
  std::vector<ControlRef> controls_;
  std::vector<QWidget*> widgets_;
  EditorForm* form_ = nullptr;
  std::vector<QMetaObject::Connection> watches_;
  RecordState shown_;
  bool read_ = false;
  bool filling_ = false;  // the binder itself is setting the controls
};

}  // namespace rt
