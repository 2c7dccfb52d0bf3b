#include "ui/main/dialog_filters.h"

namespace mivaro {

QStringList QtFilters(const QString& filter) {
  const QStringList parts = filter.split(QLatin1Char('|'));
  QStringList out;
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QString text = parts[i];
    const int paren = static_cast<int>(text.indexOf(QLatin1Char('(')));
    if (paren >= 0) text = text.left(paren).trimmed();
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) {
      p = p.trimmed();
      if (p == QStringLiteral("*.*")) p = QStringLiteral("*");
    }
    out << QStringLiteral("%1 (%2)").arg(text, patterns.join(QLatin1Char(' ')));
  }
  return out;
}

}  // namespace mivaro
