#include "ui/check_window.h"

#include "ui/record_links.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QPushButton>

#include <utility>

namespace rt {
namespace {

const QString kId = QStringLiteral("Check");
constexpr int kProblemRole = Qt::UserRole;
constexpr int kSeverityRole = Qt::UserRole + 1;

enum Column { kSeverity, kRecord, kField, kRule, kMessage };

// Sorted by severity, errors first, whatever the words for them in the language shown.
class ProblemItem : public QTreeWidgetItem {
 public:
  using QTreeWidgetItem::QTreeWidgetItem;
  bool operator<(const QTreeWidgetItem& other) const override {
    if (!treeWidget() || treeWidget()->sortColumn() != kSeverity) return QTreeWidgetItem::operator<(other);
    const auto rank = [](const QTreeWidgetItem& item) {
      return std::pair(item.data(kSeverity, kSeverityRole).toInt(), item.data(kSeverity, kProblemRole).toInt());
    };
    return rank(*this) < rank(other);
  }
};

}  // namespace

CheckWindow::CheckWindow(AppContext& context) : QWidget(nullptr, Qt::Window), context_(context) {
  setObjectName(kId);
  setWindowTitle(tr("Check"));
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("CheckStatus"));
  status_->setWordWrap(true);
  filter_ = new QLineEdit(this);
  filter_->setObjectName(QStringLiteral("Filter"));
  filter_->setPlaceholderText(tr("Filter: table, field, rule or any word of the message"));
  filter_->setClearButtonEnabled(true);
  errorsOnly_ = new QCheckBox(tr("Errors only"), this);
  errorsOnly_->setObjectName(QStringLiteral("ErrorsOnly"));
  auto* again = new QPushButton(tr("Check again"), this);
  again->setObjectName(QStringLiteral("Recheck"));
  auto* close = new QPushButton(tr("Close"), this);
  close->setObjectName(QStringLiteral("Close"));
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("Problems"));
  tree_->setHeaderLabels({tr("Severity"), tr("Record"), tr("Field"), tr("Rule"), tr("Message")});
  tree_->setRootIsDecorated(false);
  tree_->setSortingEnabled(true);
  tree_->setToolTip(tr("Double-click opens the record in its editor"));

  auto* top = new QHBoxLayout;
  top->addWidget(filter_, 1);
  top->addWidget(errorsOnly_);
  top->addWidget(again);
  auto* bottom = new QHBoxLayout;
  bottom->addWidget(status_, 1);
  bottom->addWidget(close);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(tree_, 1);
  layout->addLayout(bottom);

  connect(filter_, &QLineEdit::textChanged, this, &CheckWindow::applyFilter);
  connect(errorsOnly_, &QCheckBox::toggled, this, &CheckWindow::applyFilter);
  connect(again, &QPushButton::clicked, this, &CheckWindow::recheck);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  connect(tree_, &QTreeWidget::itemActivated, this, &CheckWindow::openItem);
  resize(1000, 520);
}

void CheckWindow::recheck() {
  tree_->clear();
  problems_.clear();
  checked_.clear();
  const QString path = context_.rom().romPath();
  if (path.isEmpty()) {
    status_->setText(tr("No image is chosen: Open NDS first."));
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  auto found = checkImage(context_.rom(), context_.tables(), context_.namesDir());
  QApplication::restoreOverrideCursor();
  if (!found) {
    status_->setText(tr("The check could not read the image: %1").arg(found.message()));
    return;
  }
  problems_ = std::move(*found);
  checked_ = QFileInfo(path).fileName();
  showProblems();
}

// The problems found, with the severities and the count in the language shown.
void CheckWindow::showProblems() {
  tree_->clear();
  int errors = 0;
  tree_->setSortingEnabled(false);
  for (size_t i = 0; i < problems_.size(); ++i) {
    const Problem& p = problems_[i];
    if (p.severity == Severity::Error) ++errors;
    auto* item = new ProblemItem(tree_, QStringList{p.severity == Severity::Error ? tr("error") : tr("warning"),
                                             linkRecordText(p.table, p.keys), p.field, p.rule, p.message});
    item->setData(kSeverity, kProblemRole, static_cast<int>(i));
    item->setData(kSeverity, kSeverityRole, p.severity == Severity::Error ? 0 : 1);
    item->setToolTip(kMessage, p.message);
    if (p.severity == Severity::Error) item->setForeground(kSeverity, QColor(180, 0, 0));
  }
  tree_->setSortingEnabled(true);
  // Errors first; each severity keeps the check's order (tables, then records).
  tree_->sortByColumn(kSeverity, Qt::AscendingOrder);
  for (int c = kSeverity; c < kMessage; ++c) tree_->resizeColumnToContents(c);
  const int warnings = static_cast<int>(problems_.size()) - errors;
  status_->setText(problems_.empty() ? tr("No problems in %1.").arg(checked_)
                                     : tr("%1: %2 error(s), %3 warning(s).").arg(checked_).arg(errors).arg(warnings));
  applyFilter();
}

void CheckWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange && !checked_.isEmpty()) showProblems();
}

void CheckWindow::applyFilter() {
  const QString text = filter_->text().trimmed();
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = tree_->topLevelItem(i);
    const Problem& p = problems_[static_cast<size_t>(item->data(kSeverity, kProblemRole).toInt())];
    bool shown = !errorsOnly_->isChecked() || p.severity == Severity::Error;
    if (shown && !text.isEmpty()) {
      bool any = false;
      for (int c = kSeverity; c <= kMessage && !any; ++c) any = item->text(c).contains(text, Qt::CaseInsensitive);
      shown = any;
    }
    item->setHidden(!shown);
  }
}

void CheckWindow::openItem(QTreeWidgetItem* item) {
  if (!item) return;
  const Problem& p = problems_[static_cast<size_t>(item->data(kSeverity, kProblemRole).toInt())];
  // A problem of a whole stage list or table opens the editor on its first record.
  const QVariantMap keys = p.keys.contains(QStringLiteral("index")) ? p.keys : QVariantMap();
  openLinkedRecord(context_, this, p.table, keys);
}

CheckWindow* showCheckWindow(AppContext& context) {
  if (!context.hasForm(kId))
    context.registerForm(kId, [](AppContext& c) -> QWidget* { return new CheckWindow(c); });
  auto* window = qobject_cast<CheckWindow*>(context.showForm(kId));
  if (window) window->recheck();
  return window;
}

void addCheckButton(AppContext& context, QWidget* menu, QBoxLayout* column) {
  auto* check = new QPushButton(CheckWindow::tr("Check"), menu);
  check->setObjectName(kId);
  check->setToolTip(CheckWindow::tr("Every broken or suspicious link and value of the image"));
  QObject::connect(check, &QPushButton::clicked, menu, [&context] { showCheckWindow(context); });
  column->addWidget(check);
}

}  // namespace rt
