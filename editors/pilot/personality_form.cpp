#include "editors/pilot/personality_form.h"

#include "editors/pilot/registry.h"

#include "editors/pilot/personality_table.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace rt {

PersonalityForm::PersonalityForm(AppContext& context)
    : RecordForm(context, personalityPlace().id, personalityPlace().caption, personalityTable(),
                 personalityNames()) {
  auto* grid = new QGridLayout;
  const TableDef& table = fields().table();
  for (int k = 0; k < static_cast<int>(table.fields.size()); ++k) {
    const Field& f = table.fields[static_cast<size_t>(k)];
    grid->addWidget(makeLabel(elementName(QStringLiteral("UnicodeLabel1"), k), f.caption), k, 0);
    grid->addWidget(fields().widget(f.control), k, 1);
  }
  auto* right = new QVBoxLayout;
  right->addLayout(grid);
  right->addStretch();
  right->addWidget(saveButton());
  right->addWidget(exitButton());
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addLayout(right);
  resize(460, 440);
}

}  // namespace rt
