#include "platform/desktop/icons.h"

#include <QFileInfo>
#include <QHash>

namespace mivaro {
namespace {

const char* const kCategories[] = {"actions", "status", "places", "devices",
                                   "apps",    "mimetypes", "categories", "emblems"};

QString ThemeFile(const QString& name, int size) {
  static QHash<QString, QString> cache;
  const QString key = name + QLatin1Char('@') + QString::number(size);
  auto it = cache.constFind(key);
  if (it != cache.constEnd()) return *it;
  QString found;
  const QString base =
      QStringLiteral("/usr/share/icons/Tango/%1x%1/").arg(size);
  for (const char* category : kCategories) {
    const QString path = base + QLatin1String(category) + QLatin1Char('/') + name +
                         QStringLiteral(".png");
    if (QFileInfo::exists(path)) {
      found = path;
      break;
    }
  }
  cache.insert(key, found);
  return found;
}

}  // namespace

bool HasThemeImage(const QString& name, int size) { return !ThemeFile(name, size).isEmpty(); }

QPixmap LoadThemeImage(const QString& name, int size) {
  const int source = size <= 16 ? 16 : (size <= 22 ? 22 : (size <= 24 ? 24 : 32));
  QString file = ThemeFile(name, source);
  if (file.isEmpty()) file = ThemeFile(name, source == 16 ? 32 : 16);
  QPixmap pixmap;
  if (!file.isEmpty()) pixmap.load(file);
  if (pixmap.isNull()) {
    const QIcon themed = QIcon::fromTheme(name);
    if (!themed.isNull()) pixmap = themed.pixmap(size, size);
  }
  if (pixmap.isNull()) {
    pixmap = QPixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
  }
  if (pixmap.width() != size || pixmap.height() != size) {
    pixmap = pixmap.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  return pixmap;
}

QIcon ApplicationIcon() {
  QIcon icon;
  for (int size : {16, 32, 48}) {
    const QString file = QStringLiteral("/usr/share/icons/Tango/%1x%1/apps/"
                                        "preferences-desktop-multimedia.png")
                             .arg(size);
    if (QFileInfo::exists(file)) icon.addFile(file, QSize(size, size));
  }
  if (icon.isNull()) icon = QIcon::fromTheme(QStringLiteral("multimedia-player"));
  return icon;
}

}  // namespace mivaro
