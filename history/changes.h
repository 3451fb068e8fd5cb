#pragma once
// A transaction in the game's terms: for each record it wrote, the fields whose
// shown value differs between its old and its new bytes ("<table> 3: <field> 4500 ->
// 5200"), printed as the forms show them. The same comparison names the fields
// another writer has changed since, when an undo must refuse.

#include "image/image_view.h"
#include "model/shown_value.h"
#include "model/table_registry.h"

#include <QHash>
#include <QJsonObject>
#include <QVariantMap>

#include <functional>
#include <map>
#include <vector>

namespace rt {

struct FieldChange {
  QString table;
  QVariantMap keys;  // {"index": 3}, or stage and index
  QString name;      // the record's name
  QString field;     // control name
  QString caption;
  QString oldValue;
  QString newValue;
};

// A change as the command line prints it in JSON: table, the record's keys,
// name, field (control name), caption, old, new.
QJsonObject changeToJson(const FieldChange& change);

class ChangeReader {
 public:
  ChangeReader(const TableRegistry& registry, QString imagePath, QString namesDir);

  // What the transaction changed: its records read over its old bytes, then
  // over its new ones, on the image rewound past every later transaction
  // (`rewind`: those folded in, newest first) or as it is now.
  Result<std::vector<FieldChange>> changes(const Transaction& tx, const Rewind* rewind = nullptr);
  // The same, each change handed to `take` as it is found rather than kept:
  // a transaction over every record of every table changes tens of thousands of fields.
  Status eachChange(const Transaction& tx, const Rewind* rewind, const std::function<void(FieldChange&&)>& take);
  // Fields of the transaction's records that no longer hold what `expectAfter`
  // says they should (its new bytes for an undo, its old ones for a redo):
  // old = expected, new = what the image holds now.
  Result<std::vector<FieldChange>> drift(const Transaction& tx, bool expectAfter);

  // "<table> 3 (<record name>), <field caption>" for messages.
  static QString where(const FieldChange& change);
  // For RomImage::setFieldNamer: the fields a transaction's runs cover.
  static std::function<QStringList(const Transaction&)> namer(const TableRegistry& registry, const QString& imagePath,
                                                             const QString& namesDir);

 private:
  Result<std::vector<FieldChange>> compare(const Transaction& tx, ImageView& before, ImageView& after);
  Status compare(const Transaction& tx, ImageView& before, ImageView& after, const std::function<void(FieldChange&&)>& take);
  QString recordName(const TableAdapter& table, const QString& key);  // key: as recordKeyText() makes it
  // A record decoded over a view, reused while the bytes its decoding read are unchanged: a long
  // history saves the same records again and again, and decoding is most of its cost.
  struct Keyed {
    QVariantMap keys;
    QString text;   // recordKeyText(keys)
    QString table;  // the record's own table, when the transaction spans several; else empty
  };
  // Null when the record cannot be found or read.
  std::shared_ptr<const RecordState> readRecord(const TableAdapter& table, const Keyed& record, RomImage& rom,
                                                ImageView& view);
  const std::vector<Keyed>& keysOf(const Transaction& tx);

  // A table's controls and fields, built once per reader rather than once per transaction.
  struct Shape {
    std::vector<ControlRef> controls;
    std::vector<Field> fields;
  };
  const Shape& shapeOf(const TableAdapter& table);

  const TableRegistry& registry_;
  QString imagePath_;
  QString namesDir_;
  std::shared_ptr<PageCache> pages_;
  ListCache lists_;
  QHash<QString, QHash<QString, QString>> names_;  // table -> keys -> record name
  std::map<const TableAdapter*, Shape> shapes_;
  struct Decoded {
    std::vector<SeenBytes> seen;
    std::shared_ptr<const RecordState> state;
  };
  std::map<const TableAdapter*, QHash<QString, std::vector<Decoded>>> decoded_;  // table, key -> latest decodings
  size_t decodings_ = 0;  // in decoded_, all tables together
  QHash<QByteArray, std::vector<Keyed>> keysByText_;  // a transaction's records, as stored -> parsed
};

}  // namespace rt
