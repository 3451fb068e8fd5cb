#pragma once
// The journal the programs keep: SQLite files, "<image file name>.history"
// beside the image (the file a symbolic link points at), or, where that folder
// cannot be written, a file in the per-user data folder named from the image's
// absolute path (historyPathOf in image/journal.h finds either).

#include "image/journal.h"

#include <memory>

namespace rt {

std::shared_ptr<JournalStore> systemJournalStore();

}  // namespace rt
