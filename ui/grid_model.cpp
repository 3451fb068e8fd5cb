#include "ui/grid_model.h"

#include "model/caption.h"

#include <QColor>
#include <QFont>
#include <QHash>

#include <algorithm>
#include <limits>

namespace rt {
namespace {

QColor mix(const QColor& a, const QColor& b, double t) {
  auto channel = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
  return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

// Low values blue, the middle of the column white, high values red.
QColor shadeColor(double t) {
  static const QColor low(135, 180, 255), middle(255, 255, 255), high(255, 140, 110);
  return t < 0.5 ? mix(low, middle, t * 2) : mix(middle, high, (t - 0.5) * 2);
}

const QColor kEdited(255, 232, 130);
const QColor kRefused(255, 150, 150);
const QColor kProblem(255, 196, 120);  // a cell the check names

}  // namespace

GridModel::GridModel(std::shared_ptr<const GridSource> source, RomImage& rom, QString namesDir, QObject* parent)
    : QAbstractTableModel(parent), edits_(std::move(source), rom), namesDir_(std::move(namesDir)) {
  buildColumns();
  const auto& controls = this->source().controls();
  const auto& fields = this->source().fields();
  for (const ControlRef& c : controls) {
    const Field& f = fields[static_cast<size_t>(c.field)];
    lists_.push_back(c.kind == ControlKind::Combo && !f.list.file.isEmpty() ? listCache_.items(namesDir_, f.list) : nullptr);
  }
}

void GridModel::buildColumns() {
  const GridSource& s = source();
  keyNames_ = s.keyNames();
  for (int k = 0; k < keyNames_.size(); ++k)
    columns_.push_back({ColumnKind::Key, k, keyNames_[k], GridModel::tr("the record's key \"%1\"").arg(keyNames_[k])});
  columns_.push_back({ColumnKind::Name, 0, QStringLiteral("name"), GridModel::tr("the record's name")});
  columns_.push_back({ColumnKind::Offset, 0, QStringLiteral("offset"), GridModel::tr("where the record starts in the file")});
  const QStringList info = s.infoColumns();
  for (int i = 0; i < info.size(); ++i) columns_.push_back({ColumnKind::Info, i, info[i], info[i]});
  firstControl_ = static_cast<int>(columns_.size());
  // A caption several controls share (both halves of a deployment) is told apart by the control's name.
  QHash<QString, int> uses;
  std::vector<QString> captions;
  for (const ControlRef& c : s.controls()) {
    const Field& f = s.fields()[static_cast<size_t>(c.field)];
    QString caption = f.caption.isEmpty() ? c.name : f.caption;
    if (c.kind == ControlKind::Check) caption += QStringLiteral(" %1").arg(c.bit);
    ++uses[caption];
    captions.push_back(caption);
  }
  for (size_t i = 0; i < s.controls().size(); ++i) {
    const ControlRef& c = s.controls()[i];
    QString caption = captions[i];
    if (uses.value(caption) > 1 && caption != c.name) caption += u' ' + c.name;
    columns_.push_back({ColumnKind::Control, static_cast<int>(i), caption, c.name});
  }
  ranges_.assign(columns_.size(), std::nullopt);
}

Status GridModel::load() {
  auto rows = readGrid(source(), edits_.rom(), namesDir_);
  if (!rows) return rows.status();
  beginResetModel();
  edits_.setRows(std::move(*rows));
  ranges_.assign(columns_.size(), std::nullopt);
  endResetModel();
  emit editsChanged();
  return Status::ok();
}

Status GridModel::reload() {
  auto rows = readGrid(source(), edits_.rom(), namesDir_);
  if (!rows) return rows.status();
  beginResetModel();
  edits_.rebase(std::move(*rows));
  ranges_.assign(columns_.size(), std::nullopt);
  endResetModel();
  emit editsChanged();
  return Status::ok();
}

int GridModel::controlOf(int column) const {
  const int controls = static_cast<int>(source().controls().size());
  return column >= firstControl_ && column < firstControl_ + controls ? column - firstControl_ : -1;
}

void GridModel::setLinks(const std::vector<int>* usedBy, const std::vector<Problem>& problems) {
  if (usedBy) {
    const bool hasColumn = !columns_.empty() && columns_.back().kind == ColumnKind::UsedBy;
    if (!hasColumn) {
      const int at = static_cast<int>(columns_.size());
      beginInsertColumns({}, at, at);
      columns_.push_back({ColumnKind::UsedBy, 0, tr("used by"), tr("how many records of other tables name this one")});
      ranges_.push_back(std::nullopt);
      endInsertColumns();
    }
    usedBy_ = *usedBy;
  }
  problems_.clear();
  for (const Problem& p : problems) problems_.insert(recordKeyText(p.keys) + u'|' + p.field, p);
  if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString GridModel::problemKey(int row, int control) const {
  const GridRow& r = edits_.rows()[static_cast<size_t>(row)];
  return recordKeyText(r.ref.keys) + u'|' + source().controls()[static_cast<size_t>(control)].name;
}

const Problem* GridModel::problemAt(int row, int column) const {
  const int control = controlOf(column);
  if (control < 0 || problems_.isEmpty()) return nullptr;
  auto it = problems_.constFind(problemKey(row, control));
  return it == problems_.constEnd() ? nullptr : &*it;
}

bool GridModel::numeric(int column) const {
  const Column& col = columns_[static_cast<size_t>(column)];
  if (col.kind == ColumnKind::Key || col.kind == ColumnKind::Offset || col.kind == ColumnKind::UsedBy) return true;
  return col.kind == ColumnKind::Control && source().controls()[static_cast<size_t>(col.index)].kind == ControlKind::Text;
}

bool GridModel::textColumn(int column) const {
  const Column& col = columns_[static_cast<size_t>(column)];
  if (col.kind == ColumnKind::Info) return true;
  return col.kind == ColumnKind::Control && source().controls()[static_cast<size_t>(col.index)].kind == ControlKind::Combo;
}

std::optional<double> GridModel::valueOf(int column, const QString& text, QString* why) const {
  const Column& col = columns_[static_cast<size_t>(column)];
  const ControlRef* control = col.kind == ColumnKind::Control ? &source().controls()[static_cast<size_t>(col.index)] : nullptr;
  const bool hex = col.kind == ColumnKind::Offset ||
                   (control && source().fields()[static_cast<size_t>(control->field)].kind == FieldKind::HexWord);
  if (hex) {
    QString digits = text;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) digits = digits.mid(2);
    bool ok = false;
    const qlonglong n = digits.toLongLong(&ok, 16);
    if (ok) return static_cast<double>(n);
    *why = GridModel::tr("\"%1\" is not a hexadecimal number").arg(text);
    return std::nullopt;
  }
  if (control && control->kind == ControlKind::Combo) {
    if (const QStringList* items = listOf(col.index)) {
      for (int row = 0; row < items->size(); ++row)
        if (items->at(row).compare(text, Qt::CaseInsensitive) == 0) return row;
      double number = 0;
      if (parseFilterNumber(text, &number)) return number;
      *why = GridModel::tr("\"%1\" is neither a number nor an item of %2").arg(text, columnName(column));
      return std::nullopt;
    }
  }
  double number = 0;
  if (parseFilterNumber(text, &number)) return number;
  *why = GridModel::tr("\"%1\" is not a number").arg(text);
  return std::nullopt;
}

bool GridModel::number(int row, int column, double* value) const {
  const Column& col = columns_[static_cast<size_t>(column)];
  const GridRow& r = edits_.rows()[static_cast<size_t>(row)];
  bool ok = false;
  switch (col.kind) {
    case ColumnKind::Key: *value = r.ref.keys.value(keyNames_[col.index]).toDouble(&ok); return ok;
    case ColumnKind::Offset: *value = static_cast<double>(r.ref.offset); return true;
    case ColumnKind::UsedBy: {
      const int i = r.ref.keys.value(QStringLiteral("index"), -1).toInt();
      if (i < 0 || i >= static_cast<int>(usedBy_.size())) return false;
      *value = usedBy_[static_cast<size_t>(i)];
      return true;
    }
    case ColumnKind::Name:
    case ColumnKind::Info: return false;
    case ColumnKind::Control: break;
  }
  const ControlRef& c = source().controls()[static_cast<size_t>(col.index)];
  const ControlValue& v = edits_.value(row, col.index);
  switch (c.kind) {
    case ControlKind::Text: {
      const bool hex = source().fields()[static_cast<size_t>(c.field)].kind == FieldKind::HexWord;
      *value = static_cast<double>(v.text.trimmed().toLongLong(&ok, hex ? 16 : 10));
      return ok;
    }
    case ControlKind::Combo: *value = v.row; return v.row >= 0;
    case ControlKind::Check: *value = v.checked ? 1 : 0; return true;
  }
  return false;
}

QString GridModel::text(int row, int column) const {
  const Column& col = columns_[static_cast<size_t>(column)];
  const GridRow& r = edits_.rows()[static_cast<size_t>(row)];
  switch (col.kind) {
    case ColumnKind::Key: return r.ref.keys.value(keyNames_[col.index]).toString();
    case ColumnKind::Name: return r.ref.name;
    case ColumnKind::Offset: return QStringLiteral("0x") + QString::number(r.ref.offset, 16).toUpper();
    case ColumnKind::Info: return r.info.value(col.index);
    case ColumnKind::UsedBy: {
      double n = 0;
      return number(row, column, &n) ? QString::number(static_cast<int>(n)) : QString();
    }
    case ColumnKind::Control: break;
  }
  const ControlRef& c = source().controls()[static_cast<size_t>(col.index)];
  const ControlValue& v = edits_.value(row, col.index);
  if (c.kind == ControlKind::Check) return v.checked ? QStringLiteral("1") : QStringLiteral("0");
  return shownValue(c, source().fields()[static_cast<size_t>(c.field)], v, listOf(col.index));
}

QString GridModel::rowName(int row) const {
  const GridRow& r = edits_.rows()[static_cast<size_t>(row)];
  QStringList keys;
  for (const QString& key : keyNames_)
    keys << (key == QLatin1String("index") ? r.ref.keys.value(key).toString()
                                           : key + u' ' + r.ref.keys.value(key).toString());
  QString out = source().id() + u' ' + keys.join(QStringLiteral(", "));
  if (!r.ref.name.isEmpty()) out += QStringLiteral(" (%1)").arg(r.ref.name);
  return out;
}

QString GridModel::columnName(int column) const {
  const Column& col = columns_[static_cast<size_t>(column)];
  if (col.kind != ColumnKind::Control || col.caption == col.tip) return col.caption;
  return QStringLiteral("%1 [%2]").arg(col.caption, col.tip);
}

Result<std::optional<ControlValue>> GridModel::parseCell(int row, int column, const QString& given) const {
  using Parsed = Result<std::optional<ControlValue>>;
  const int control = controlOf(column);
  if (control < 0) {
    if (given == text(row, column)) return std::optional<ControlValue>();
    return Parsed::failure(GridModel::tr("the column \"%1\" cannot be changed here").arg(columnName(column)));
  }
  const ControlRef& c = source().controls()[static_cast<size_t>(control)];
  const Field& field = source().fields()[static_cast<size_t>(c.field)];
  ControlValue value = edits_.value(row, control);
  const QString t = given.trimmed();
  switch (c.kind) {
    case ControlKind::Text:
      value.text = given;  // checked with its whole record, as a form's save checks it
      return std::optional<ControlValue>(value);
    case ControlKind::Check: {
      static const QStringList on = {QStringLiteral("1"), QStringLiteral("true"), QStringLiteral("checked")};
      static const QStringList off = {QStringLiteral("0"), QStringLiteral("false"), QStringLiteral("unchecked")};
      if (on.contains(t, Qt::CaseInsensitive)) value.checked = true;
      else if (off.contains(t, Qt::CaseInsensitive)) value.checked = false;
      else return Parsed::failure(GridModel::tr("\"%1\" is not a check box's 1 or 0").arg(given));
      return std::optional<ControlValue>(value);
    }
    case ControlKind::Combo: break;
  }
  if (t == text(row, column)) return std::optional<ControlValue>(value);
  const QStringList* items = listOf(control);
  if (items) {
    const qsizetype at = items->indexOf(t);
    if (at >= 0) {
      value.row = static_cast<int>(at);
      return std::optional<ControlValue>(value);
    }
  }
  bool ok = false;
  const int n = t.toInt(&ok);
  const int rows = items ? static_cast<int>(items->size()) : 256;
  if (ok && n >= 0 && n < rows) {
    value.row = n;
    return std::optional<ControlValue>(value);
  }
  if (items)
    return Parsed::failure(GridModel::tr("\"%1\" is neither an item of %2 nor a row from 0 to %3")
                               .arg(given, field.list.file)
                               .arg(rows - 1));
  return Parsed::failure(GridModel::tr("\"%1\" is not a row from 0 to 255").arg(given));
}

void GridModel::setShade(bool on) {
  if (shade_ == on) return;
  shade_ = on;
  if (rowCount() > 0) emit dataChanged(index(0, firstControl_), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

std::pair<double, double> GridModel::rangeOf(int column) const {
  auto& range = ranges_[static_cast<size_t>(column)];
  if (!range) {
    double lo = std::numeric_limits<double>::infinity(), hi = -lo, v = 0;
    for (int r = 0; r < rowCount(); ++r)
      if (number(r, column, &v)) {
        lo = std::min(lo, v);
        hi = std::max(hi, v);
      }
    range = std::make_pair(lo, hi);
  }
  return *range;
}

void GridModel::take(const std::vector<CellValue>& values) {
  edits_.take(values);
  changed();
}

void GridModel::revert() {
  edits_.revert();
  changed();
}

GridSaveResult GridModel::save(const QString& txSource, bool overwrite) {
  GridSaveResult result = edits_.save(txSource, namesDir_, overwrite);
  changed();
  return result;
}

void GridModel::changed() {
  std::vector<int> rows = edits_.takeChangedRows();
  ranges_.assign(columns_.size(), std::nullopt);
  if (rows.size() > 64) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
  } else {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int r : rows) emit dataChanged(index(r, 0), index(r, columnCount() - 1));
  }
  emit editsChanged();
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(edits_.rows().size());
}

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(columns_.size()); }

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const int row = index.row(), column = index.column();
  const int control = controlOf(column);
  const ControlKind kind = control >= 0 ? source().controls()[static_cast<size_t>(control)].kind : ControlKind::Text;
  switch (role) {
    case Qt::DisplayRole:
      if (control >= 0 && kind == ControlKind::Check) return {};
      return text(row, column);
    case Qt::EditRole: {
      if (control < 0) return text(row, column);
      const ControlValue& v = edits_.value(row, control);
      if (kind == ControlKind::Combo) return v.row;
      if (kind == ControlKind::Check) return v.checked;
      return v.text;
    }
    case Qt::CheckStateRole:
      if (control < 0 || kind != ControlKind::Check) return {};
      return edits_.value(row, control).checked ? Qt::Checked : Qt::Unchecked;
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(Qt::Alignment((numeric(column) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter));
    case Qt::BackgroundRole: {
      if (control < 0) return {};
      if (edits_.rejection(row, control)) return kRefused;
      if (edits_.edited(row, control)) return kEdited;
      if (problemAt(row, column)) return kProblem;
      if (!shade_ || !numeric(column)) return {};
      const auto [lo, hi] = rangeOf(column);
      double v = 0;
      if (!(hi > lo) || !number(row, column, &v)) return {};
      return shadeColor((v - lo) / (hi - lo));
    }
    case Qt::FontRole:
      if (control >= 0 && edits_.edited(row, control)) {
        QFont bold;
        bold.setBold(true);
        return bold;
      }
      return {};
    case Qt::ToolTipRole: {
      if (control < 0) return {};
      if (const QString* refused = edits_.rejection(row, control)) return *refused;
      if (!edits_.edited(row, control)) {
        const Problem* problem = problemAt(row, column);
        return problem ? QVariant(problem->message) : QVariant();
      }
      const ControlRef& c = source().controls()[static_cast<size_t>(control)];
      const ControlValue& read = edits_.rows()[static_cast<size_t>(row)].state[static_cast<size_t>(control)];
      const QString was = c.kind == ControlKind::Check ? (read.checked ? QStringLiteral("1") : QStringLiteral("0"))
                                                       : shownValue(c, source().fields()[static_cast<size_t>(c.field)],
                                                                    read, listOf(control));
      return GridModel::tr("Edited; the image holds %1").arg(was.isEmpty() ? QStringLiteral("nothing") : was);
    }
    default: return {};
  }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
  const Column& col = columns_[static_cast<size_t>(section)];
  // Shown in the interface's language; filters and copies keep the declared captions.
  if (role == Qt::DisplayRole) {
    if (col.kind == ColumnKind::Name) return tr("name");
    if (col.kind == ColumnKind::Offset) return tr("offset");
    if (col.kind == ColumnKind::UsedBy) return tr("used by");
    if (col.kind == ColumnKind::Key || col.kind == ColumnKind::Info) {
      // The keys and notes the tables declare, by the words they use.
      static const char* const kWords[] = {QT_TR_NOOP("index"), QT_TR_NOOP("stage"), QT_TR_NOOP("level"),
                                           QT_TR_NOOP("units"), QT_TR_NOOP("pilots")};
      for (const char* word : kWords)
        if (col.caption == QLatin1String(word)) return tr(word);
      return col.caption;
    }
    if (col.kind == ColumnKind::Control) {
      // The field's caption shown, then what tells its columns apart (a bit, a control's name).
      const ControlRef& c = source().controls()[static_cast<size_t>(col.index)];
      const QString& declared = source().fields()[static_cast<size_t>(c.field)].caption;
      if (!declared.isEmpty() && col.caption.startsWith(declared))
        return shownCaption(declared) + col.caption.mid(declared.size());
    }
    return shownCaption(col.caption);
  }
  if (role == Qt::ToolTipRole)
    return col.kind == ColumnKind::UsedBy ? tr("how many records of other tables name this one") : col.tip;
  return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  const int control = controlOf(index.column());
  if (control < 0) return f;
  if (source().controls()[static_cast<size_t>(control)].kind == ControlKind::Check) return f | Qt::ItemIsUserCheckable;
  return f | Qt::ItemIsEditable;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const int control = controlOf(index.column());
  if (!index.isValid() || control < 0) return false;
  ControlValue v = edits_.value(index.row(), control);
  switch (source().controls()[static_cast<size_t>(control)].kind) {
    case ControlKind::Text:
      if (role != Qt::EditRole) return false;
      v.text = value.toString();
      break;
    case ControlKind::Combo:
      if (role != Qt::EditRole) return false;
      v.row = value.toInt();
      break;
    case ControlKind::Check:
      if (role != Qt::CheckStateRole) return false;
      v.checked = value.toInt() == Qt::Checked;
      break;
  }
  take({{index.row(), control, v}});
  return true;
}

}  // namespace rt
