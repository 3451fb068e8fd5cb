// The table view's clipboard: the selected cells out as tab-separated text, a
// tab-separated block in, checked whole before any cell takes it.
#include "ui/table_view.h"

#include "grid/tsv.h"

#include <QApplication>
#include <QClipboard>

#include <algorithm>
#include <climits>
#include <set>
#include <tuple>

namespace rt {

QString TableView::selectionText(bool headers) const {
  const QModelIndexList selected = grid_->selectionModel()->selectedIndexes();
  if (selected.isEmpty()) return {};
  const std::vector<int> columns = columnsInView();
  std::set<std::pair<int, int>> cells;  // proxy row, column
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;
  for (const QModelIndex& i : selected) {
    const auto place = std::find(columns.begin(), columns.end(), i.column());
    if (place == columns.end()) continue;
    const int x = static_cast<int>(place - columns.begin());
    cells.emplace(i.row(), i.column());
    top = std::min(top, i.row());
    bottom = std::max(bottom, i.row());
    left = std::min(left, x);
    right = std::max(right, x);
  }
  if (bottom < 0) return {};
  std::vector<QStringList> rows;
  if (headers) {
    QStringList captions;
    for (int x = left; x <= right; ++x) captions << model_->headerData(columns[static_cast<size_t>(x)], Qt::Horizontal, Qt::DisplayRole).toString();
    rows.push_back(captions);
  }
  for (int r = top; r <= bottom; ++r) {
    const int source = proxy_->mapToSource(proxy_->index(r, 0)).row();
    QStringList line;
    for (int x = left; x <= right; ++x) {
      const int c = columns[static_cast<size_t>(x)];
      line << (cells.count({r, c}) ? model_->text(source, c) : QString());
    }
    rows.push_back(line);
  }
  return toTsv(rows);
}

void TableView::copySelection() {
  commitEditor();
  const QString text = selectionText(headers_->isChecked());
  if (text.isEmpty()) {
    say(TableView::tr("Select the cells to copy."));
    return;
  }
  QApplication::clipboard()->setText(text);
  say(TableView::tr("Copied %1 lines.").arg(text.count(u'\n')));
}

bool TableView::paste() { return pasteText(QApplication::clipboard()->text()); }

bool TableView::pasteText(const QString& text) {
  commitEditor();
  const std::vector<QStringList> block = parseTsv(text);
  if (block.empty()) {
    say(TableView::tr("There is no text to paste."));
    return false;
  }
  int width = 0;
  for (const QStringList& line : block) width = std::max(width, static_cast<int>(line.size()));
  const std::vector<int> columns = columnsInView();
  // The block goes to the top left of the selection; a single value fills every selected cell.
  const QModelIndexList selected = grid_->selectionModel()->selectedIndexes();
  std::vector<std::pair<int, int>> targets;  // proxy row, place in `columns`
  int top = INT_MAX, left = INT_MAX;
  for (const QModelIndex& i : selected) {
    const auto place = std::find(columns.begin(), columns.end(), i.column());
    if (place == columns.end()) continue;
    targets.emplace_back(i.row(), static_cast<int>(place - columns.begin()));
    top = std::min(top, i.row());
    left = std::min(left, targets.back().second);
  }
  if (targets.empty()) {
    const QModelIndex current = grid_->currentIndex();
    const auto place = std::find(columns.begin(), columns.end(), current.column());
    if (!current.isValid() || place == columns.end()) {
      say(TableView::tr("Select the cell where the block goes."));
      return false;
    }
    top = current.row();
    left = static_cast<int>(place - columns.begin());
  }
  std::vector<std::tuple<int, int, QString>> cells;  // proxy row, column, text
  if (block.size() == 1 && width == 1 && targets.size() > 1) {
    for (const auto& [row, x] : targets) cells.emplace_back(row, columns[static_cast<size_t>(x)], block[0][0]);
  } else {
    if (top + static_cast<int>(block.size()) > proxy_->rowCount() || left + width > static_cast<int>(columns.size())) {
      refuse(TableView::tr("Nothing was pasted: the block of %1 rows and %2 columns does not fit; from the selected "
                            "cell the view has %3 rows and %4 columns.")
                 .arg(block.size())
                 .arg(width)
                 .arg(proxy_->rowCount() - top)
                 .arg(static_cast<int>(columns.size()) - left),
             -1, -1);
      return false;
    }
    for (size_t i = 0; i < block.size(); ++i)
      for (int j = 0; j < block[i].size(); ++j)
        cells.emplace_back(top + static_cast<int>(i), columns[static_cast<size_t>(left + j)], block[i][j]);
  }
  std::vector<CellValue> values;
  values.reserve(cells.size());
  for (const auto& [row, column, given] : cells) {
    const int source = proxy_->mapToSource(proxy_->index(row, column)).row();
    auto parsed = model_->parseCell(source, column, given);
    if (!parsed) {
      refuse(TableView::tr("Nothing was pasted: %1, %2: %3.").arg(model_->rowName(source), model_->columnName(column), parsed.message()),
             source, column);
      return false;
    }
    if (*parsed) values.push_back({source, model_->controlOf(column), **parsed});
  }
  if (auto refused = model_->edits().check(values)) {
    const int column = refused->control >= 0 ? model_->columnOfControl(refused->control) : -1;
    refuse(TableView::tr("Nothing was pasted: %1%2 is refused.\n%3")
               .arg(model_->rowName(refused->row), column >= 0 ? QStringLiteral(", ") + model_->columnName(column) : QString(),
                    refused->message),
           refused->row, column);
    return false;
  }
  model_->take(values);
  say(TableView::tr("Pasted %1 cells.").arg(cells.size()));
  return true;
}

}  // namespace rt
