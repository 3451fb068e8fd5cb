#include "app/changes.h"

#include "app/paths.h"
#include "compare/change_set.h"
#include "compare/image_diff.h"
#include "compare/patch_stream.h"
#include "history/changes.h"
#include "image/byte_source.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace rt {
namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

void printConflicts(const ChangeSet& set, const ApplyPlan& plan, QTextStream& out) {
  for (size_t i = 0; i < set.changes.size(); ++i) {
    if (plan.changes[i].state != EditState::Conflict) continue;
    const FieldEdit& e = set.changes[i];
    out << QStringLiteral("    %1: %2 -> %3, the image holds %4\n")
               .arg(QStringLiteral("%1, %2").arg(plan.changes[i].record, e.field), valueText(e.oldValue), valueText(e.newValue), valueText(plan.changes[i].found));
  }
  for (size_t i = 0; i < set.bytes.size(); ++i) {
    if (plan.bytes[i].state != EditState::Conflict) continue;
    const ByteEdit& b = set.bytes[i];
    out << QStringLiteral("    bytes at %1: %2 -> %3, the image holds %4\n")
               .arg(hexOffset(b.offset), QString::fromLatin1(b.oldBytes.toHex()), QString::fromLatin1(b.newBytes.toHex()),
                    valueText(plan.bytes[i].found));
  }
}

// The source's size and CRC32, said when the image differs from it (never required).
void compareSource(const ChangeSet& set, const QString& image, QTextStream& out) {
  auto target = describeImage(image);
  if (!target || (target->size == set.source.size && target->crc32 == set.source.crc32)) return;
  out << QStringLiteral("The change set was made from an image of %1 bytes, CRC32 %2; \"%3\" has %4 bytes, CRC32 %5.\n")
             .arg(set.source.size)
             .arg(crcText(set.source.crc32), image)
             .arg(target->size)
             .arg(crcText(target->crc32));
}

QJsonObject conflictJson(const MergeConflict& c) {
  QJsonObject o;
  if (c.table.isEmpty()) {
    o.insert(QStringLiteral("offset"), static_cast<qint64>(c.offset));
  } else {
    o.insert(QStringLiteral("table"), c.table);
    for (auto it = c.keys.begin(); it != c.keys.end(); ++it) o.insert(it.key(), QJsonValue::fromVariant(it.value()));
    o.insert(QStringLiteral("field"), c.field);
  }
  o.insert(QStringLiteral("clean"), c.clean);
  o.insert(QStringLiteral("a"), c.a);
  o.insert(QStringLiteral("b"), c.b);
  return o;
}

QString conflictText(const MergeConflict& c) {
  const QString where = c.table.isEmpty() ? QStringLiteral("bytes at %1").arg(hexOffset(c.offset))
                                          : QStringLiteral("%1, %2").arg(recordHeading(c.table, c.keys, c.name), c.field);
  return QStringLiteral("    %1: clean %2, A %3, B %4\n").arg(where, valueText(c.clean), valueText(c.a), valueText(c.b));
}

}  // namespace

int runChanges(const TableRegistry& registry, const ChangesCommand& c, QTextStream& out, QTextStream& err) {
  if (c.output.isEmpty()) {
    err << "changes needs --output FILE.json.\n";
    return kUsage;
  }
  if (const QString refused = outputRefusal(c.output, {{c.clean, QStringLiteral("an image being read")},
                                                       {c.modified, QStringLiteral("an image being read")}});
      !refused.isEmpty()) {
    err << refused << '\n';
    return kUsage;
  }
  auto set = makeChangeSet(registry, ChangeSetRequest{c.clean, c.modified, c.names});
  if (!set) {
    err << set.message() << '\n';
    return kFailed;
  }
  if (Status s = writeChangeSet(*set, c.output); !s) {
    err << s.message() << '\n';
    return kFailed;
  }
  std::int64_t bytes = 0;
  for (const ByteEdit& b : set->bytes) bytes += b.oldBytes.size();
  out << QStringLiteral("Wrote %1: %2 field change(s), %3 byte(s) outside the fields.\n")
             .arg(c.output)
             .arg(set->changes.size())
             .arg(bytes);
  return kOk;
}

int runApplyChanges(const TableRegistry& registry, const ApplyChangesCommand& c, QTextStream& out, QTextStream& err) {
  if (c.inPlace == !c.output.isEmpty()) {
    err << "apply of a change set needs either --output OUT or --in-place.\n";
    return kUsage;
  }
  if (!c.inPlace) {
    if (const QString refused = outputRefusal(c.output, {{c.image, QStringLiteral("the image being patched")},
                                                         {c.changeSet, QStringLiteral("the change set being read")}});
        !refused.isEmpty()) {
      err << refused << '\n';
      return kUsage;
    }
  }
  auto set = readChangeSet(c.changeSet);
  if (!set) {
    err << set.message() << '\n';
    return kFailed;
  }
  compareSource(*set, c.image, out);
  RomImage rom;
  rom.setRomPath(c.image);
  rom.setFieldNamer(ChangeReader::namer(registry, c.image, c.names));
  Result<ApplyPlan> plan = Status::ok();
  if (c.inPlace) {
    plan = applyChangeSet(rom, registry, *set, c.force, QStringLiteral("apply %1").arg(QFileInfo(c.changeSet).fileName()));
  } else {
    rom.prepareRead();
    for (const QString& notice : rom.takeNotices()) err << notice << '\n';
    if (rom.readsRecovered()) {
      err << QStringLiteral("\"%1\" holds an interrupted change: run romtables-cli recover %1 first. Nothing was "
                            "written.\n")
                 .arg(c.image);
      return kFailed;
    }
    plan = planChangeSet(rom, registry, *set, c.force);
  }
  for (const QString& notice : rom.takeNotices()) err << notice << '\n';
  if (!plan) {
    err << plan.message() << " Nothing was written.\n";
    return kFailed;
  }
  const int conflicts = plan->count(EditState::Conflict);
  if (conflicts && !c.force) {
    err << QStringLiteral("Nothing was written: %1 change(s) conflict, the image holding neither the old nor the new "
                          "value (--force writes the new values over them):\n")
               .arg(conflicts);
    printConflicts(*set, *plan, err);
    return kFailed;
  }
  if (conflicts) {
    out << QStringLiteral("%1 conflicting change(s) written over (--force):\n").arg(conflicts);
    printConflicts(*set, *plan, out);
  }
  if (!c.inPlace) {
    if (Status s = writeImageWith(c.image, plan->writes, c.output); !s) {
      err << s.message() << '\n';
      return kFailed;
    }
  }
  out << QStringLiteral("%1 change(s) applied, %2 already held their new value; %3 byte(s) written to %4%5.\n")
             .arg(plan->count(EditState::Applies) + conflicts)
             .arg(plan->count(EditState::Holds))
             .arg(plan->writes.size())
             .arg(c.inPlace ? c.image : c.output)
             .arg(c.inPlace && !plan->writes.empty() ? QStringLiteral(" as transaction #%1").arg(rom.lastTransaction())
                                                     : QString());
  return kOk;
}

