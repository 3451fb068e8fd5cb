#include "app/patch.h"

#include "app/paths.h"
#include "compare/original_bytes.h"
#include "compare/patch.h"
#include "compare/patch_stream.h"
#include "image/rom_image.h"

#include <QFileInfo>

namespace rt {
namespace {

enum Exit { kOk = 0, kFailed = 1, kUsage = 2 };

QString formatName(PatchFormat f) { return f == PatchFormat::Bps ? QStringLiteral("BPS") : QStringLiteral("IPS"); }

void printMade(const PatchSummary& s, const QString& path, QTextStream& out) {
  out << QStringLiteral("Wrote %1 (%2 patch, %3 bytes): %4 byte(s) in %5 run(s) differ")
             .arg(path, formatName(s.format))
             .arg(s.patchSize)
             .arg(s.bytesChanged)
             .arg(s.runs);
  if (s.sourceSize != s.targetSize) out << QStringLiteral("; the image's size goes from %1 to %2 bytes").arg(s.sourceSize).arg(s.targetSize);
  if (s.format == PatchFormat::Bps)
    out << QStringLiteral("; source CRC32 %1, target CRC32 %2").arg(crcText(s.sourceCrc), crcText(s.targetCrc));
  out << ".\n";
}

// The history's original bytes, read under the image's lock so that no save
// lands between them and the image's own bytes; and only from the history of
// this very file, with nothing interrupted (the patch would carry torn bytes).
int fromHistory(const PatchCommand& c, PatchFormat format, QTextStream& out, QTextStream& err) {
  RomImage rom;
  rom.setRomPath(c.modified);
  rom.prepareRead();
  for (const QString& notice : rom.takeNotices()) err << notice << '\n';
  if (rom.readsRecovered()) {
    err << QStringLiteral("\"%1\" holds an interrupted change: run romtables-cli recover %1 first. Nothing was "
                          "written.\n")
               .arg(c.modified);
    return kFailed;
  }
  if (historyPathOf(c.modified).isEmpty()) {
    err << QStringLiteral("\"%1\" has no history: no change was saved to it by this program, so its original bytes are "
                          "not known. Give the clean image instead: romtables-cli patch CLEAN %1 --output %2\n")
               .arg(c.modified, c.output);
    return kFailed;
  }
  // The checks of a write (the lock, the file is the history's), without writing.
  rom.setCreatesHistory(false);
  rom.setStrictIdentity(true);
  WriteTransaction locked(rom, TxInfo{});
  if (!locked.status()) {
    err << locked.status().message() << '\n';
    return kFailed;
  }
  Journal* journal = rom.journal();
  auto original = originalBytes(*journal);
  Result<PatchSummary> made = original ? patchFromHistory(c.modified, std::move(original.value()), format, c.output)
                                       : Result<PatchSummary>(original.status());
  if (!made) {
    err << made.message() << '\n';
    return kFailed;
  }
  printMade(*made, c.output, out);
  return kOk;
}

}  // namespace

int runPatch(const PatchCommand& c, QTextStream& out, QTextStream& err) {
  if (c.output.isEmpty()) {
    err << "patch needs --output OUT.bps (or OUT.ips).\n";
    return kUsage;
  }
  const auto format = patchFormatForName(c.output);
  if (!format) {
    err << QStringLiteral("--output %1: a patch's name ends in .bps or .ips, which says its format.\n").arg(c.output);
    return kUsage;
  }
  if (const QString refused = outputRefusal(c.output, {{c.clean, QStringLiteral("an image being read")},
                                                       {c.modified, QStringLiteral("an image being read")}});
      !refused.isEmpty()) {
    err << refused << '\n';
    return kUsage;
  }
  if (c.fromHistory) return fromHistory(c, *format, out, err);
  auto clean = FileSource::open(c.clean);
  if (!clean) {
    err << clean.message() << '\n';
    return kFailed;
  }
  auto modified = FileSource::open(c.modified);
  if (!modified) {
    err << modified.message() << '\n';
    return kFailed;
  }
  auto made = makePatch(*format, **clean, **modified, c.output);
  if (!made) {
    err << made.message() << '\n';
    return kFailed;
  }
  printMade(*made, c.output, out);
  return kOk;
}

int runApply(const ApplyCommand& c, QTextStream& out, QTextStream& err) {
  if (c.output.isEmpty()) {
    err << "apply needs --output OUT: the patched image goes to a new file, never over its input.\n";
    return kUsage;
  }
  if (const QString refused = outputRefusal(c.output, {{c.image, QStringLiteral("the image being patched")},
                                                       {c.patch, QStringLiteral("the patch being read")}});
      !refused.isEmpty()) {
    err << refused << '\n';
    return kUsage;
  }
  auto patch = FileSource::open(c.patch);
  if (!patch) {
    err << patch.message() << '\n';
    return kFailed;
  }
  auto image = FileSource::open(c.image);
  if (!image) {
    err << image.message() << '\n';
    return kFailed;
  }
  auto applied = applyPatch(**patch, **image, c.output);
  if (!applied) {
    err << applied.message() << '\n';
    return kFailed;
  }
  if (applied->format == PatchFormat::Bps)
    out << QStringLiteral("Wrote %1 (%2 bytes): the BPS patch applied, its source, target and patch CRC32s checked "
                          "(target %3).\n")
               .arg(c.output)
               .arg(applied->targetSize)
               .arg(crcText(applied->targetCrc));
  else
    out << QStringLiteral("Wrote %1 (%2 bytes): the IPS patch's %3 record(s) applied (IPS patches carry no checksum).\n")
               .arg(c.output)
               .arg(applied->targetSize)
               .arg(applied->runs);
  return kOk;
}

}  // namespace rt
