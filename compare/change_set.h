#pragma once
// A hack as a list of field changes rather than bytes: every field whose value
// differs between a clean image and a modified one, written as the export
// writes values (text boxes as texts, combo boxes as rows or "(n)", check
// boxes as booleans), then the bytes no field shows. Such a set applies to any
// image whose fields hold the old values, so two hacks of one clean image
// merge field by field (and flag bit by flag bit), and a hack carries over
// onto an image already changed elsewhere.
//
//   {"format": "romtables-changes", "version": 1,
//    "source": {"size": ..., "crc32": "1A2B3C4D", "title": "...", "game_code": "...."},
//    "changes": [{"table": "Pilot", "index": 12, "field": "Ab(0)", "old": "191", "new": "200"}, ...],
//    "bytes": [{"offset": 9437184, "old": "00ff", "new": "1234"}]}

#include "image/file_layer.h"
#include "model/table_registry.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>
#include <QVariantMap>

#include <cstdint>
#include <memory>
#include <vector>

namespace rt {

// One field changed: values as the export writes them.
struct FieldEdit {
  QString table;
  QVariantMap keys;  // {"index": 12}, or stage and index
  QString field;     // the control's name
  QJsonValue oldValue;
  QJsonValue newValue;
  QString name;     // the record's name, when known (not in the file)
  QString caption;  // the field's caption, when known (not in the file)
};

// A run of bytes outside every field, old and new alike long.
struct ByteEdit {
  std::int64_t offset = 0;
  QByteArray oldBytes;
  QByteArray newBytes;
};

// What the change set was made from; shown when the image it is applied to differs.
struct ChangeSource {
  std::int64_t size = 0;
  std::uint32_t crc32 = 0;
  QString title;
  QString gameCode;
};

struct ChangeSet {
  ChangeSource source;
  std::vector<FieldEdit> changes;  // in table, record and control order
  std::vector<ByteEdit> bytes;     // by offset
  bool empty() const { return changes.empty() && bytes.empty(); }
};

struct ChangeSetRequest {
  QString clean;
  QString modified;
  QString namesDir;
  std::shared_ptr<FileLayer> files = systemFileLayer();
};

// The changes that turn `clean` into `modified`; the two must have one size.
Result<ChangeSet> makeChangeSet(const TableRegistry& registry, const ChangeSetRequest& request);

QByteArray changeSetToJson(const ChangeSet& set);
// Whether a file's text is a change set (its "format"), so `apply` tells it from a patch.
bool isChangeSetText(const QByteArray& text);
Result<ChangeSet> parseChangeSet(const QByteArray& text);
// The same for files: whether one is a change set, read one (messages name it), write one whole or not at all.
bool isChangeSetFile(const QString& path);
Result<ChangeSet> readChangeSet(const QString& path);
Status writeChangeSet(const ChangeSet& set, const QString& path);
// What an image looks like as a change set's source: its size, CRC32 and header.
Result<ChangeSource> describeImage(const QString& path, const std::shared_ptr<FileLayer>& files = systemFileLayer());

// How one change meets an image.
enum class EditState {
  Applies,   // it holds the old value: it gets the new one
  Holds,     // it holds the new value already
  Conflict,  // it holds something else
};

struct EditOutcome {
  EditState state = EditState::Applies;
  QJsonValue found;  // what the image holds (a field's value, or the bytes in hex)
  QString record;    // a field's record as the image names it ("Pilot 12 (name)")
};

// What applying a change set to an image writes.
struct ApplyPlan {
  std::vector<EditOutcome> changes;  // aligned with ChangeSet::changes
  std::vector<EditOutcome> bytes;    // aligned with ChangeSet::bytes
  std::vector<ByteWrite> writes;     // by offset
  QList<QVariantMap> records;        // the records written: their keys and "table"
  int count(EditState state) const;
};

// Reads the records the changes name from `rom` and plans the bytes the new
// values store, through each table's encoder (a value its form would refuse
// is refused, naming the field). A conflict is written only with `force`.
// `take` (aligned with changes, then bytes) leaves out the changes it marks false.
Result<ApplyPlan> planChangeSet(RomImage& rom, const TableRegistry& registry, const ChangeSet& set, bool force,
                                const std::vector<bool>* take = nullptr);

// Plans and writes the set into `rom` as one transaction described by
// `source` ("apply FILE", "merge FILE"), reading under the same lock. Nothing
// is written when a change conflicts and `force` is not set; the plan says
// which. `take` as for planChangeSet.
Result<ApplyPlan> applyChangeSet(RomImage& rom, const TableRegistry& registry, const ChangeSet& set, bool force,
                                 const QString& source, const std::vector<bool>* take = nullptr);

// Writes `image` with `writes` laid over it to the new file `output`, whole or not at all.
Status writeImageWith(const QString& image, const std::vector<ByteWrite>& writes, const QString& output,
                      const std::shared_ptr<FileLayer>& files = systemFileLayer());

// Two change sets of one clean image: a field or byte both change to different values.
struct MergeConflict {
  QString table;  // empty for bytes outside the fields
  QVariantMap keys;
  QString name;
  QString field;
  std::int64_t offset = -1;  // bytes outside the fields
  QJsonValue clean, a, b;
};

enum class Prefer { Neither, A, B };

struct MergedSets {
  ChangeSet merged;  // every change of a and b, conflicts only when a side is preferred
  std::vector<MergeConflict> conflicts;
};

// A field changed alike in both is one change; bytes outside the fields are
// merged byte by byte, each side's byte checked against what the other side
// holds there.
MergedSets mergeChangeSets(const ChangeSet& a, const ChangeSet& b, Prefer prefer);

// A value of a change as a person reads it: texts bare, rows and booleans as written, null as "-".
QString valueText(const QJsonValue& value);

}  // namespace rt
