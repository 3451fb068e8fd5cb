#include "compare/original_bytes.h"

#include <algorithm>
#include <map>

namespace rt {

ByteValues originalBytes(const std::vector<Transaction>& transactions) {
  std::vector<const Transaction*> oldestFirst;
  oldestFirst.reserve(transactions.size());
  for (const Transaction& tx : transactions) oldestFirst.push_back(&tx);
  std::sort(oldestFirst.begin(), oldestFirst.end(), [](const Transaction* a, const Transaction* b) { return a->id < b->id; });
  // Whatever became of a transaction (done, undone, rolled back), its old
  // bytes are what the image held when it began: for a byte no earlier
  // transaction wrote, the original.
  std::map<std::int64_t, std::uint8_t> first;
  for (const Transaction* tx : oldestFirst)
    for (const Run& run : tx->runs)
      for (qsizetype i = 0; i < run.before.size(); ++i)
        first.try_emplace(run.offset + i, static_cast<std::uint8_t>(run.before[i]));
  return ByteValues(first.begin(), first.end());
}

Result<ByteValues> originalBytes(Journal& journal) {
  auto all = journal.list(-1, true);
  if (!all) return all.status();
  return originalBytes(*all);
}

Result<PatchSummary> patchFromHistory(const QString& image, ByteValues original, PatchFormat format,
                                      const QString& outPath, const std::shared_ptr<FileLayer>& files) {
  auto now = FileSource::open(image, files);
  if (!now) return now.status();
  auto base = FileSource::open(image, files);
  if (!base) return base.status();
  // A history of a file that has shrunk since cannot name bytes past its end.
  while (!original.empty() && original.back().first >= (*base)->size()) original.pop_back();
  OverlaySource clean(std::move(base.value()), std::move(original));
  return makePatch(format, clean, **now, outPath);
}

}  // namespace rt
