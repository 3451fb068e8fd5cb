#include "history/undo.h"

#include "history/changes.h"

#include <map>

namespace rt {
namespace {

const char* verbOf(UndoKind kind) {
  switch (kind) {
    case UndoKind::Undo: return "undo";
    case UndoKind::Redo: return "redo";
    case UndoKind::Revert: return "revert";
  }
  return "";
}

// A revert is recorded as an undo of its target, started by "revert <id>".
bool isRevert(const Transaction& t) {
  return t.info.kind == QLatin1String("undo") && t.info.source.startsWith(QLatin1String("revert "));
}

Result<Transaction> pick(Journal& journal, const UndoRequest& request) {
  if (request.kind == UndoKind::Revert) {
    auto tx = journal.get(request.id);
    if (!tx) return tx;
    if (tx->info.kind != QLatin1String("edit"))
      return Result<Transaction>::failure(
          QStringLiteral("Transaction %1 is itself an %2; undo or redo what it acted on instead.").arg(tx->id).arg(tx->info.kind));
    if (tx->state != TxState::Done)
      return Result<Transaction>::failure(
          QStringLiteral("Transaction %1 is %2; only a done transaction can be reverted.").arg(tx->id).arg(stateName(tx->state)));
    return tx;
  }
  auto all = journal.list(-1, false);
  if (!all) return all.status();
  auto matches = [&](const Transaction& t, TxState state) {
    return t.info.kind == QLatin1String("edit") && t.state == state &&
           (request.source.isEmpty() || t.info.source == request.source);
  };
  std::map<std::int64_t, const Transaction*> byId;
  for (const Transaction& t : *all) byId[t.id] = &t;
  auto sourceOf = [&](std::int64_t id) {
    auto it = byId.find(id);
    return it == byId.end() ? QString() : it->second->info.source;
  };
  if (request.kind == UndoKind::Undo) {
    // The newest change, when it is a revert, is what Undo takes back: its
    // own old bytes hold what it overwrote, a later change included.
    for (const Transaction& t : *all) {
      if (t.state != TxState::Done && t.state != TxState::Undone) continue;
      if (t.state == TxState::Done && isRevert(t) &&
          (request.source.isEmpty() || sourceOf(t.info.target) == request.source))
        return journal.get(t.id);
      break;
    }
  }
  if (request.kind == UndoKind::Redo) {
    // What was undone last comes back first: the newest undo whose target is
    // still undone names it. Redoing the newest undone edit instead would
    // bring back a later change over bytes an earlier undo had set. A revert
    // is taken back itself, so what it overwrote comes back too.
    for (const Transaction& u : *all) {
      if (u.info.kind != QLatin1String("undo") || u.state != TxState::Done) continue;
      auto target = byId.find(u.info.target);
      if (target != byId.end() && matches(*target->second, TxState::Undone))
        return journal.get(isRevert(u) ? u.id : target->first);
    }
  }
  const TxState wanted = request.kind == UndoKind::Undo ? TxState::Done : TxState::Undone;
  for (const Transaction& t : *all)
    if (matches(t, wanted)) return journal.get(t.id);
  const QString of = request.source.isEmpty() ? QString() : QStringLiteral(" of %1").arg(request.source);
  return Result<Transaction>::failure(request.kind == UndoKind::Undo
                                          ? QStringLiteral("There is nothing%1 to undo.").arg(of)
                                          : QStringLiteral("There is nothing%1 to redo.").arg(of));
}

}  // namespace

Result<QString> undoTransaction(RomImage& rom, const TableRegistry& registry, const QString& namesDir,
                                const UndoRequest& request, bool* changedSince) {
  if (changedSince) *changedSince = false;
  // An image without a history has nothing to undo: none is made for it.
  rom.setCreatesHistory(false);
  WriteTransaction lock(rom, TxInfo{});
  rom.setCreatesHistory(true);
  if (!lock.status()) return lock.status();
  Journal* journal = rom.journal();
  if (!journal) return Result<QString>::failure(QStringLiteral("\"%1\" has no history.").arg(rom.romPath()));
  auto target = pick(*journal, request);
  if (!target) return target.status();
  if (target->damaged)
    return Result<QString>::failure(damagedTransaction(target->id, journal->path(), rom.romPath()));
  // A transaction's change is the bits it flipped: only those are checked and
  // put back, never the bytes and bits between them.
  Transaction tx = *target;
  tx.runs = changedBytes(tx.runs);
  // Undo and revert expect the transaction's new bytes in place; redo its old
  // ones. A revert taken back (by Undo or Redo) is undone: its old bytes hold
  // what it overwrote.
  const bool takesBackRevert = isRevert(tx);
  const bool expectAfter = request.kind != UndoKind::Redo || takesBackRevert;

  if (!request.force) {
    QStringList moved;
    {
      RomSession session(rom, Access::Read);
      if (!session.status()) return session.status();
      for (const Run& run : tx.runs) {
        const QByteArray& expected = expectAfter ? run.after : run.before;
        rom.prefetch(run.offset, expected.size());
        rom.seek(run.offset);
        for (qsizetype i = 0; i < expected.size(); ++i) {
          const int flipped = static_cast<std::uint8_t>(run.before[i] ^ run.after[i]);
          if ((rom.readU8() ^ static_cast<std::uint8_t>(expected[i])) & flipped) {
            moved << QStringLiteral("0x%1").arg(QString::number(run.offset + i, 16).toUpper());
            break;
          }
        }
      }
      if (Status closed = session.close(); !closed) return closed;
    }
    if (!moved.isEmpty()) {
      ChangeReader reader(registry, rom.romPath(), namesDir);
      QStringList fields;
      if (auto drift = reader.drift(tx, expectAfter))
        for (const FieldChange& c : *drift)
          fields << QStringLiteral("%1 (%2 now, %3 expected)").arg(ChangeReader::where(c), c.newValue, c.oldValue);
      const QString what = fields.isEmpty() ? QStringLiteral("the bytes at %1").arg(moved.join(QStringLiteral(", ")))
                                            : fields.join(QStringLiteral("; "));
      if (changedSince) *changedSince = true;
      // How to go ahead anyway is the front end's to say (an option, a question).
      return Result<QString>::failure(
          QStringLiteral("Transaction %1 cannot be %2: %3 changed since, by a later transaction or another program. "
                         "Nothing was written.")
              .arg(tx.id)
              .arg(takesBackRevert || request.kind == UndoKind::Undo ? QStringLiteral("undone")
                   : request.kind == UndoKind::Redo                  ? QStringLiteral("redone")
                                                                     : QStringLiteral("reverted"),
                   what));
    }
  }

  std::vector<ByteWrite> writes;
  for (const Run& run : tx.runs) {
    const QByteArray& bytes = expectAfter ? run.before : run.after;
    // Only the flipped bits; forced, the whole of each byte it changed, as
    // the refusal named the fields whose values it puts back.
    for (qsizetype i = 0; i < bytes.size(); ++i)
      writes.push_back({run.offset + i, static_cast<std::uint8_t>(bytes[i]),
                        request.force ? std::uint8_t{0xFF} : static_cast<std::uint8_t>(run.before[i] ^ run.after[i])});
  }
  TxInfo info = tx.info;
  info.source = QStringLiteral("%1 %2")
                    .arg(QString::fromLatin1(verbOf(takesBackRevert ? UndoKind::Undo : request.kind)))
                    .arg(tx.id);
  // A revert taken back brings its target's change back (with whatever the
  // revert overwrote): recorded as a redo of the target, which is done again.
  const bool bringsBack = request.kind == UndoKind::Redo || takesBackRevert;
  info.kind = bringsBack ? QStringLiteral("redo") : QStringLiteral("undo");
  info.target = takesBackRevert ? tx.info.target : tx.id;
  info.targetState = bringsBack ? TxState::Done : TxState::Undone;
  SaveResult saved = applyWrites(rom, writes, info);
  if (!saved.status) return saved.status;
  // Nothing differed (a forced undo of bytes already old): no transaction was
  // recorded, so the target's state is set on its own.
  if (rom.lastTransaction() == 0 || saved.bytesChanged == 0)
    if (Status s = journal->finish(info.target, info.targetState); !s) return s;
  const QString verb = takesBackRevert                    ? QStringLiteral("Undid")
                       : request.kind == UndoKind::Redo     ? QStringLiteral("Redid")
                       : request.kind == UndoKind::Revert ? QStringLiteral("Reverted")
                                                          : QStringLiteral("Undid");
  return QStringLiteral("%1 transaction %2 (%3); %4 byte(s) changed.")
      .arg(verb)
      .arg(tx.id)
      .arg(describeTransaction(tx))
      .arg(saved.bytesChanged);
}

}  // namespace rt
