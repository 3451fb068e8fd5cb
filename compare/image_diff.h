#pragma once
// Two versions of an image compared in the game's terms: every field whose
// shown value differs, record by record and table by table, as the forms show
// it (the history's FieldChange, old = the clean image, new = the modified
// one); then every byte that differs where no listed field accounts for it:
// outside every table, in bits no control shows (flag bits without a box), or
// under a value two bytes show alike ("none" rows). Nothing changed is hidden.
//
// The tables are read through a page cache, the rest of the images in blocks:
// memory grows with the tables and the differences, not with the images.

#include "image/file_layer.h"
#include "history/changes.h"
#include "model/table_registry.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace rt {

struct ByteRange {
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

struct ImageDiff {
  std::vector<FieldChange> changes;  // in table, record and control order
  std::vector<ByteRange> outside;    // differing bytes no listed change accounts for
  std::int64_t outsideBytes = 0;
  std::int64_t cleanSize = 0;
  std::int64_t modifiedSize = 0;
  bool same() const { return changes.empty() && outside.empty() && cleanSize == modifiedSize; }
};

struct ImageDiffRequest {
  QString clean;
  QString modified;
  QString namesDir;
  QStringList tables;  // the tables to compare field by field; empty: all
  std::shared_ptr<FileLayer> files = systemFileLayer();
};

Result<ImageDiff> diffImages(const TableRegistry& registry, const ImageDiffRequest& request);

// "Pilot 12 (name)", or "MAP stage 3, index 2 (name)": a record's heading.
QString recordHeading(const FieldChange& change);
QString recordHeading(const QString& table, const QVariantMap& keys, const QString& name = {});

}  // namespace rt
