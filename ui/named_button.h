#pragma once
// A push button found by its object name (tests and the language switch use it).

#include <QPushButton>

namespace rt {

inline QPushButton* namedButton(QWidget* parent, const QString& name, const QString& caption, const QString& tip = {}) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  if (!tip.isEmpty()) b->setToolTip(tip);
  return b;
}

}  // namespace rt
