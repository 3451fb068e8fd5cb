#pragma once
// Undo, redo and revert: each puts a transaction's old (or new) bytes back as
// a transaction of its own, after checking that the image still holds what
// that transaction left there. A change made since by a later transaction or
// another program is named (table, record, field) and refused unless forced.

#include "image/rom_image.h"
#include "model/table_registry.h"

namespace rt {

enum class UndoKind { Undo, Redo, Revert };

struct UndoRequest {
  UndoKind kind = UndoKind::Undo;
  std::int64_t id = 0;  // Revert: the transaction to revert
  QString source;       // Undo/Redo: only transactions of this source (a form); empty for any
  bool force = false;
};

// On success, a sentence saying what was undone or redone. `changedSince`, when
// given, tells a refusal because the bytes changed since (which a forced
// request would override) from any other failure.
Result<QString> undoTransaction(RomImage& rom, const TableRegistry& registry, const QString& namesDir,
                                const UndoRequest& request, bool* changedSince = nullptr);

}  // namespace rt
