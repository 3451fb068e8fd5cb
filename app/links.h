#pragma once
// `refs` and `check` on the command line: what a record names and what names
// it, and every broken or suspicious link, in text or JSON.

#include "model/table_check.h"

#include <QTextStream>

namespace rt {

// "12" or, for a table addressed by stage and position, "3/2".
Result<QVariantMap> parseRecordKey(const TableAdapter* table, const QString& key);

QByteArray linksToJson(const QString& table, const QVariantMap& keys, const RecordLinks& links);
QString linksToText(const QString& table, const QVariantMap& keys, const RecordLinks& links);
QByteArray problemsToJson(const std::vector<Problem>& problems);
QString problemsToText(const std::vector<Problem>& problems);

}  // namespace rt
