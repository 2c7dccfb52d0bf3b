#include "ui/main/history_menus.h"

#include <QAction>
#include <QMenu>

#include "core/wstrings.h"
#include "playlist/open_history.h"
#include "settings/ini_file.h"
#include "ui/main/busy_guard.h"

namespace mivaro {
namespace {

QString Q(WStringView s) { return QString::fromStdU16String(WString(s)); }

// The settings section of each menu, in the order of the constructor's menus.
constexpr const char16_t* kSections[] = {u"OpenFileHistory", u"OpenFolderHistory",
                                         u"OpenThisFolderHistory"};

}  // namespace

TMyOpenHistories::TMyOpenHistories(std::array<QMenu*, 3> menus,
                                   std::function<void(QMenu*, const WString&)> clicked)
    : menus_(menus), clicked_(std::move(clicked)) {}

void TMyOpenHistories::Insert(QMenu* menu, WStringView path) {
  if (!path.empty()) Show(menu, InsertOpenHistory(Lines(menu), path));
}

void TMyOpenHistories::Show(QMenu* menu, const std::vector<WString>& stored) {
  for (QAction* item : menu->actions()) {
    menu->removeAction(item);
    item->deleteLater();
  }
  static int serial = 0;
  for (const WString& line : stored) {
    // The hint is the stored form; the menu shows the decoded path.
    const QString path = Q(OpenHistoryPathOf(line));
    auto* item = new QAction(QString(path).replace(QLatin1Char('&'), QStringLiteral("&&")), menu);
    item->setObjectName(QStringLiteral("OpenHistory%1").arg(++serial));
    item->setData(Q(line));
    item->setStatusTip(Q(line));
    item->setToolTip(path);
    QObject::connect(item, &QAction::triggered, menu, [this, menu, line] {
      if (!IsBusy()) clicked_(menu, OpenHistoryPathOf(line));
    });
    menu->addAction(item);
  }
}

std::vector<WString> TMyOpenHistories::Paths(const QMenu* menu) {
  std::vector<WString> paths;
  for (const WString& line : Lines(menu)) paths.push_back(OpenHistoryPathOf(line));
  return paths;
}

std::vector<WString> TMyOpenHistories::Lines(const QMenu* menu) {
  std::vector<WString> lines;
  for (QAction* item : menu->actions()) lines.push_back(item->data().toString().toStdU16String());
  return lines;
}

void TMyOpenHistories::Load(TMyIniFile& ini) {
  TMyWStrings lines;
  for (std::size_t i = 0; i < menus_.size(); ++i) {
    if (!ini.SectionExists(kSections[i])) continue;
    ini.ReadSectionLines(kSections[i], lines);
    std::vector<WString> stored;
    for (int n = 0; n < lines.Count(); ++n) stored.push_back(lines.Get(n));
    Show(menus_[i], OpenHistoryFromLines(stored));
  }
}

void TMyOpenHistories::Save(TMyIniFile& ini) const {
  TMyWStrings lines;
  for (std::size_t i = 0; i < menus_.size(); ++i) {
    lines.Clear();
    for (const WString& line : Lines(menus_[i])) lines.Add(line);
    ini.WriteSectionLines(kSections[i], lines);
  }
}

}  // namespace mivaro