int runMerge(const TableRegistry& registry, const MergeCommand& c, QTextStream& out, QTextStream& err) {
  if (c.format != QLatin1String("text") && c.format != QLatin1String("json")) {
    err << QStringLiteral("Unknown format \"%1\"; use text or json.\n").arg(c.format);
    return kUsage;
  }
  if (!c.prefer.isEmpty() && c.prefer != QLatin1String("a") && c.prefer != QLatin1String("b")) {
    err << QStringLiteral("--prefer takes a or b, not \"%1\".\n").arg(c.prefer);
    return kUsage;
  }
  if (c.output.isEmpty()) {
    err << "merge needs --output OUT.\n";
    return kUsage;
  }
  if (const QString refused = outputRefusal(c.output, {{c.clean, QStringLiteral("an image being read")},
                                                       {c.a, QStringLiteral("an image being read")},
                                                       {c.b, QStringLiteral("an image being read")}});
      !refused.isEmpty()) {
    err << refused << '\n';
    return kUsage;
  }
  std::int64_t sizes[3] = {};
  const QString paths[3] = {c.clean, c.a, c.b};
  for (int i = 0; i < 3; ++i) {
    auto source = FileSource::open(paths[i]);
    if (!source) {
      err << source.message() << '\n';
      return kUsage;
    }
    sizes[i] = (*source)->size();
  }
  if (sizes[0] != sizes[1] || sizes[0] != sizes[2]) {
    err << QStringLiteral("A merge needs three images of one size: \"%1\" has %2 bytes, \"%3\" %4, \"%5\" %6.\n")
               .arg(c.clean)
               .arg(sizes[0])
               .arg(c.a)
               .arg(sizes[1])
               .arg(c.b)
               .arg(sizes[2]);
    return kUsage;
  }
  auto a = makeChangeSet(registry, ChangeSetRequest{c.clean, c.a, c.names});
  if (!a) {
    err << a.message() << '\n';
    return kUsage;
  }
  auto b = makeChangeSet(registry, ChangeSetRequest{c.clean, c.b, c.names});
  if (!b) {
    err << b.message() << '\n';
    return kUsage;
  }
  const Prefer prefer = c.prefer == QLatin1String("a") ? Prefer::A : c.prefer == QLatin1String("b") ? Prefer::B : Prefer::Neither;
  const MergedSets merged = mergeChangeSets(*a, *b, prefer);
  const bool write = merged.conflicts.empty() || prefer != Prefer::Neither;
  if (write) {
    RomImage rom;
    rom.setRomPath(c.clean);
    auto plan = planChangeSet(rom, registry, merged.merged, false);
    Status s = plan ? Status::ok() : plan.status();
    if (s && plan->count(EditState::Conflict))
      s = Status::error(QStringLiteral("\"%1\" changed while it was read; nothing was written.").arg(c.clean));
    if (s) s = writeImageWith(c.clean, plan->writes, c.output);
    if (!s) {
      err << s.message() << '\n';
      return kUsage;
    }
  }
  const int count = static_cast<int>(merged.merged.changes.size() + merged.merged.bytes.size());
  if (c.format == QLatin1String("json")) {
    QJsonArray conflicts;
    for (const MergeConflict& m : merged.conflicts) conflicts.append(conflictJson(m));
    out << QString::fromUtf8(QJsonDocument(QJsonObject{{QStringLiteral("merged"), count},
                                                       {QStringLiteral("conflicts"), conflicts}})
                                 .toJson(QJsonDocument::Indented));
  } else {
    if (write)
      out << QStringLiteral("Merged %1 change(s) of \"%2\" and \"%3\" into %4.\n").arg(count).arg(c.a, c.b, c.output);
    if (!merged.conflicts.empty()) {
      out << QStringLiteral("%1 conflict(s), changed differently in A (\"%2\") and B (\"%3\"):\n")
                 .arg(merged.conflicts.size())
                 .arg(c.a, c.b);
      for (const MergeConflict& m : merged.conflicts) out << conflictText(m);
      if (write)
        out << QStringLiteral("Each took %1's value (--prefer %2).\n").arg(prefer == Prefer::A ? QStringLiteral("A") : QStringLiteral("B"), c.prefer);
      else
        out << "Nothing was written: --prefer a or --prefer b says which side wins.\n";
    }
  }
  return write ? kOk : kFailed;
}

}  // namespace rt
