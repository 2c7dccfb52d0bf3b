#include "ui/debug/form_debug.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace mivaro {
namespace {

QPointer<TForm_Debug> g_window;

}  // namespace

TForm_Debug::TForm_Debug(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Form_Debug"));
  setWindowTitle(QStringLiteral("デバッグ"));
  resize(560, 420);

  ListBox1 = new QListWidget(this);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  ListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  // Long lines (vendors, caps) scroll sideways instead of being cut short.
  ListBox1->setTextElideMode(Qt::ElideNone);
  ListBox1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
  QFont mono = ListBox1->font();
  mono.setFamily(QStringLiteral("Monospace"));
  mono.setStyleHint(QFont::TypeWriter);
  ListBox1->setFont(mono);

  Button_Clear = new QPushButton(QStringLiteral("クリア"), this);
  Button_Save = new QPushButton(QStringLiteral("書き出し"), this);
  Button_Copy = new QPushButton(QStringLiteral("コピー"), this);
  PopupMenu1 = new QMenu(this);
  QAction* popupCopy = PopupMenu1->addAction(QStringLiteral("コピー"));

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(Button_Clear);
  buttons->addWidget(Button_Save);
  buttons->addWidget(Button_Copy);
  buttons->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(ListBox1, 1);
  layout->addLayout(buttons);

  connect(Button_Clear, &QPushButton::clicked, this, &TForm_Debug::ClearClick);
  connect(Button_Save, &QPushButton::clicked, this, &TForm_Debug::SaveClick);
  connect(Button_Copy, &QPushButton::clicked, this, &TForm_Debug::CopyClick);
  connect(popupCopy, &QAction::triggered, this, &TForm_Debug::PopupCopyClick);
  connect(ListBox1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& pos) { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(pos)); });

  lastFolder_ = QDir::homePath();
  AskSaveFileName = [this] {
    return QFileDialog::getSaveFileName(this, QStringLiteral("書き出し"),
                                        QDir(lastFolder_).filePath(QStringLiteral("debug.txt")),
                                        QStringLiteral("テキスト (*.txt);;すべて (*)"));
  };
  Beep = [] { QApplication::beep(); };

  TDebugLog::Instance().SetListener([this] { LogChanged(); });
  SyncWithLog();
}

TForm_Debug::~TForm_Debug() { TDebugLog::Instance().SetListener(nullptr); }

void TForm_Debug::LogChanged() {
  // Any thread. One queued sync at a time: a flood of writes costs one update.
  if (syncPosted_.exchange(true)) return;
  QMetaObject::invokeMethod(this, [this] { SyncWithLog(); }, Qt::QueuedConnection);
}

void TForm_Debug::SyncWithLog() {
  syncPosted_ = false;
  TDebugLog::TDelta delta = TDebugLog::Instance().LinesSince(&cursor_);
  if (!delta.reset && delta.lines.empty()) return;
  ListBox1->setUpdatesEnabled(false);
  if (delta.reset) ListBox1->clear();
  QStringList added;
  added.reserve(static_cast<qsizetype>(delta.lines.size()));
  for (const auto& line : delta.lines) added.append(QString::fromStdString(line));
  ListBox1->addItems(added);
  const int excess = ListBox1->count() - static_cast<int>(TDebugLog::kMaxLines);
  if (excess > 0) ListBox1->model()->removeRows(0, excess);
  ListBox1->setUpdatesEnabled(true);
  if (ListBox1->count() > 0) ListBox1->scrollToBottom();
}

void TForm_Debug::ClearClick() {
  TDebugLog::Instance().Clear();
  SyncWithLog();
}

void TForm_Debug::SaveClick() {
  const QString file = AskSaveFileName ? AskSaveFileName() : QString();
  if (file.isEmpty()) return;
  lastFolder_ = QFileInfo(file).absolutePath();
  // Failures are not reported: this is a developer's window and the log stays as it is.
  (void)TDebugLog::Instance().SaveTo(file.toStdString());
}

void TForm_Debug::CopyClick() {
  SyncWithLog();
  QString text;
  for (int i = 0; i < ListBox1->count(); ++i) {
    text += ListBox1->item(i)->text();
    text += QLatin1Char('\n');
  }
  QApplication::clipboard()->setText(text);
}

void TForm_Debug::PopupCopyClick() {
  QListWidgetItem* item = ListBox1->currentItem();
  if (!item || !item->isSelected()) {
    if (Beep) Beep();
    return;
  }
  QApplication::clipboard()->setText(item->text());
}

TForm_Debug* ShowDebugWindow() {
  if (!g_window) {
    g_window = new TForm_Debug;
    // A window of its own that does not keep the program running once the main window has
    // closed; it goes when the application quits.
    g_window->setAttribute(Qt::WA_QuitOnClose, false);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, g_window.data(), [] { delete g_window.data(); });
  }
  g_window->show();
  g_window->raise();
  g_window->activateWindow();
  return g_window;
}

TForm_Debug* DebugWindow() { return g_window; }

}  // namespace mivaro
