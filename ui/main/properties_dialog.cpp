#include "ui/main/properties_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

#include "core/files.h"
#include "core/numbers.h"
#include "core/version.h"
#include "tags/tag.h"

namespace mivaro {
namespace {

QString Q(const WString& s) { return QString::fromStdU16String(s); }

QLabel* ValueLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

}  // namespace

TApp_MivaroProperties::TApp_MivaroProperties(WStringView path, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("App_MivaroProperties"));
  TMyTag2 tag;
  tag.Load(path);
  setWindowTitle(QStringLiteral("%1 のプロパティ").arg(Q(tag.FileNameOnly)));

  auto add = [this](const QString& label, const QString& value) {
    if (!value.isEmpty()) rows_.append({label, value});
  };
  add(QStringLiteral("名前"), Q(tag.FileNameOnly));
  add(QStringLiteral("場所"), Q(tag.FileDir));
  if (!tag.FileExists) {
    add(QStringLiteral("状態"), QStringLiteral("ファイルが見つかりません"));
  } else {
    add(QStringLiteral("サイズ"),
        QStringLiteral("%1 (%2 バイト)").arg(Q(tag.SizeText())).arg(tag.FileSize));
    add(QStringLiteral("更新日時"), Q(FileWriteTimeText(tag.FileName)));
    if (tag.Duration > 0) add(QStringLiteral("長さ"), Q(FormatSecondsFraction(3, tag.Duration)));
    if (tag.HasVideoSize())
      add(QStringLiteral("ビデオサイズ"),
          QStringLiteral("%1x%2").arg(tag.VideoWidth).arg(tag.VideoHeight));
    if (tag.FrameRate > 0) add(QStringLiteral("フレームレート"), QString::number(tag.FrameRate, 'g', 4));
    if (tag.BitRate > 0) add(QStringLiteral("ビットレート"), QStringLiteral("%1 kbps").arg(tag.BitRate / 1000));
    add(QStringLiteral("タグ"), Q(tag.TagVersion));
    for (int i = 0; i < kTagFieldCount; ++i) {
      const auto field = static_cast<TMyTagField>(i);
      add(QString::fromLatin1(TagFieldName(field)), Q(tag.Text(field)));
    }
  }

  auto* form_host = new QWidget;
  auto* form = new QFormLayout(form_host);
  for (const auto& [label, value] : rows_) form->addRow(label, ValueLabel(value, form_host));
  auto* scroll = new QScrollArea(this);
  scroll->setWidget(form_host);
  scroll->setWidgetResizable(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(scroll);
  layout->addWidget(buttons);
  resize(440, 400);
}

TApp_MivaroVersion::TApp_MivaroVersion(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("App_MivaroVersion"));
  const QString product = Q(GetAppProductName());
  setWindowTitle(QStringLiteral("バージョン情報"));
  auto* layout = new QVBoxLayout(this);
  auto* title = new QLabel(QStringLiteral("<b>%1</b> %2").arg(product.toHtmlEscaped(),
                                                              Q(GetAppVersion()).toHtmlEscaped()),
                           this);
  layout->addWidget(title);
  layout->addWidget(ValueLabel(QStringLiteral("Qt %1 / GStreamer / ICU").arg(QString::fromLatin1(qVersion())), this));
  const QString comments = Q(GetAppComments());
  if (!comments.isEmpty()) layout->addWidget(ValueLabel(comments, this));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace mivaro
