#pragma once
#include <QString>

namespace rt {
// Whether two paths name one file (links included); false when either does not exist.
bool sameFile(const QString& a, const QString& b);
}  // namespace rt
