#pragma once
// The image as it was before the history's first change: every byte any
// transaction wrote, with what the oldest transaction that wrote it found
// there. Laid over the image as it is now, they give the clean image a patch
// starts from, without a copy of it and without writing anything.

#include "image/journal.h"
#include "compare/patch.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace rt {

using ByteValues = std::vector<std::pair<std::int64_t, std::uint8_t>>;  // offsets in increasing order

// From the transactions of a history (any order).
ByteValues originalBytes(const std::vector<Transaction>& transactions);
// From the whole history of `journal`.
Result<ByteValues> originalBytes(Journal& journal);

// A patch from the image at `image` with `original` put back (the source) to
// the image as it is (the target). Reads only; may run on any thread.
Result<PatchSummary> patchFromHistory(const QString& image, ByteValues original, PatchFormat format,
                                      const QString& outPath, const std::shared_ptr<FileLayer>& files = systemFileLayer());

}  // namespace rt
