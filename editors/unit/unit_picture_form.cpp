#include "editors/unit/unit_picture_form.h"

#include "editors/unit/registry.h"

#include "editors/unit/unit_picture_table.h"
#include "editors/unit/unit_table.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QList>
#include <QVBoxLayout>

namespace rt {

namespace {
// The copy buffer outlives the form, so a record can be copied, the form
// closed and reopened, and the words pasted elsewhere.
const QString kClipboardKey = QStringLiteral("Unit_Pic/pictureClipboard");

bool somethingCopied(AppContext& context) { return context.formValue(kClipboardKey).isValid(); }

PictureWords clipboardWords(AppContext& context) {
  PictureWords words{};
  const QList<quint16> stored = context.formValue(kClipboardKey).value<QList<quint16>>();
  for (qsizetype w = 0; w < stored.size() && w < kPictureWords; ++w) words[static_cast<size_t>(w)] = stored[w];
  return words;
}
}  // namespace

UnitPictureForm::UnitPictureForm(AppContext& context)
    : RecordForm(context, unitPicturePlace().id, unitPicturePlace().caption, unitPictureTable(), unitNames()) {
  // Captions stand beside the first box of each image: words 0, 1, 4 and 10.
  auto* boxes = new QGridLayout;
  const std::pair<int, const char*> captions[] = {{0, "地圖小圖示"}, {1, "小機體圖像"}, {4, "大機體圖像"}, {10, "??"}};
  int labelNumber = 1;
  for (const auto& [word, caption] : captions)
    boxes->addWidget(makeLabel(QStringLiteral("UnicodeLabel%1").arg(labelNumber++), QString::fromUtf8(caption)),
                     word, 0, Qt::AlignRight);
  for (int w = 0; w < kPictureWords; ++w) boxes->addWidget(fields().widget(elementName(QStringLiteral("val"), w)), w, 1);
  boxes->setRowStretch(kPictureWords, 1);

  auto* copy = makeButton(QStringLiteral("Copy"), tr("Copy"));
  auto* paste = makeButton(QStringLiteral("Plaste"), tr("Paste"));
  // Nothing to paste before a Copy (pasting then wrote zeros over the record).
  paste->setEnabled(somethingCopied(context));
  paste_ = paste;
  connect(copy, &QPushButton::clicked, this, &UnitPictureForm::copySelected);
  connect(paste, &QPushButton::clicked, this, &UnitPictureForm::pasteSelected);
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(saveButton());
  buttons->addWidget(copy);
  buttons->addWidget(paste);
  buttons->addWidget(exitButton());
  buttons->addStretch(1);

  auto* layout = new QHBoxLayout(this);
  layout->addWidget(recordList(), 1);
  layout->addSpacing(8);
  layout->addLayout(boxes);
  layout->addSpacing(16);
  layout->addLayout(buttons);
  resize(560, 420);
}

void UnitPictureForm::copySelected() {
  const int row = recordList()->currentRow();
  if (row < 0) {
    reportError(UnitPictureForm::tr("No record is selected; nothing was copied."));
    return;
  }
  // What the image holds, not what the boxes show: unsaved edits are not copied.
  auto words = readPictureWords(context().rom(), fields().table().recordOffset(row));
  if (!words) {
    reportError(words.message());  // the buffer keeps what it held
    return;
  }
  context().formValue(kClipboardKey) = QVariant::fromValue(QList<quint16>(words->begin(), words->end()));
  paste_->setEnabled(true);
}

void UnitPictureForm::pasteSelected() {
  const int row = recordList()->currentRow();
  if (row < 0) {
    reportError(UnitPictureForm::tr("No record is selected; nothing was pasted."));
    return;
  }
  if (!somethingCopied(context())) {
    reportError(UnitPictureForm::tr("Nothing was copied yet; Copy a record first. Nothing was pasted."));
    return;
  }
  const SaveResult result = writePictureWords(context().rom(), fields().table().recordOffset(row), clipboardWords(context()),
                                               saveInfo(row));
  if (!reportSave(result, nullptr)) return;
  // Show what is stored now, so a following Save writes the pasted words, not
  // the ones the boxes held before.
  readSelected();
}

}  // namespace rt
