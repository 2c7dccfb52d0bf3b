#include "platform/desktop/icons.h"

#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPen>
#include <algorithm>

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

// Pictures the theme lacks, made from one it has: the zoom commands are its magnifier
// with a mark in the lens, "fit" is its full-screen picture (arrows to the corners).
struct Composed {
  const char* name;
  const char* base;
  char mark;  // '+', '-', '1', or 0 for the base picture as it is
};
constexpr Composed kComposed[] = {{"zoom-in", "system-search", '+'},
                                  {"zoom-out", "system-search", '-'},
                                  {"zoom-original", "system-search", '1'},
                                  {"zoom-fit-best", "view-fullscreen", 0}};

const Composed* FindComposed(const QString& name) {
  for (const Composed& c : kComposed) {
    if (name == QLatin1String(c.name)) return &c;
  }
  return nullptr;
}

// Draws `mark` into the magnifier's lens, whose centre lies at 40 % of the picture in
// both directions and whose glass is about half the picture wide.
void DrawLensMark(QPixmap& pixmap, char mark) {
  const qreal size = pixmap.width();
  const QPointF centre(size * 0.40, size * 0.40);
  const qreal arm = size * 0.17;
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QPen pen(QColor(0x20, 0x4a, 0x87));  // the theme's dark blue
  pen.setWidthF(std::max<qreal>(2.0, size / 8.0));
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  if (mark == '+' || mark == '-') {
    painter.drawLine(centre - QPointF(arm, 0), centre + QPointF(arm, 0));
  }
  if (mark == '+' || mark == '1') {
    painter.drawLine(centre - QPointF(0, arm), centre + QPointF(0, arm));
  }
  if (mark == '1') {
    painter.drawLine(centre - QPointF(0, arm), centre - QPointF(arm * 0.6, arm * 0.5));
  }
}

}  // namespace

bool HasThemeImage(const QString& name, int size) { return !ThemeFile(name, size).isEmpty(); }

QPixmap LoadThemeImage(const QString& name, int size) {
  const int source = size <= 16 ? 16 : (size <= 22 ? 22 : (size <= 24 ? 24 : 32));
  QString file = ThemeFile(name, source);
  if (file.isEmpty()) file = ThemeFile(name, source == 16 ? 32 : 16);
  if (file.isEmpty()) {
    if (const Composed* composed = FindComposed(name)) {
      QPixmap pixmap = LoadThemeImage(QLatin1String(composed->base), size);
      if (composed->mark) DrawLensMark(pixmap, composed->mark);
      return pixmap;
    }
  }
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

QIcon LoadThemeIcon(const QString& name) {
  QIcon icon;
  icon.addPixmap(LoadThemeImage(name, 16));
  icon.addPixmap(LoadThemeImage(name, 32));
  return icon;
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
