#include "ui/list/app_mivaro_list.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QRegularExpression>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/paths.h"
#include "core/wstrings.h"
#include "platform/desktop/icons.h"
#include "ui/list/list_row_delegate.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/playlist_combo.h"
#include "ui/sendto/send_to.h"

namespace mivaro {

namespace {

// The value text of an action's hint also shows in the status tip.
void SetHint(QAction* action, const QString& hint) {
  action->setToolTip(hint.isEmpty() ? QString(action->text()).remove(QLatin1Char('&')) : hint);
  action->setStatusTip(hint);
}

// A menu whose own entry stands for `holder` (caption, enabled state).
QMenu* HolderMenu(QMenu* parent, QAction* holder) {
  auto* menu = parent->addMenu(holder->text());
  menu->menuAction()->setEnabled(holder->isEnabled());
  QObject::connect(holder, &QAction::changed, menu, [menu, holder] {
    menu->menuAction()->setEnabled(holder->isEnabled());
    menu->setTitle(holder->text());
  });
  return menu;
}

}  // namespace

TApp_MivaroList::TApp_MivaroList(TApp_Mivaro* main)
    : QWidget(main, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                        Qt::WindowCloseButtonHint),
      main_(main),
      playlist_(main->Playlist()) {
  setObjectName(QStringLiteral("App_MivaroList"));
  setWindowTitle(QStringLiteral("再生リスト"));
  Beep = [] { QApplication::beep(); };

  CreateActions();

  Panel_Find = new QWidget(this);
  Panel_Find->setObjectName(QStringLiteral("Panel_Find"));
  auto* find_row = new QHBoxLayout(Panel_Find);
  find_row->setContentsMargins(2, 0, 0, 0);
  find_row->setSpacing(2);
  find_row->addWidget(new QLabel(QStringLiteral("検索"), Panel_Find));
  Edit_Find = new QLineEdit(Panel_Find);
  Edit_Find->setObjectName(QStringLiteral("Edit_Find"));
  Edit_Find->setMinimumWidth(120);
  Edit_Find->installEventFilter(this);
  Edit_Find->setContextMenuPolicy(Qt::CustomContextMenu);
  find_row->addWidget(Edit_Find, 1);
  Button_FindHistory = new QToolButton(Panel_Find);
  Button_FindHistory->setObjectName(QStringLiteral("Button_FindHistory"));
  Button_FindHistory->setArrowType(Qt::DownArrow);
  Button_FindHistory->setToolTip(QStringLiteral("検索履歴"));
  find_row->addWidget(Button_FindHistory);

  ListBox_PlayList = new QListView(this);
  ListBox_PlayList->setObjectName(QStringLiteral("ListBox_PlayList"));
  ListBox_PlayList->setUniformItemSizes(true);  // rows are laid out without measuring each
  ListBox_PlayList->setLayoutMode(QListView::SinglePass);
  ListBox_PlayList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ListBox_PlayList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  ListBox_PlayList->setContextMenuPolicy(Qt::CustomContextMenu);
  ListBox_PlayList->setItemDelegate(new TMyListRowDelegate(
      [this](int row) { return RowText(row); }, [this] { return PlayingIndex(); },
      ListBox_PlayList));
  ListBox_PlayList->setModel(main_->PlaylistModel);
  for (QAction* a : {Action_Play_Play, Action_List_Copy, Action_List_Del, Action_List_SelectAll}) {
    a->setShortcutContext(Qt::WidgetShortcut);
    ListBox_PlayList->addAction(a);
  }
  Action_Play_Play->setShortcut(Qt::Key_Return);
  Action_List_Copy->setShortcut(QKeySequence::Copy);
  Action_List_Del->setShortcut(Qt::Key_Delete);
  Action_List_SelectAll->setShortcut(QKeySequence::SelectAll);
  connect(ListBox_PlayList, &QListView::doubleClicked, this,
          [this] { Action_Play_PlayExecute(Action_Play_Play); });
  connect(ListBox_PlayList->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TApp_MivaroList::RowClicked);
  connect(ListBox_PlayList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TApp_MivaroList::UpdateActionStates);

  // Any change of the list drops the cached search forms.
  QAbstractItemModel* m = main_->PlaylistModel;
  auto drop = [this] { keys_.Invalidate(); };
  connect(m, &QAbstractItemModel::modelReset, this, drop);
  connect(m, &QAbstractItemModel::rowsInserted, this, drop);
  connect(m, &QAbstractItemModel::rowsRemoved, this, drop);
  connect(m, &QAbstractItemModel::rowsMoved, this, drop);
  connect(m, &QAbstractItemModel::dataChanged, this, drop);

  CreateInfoGrid();
  CreateMenus();
  CreateToolBar();

  auto* box = new QVBoxLayout(this);
  box->setContentsMargins(0, 0, 0, 0);
  box->setSpacing(0);
  box->addWidget(ToolBar_PlayList);
  box->addWidget(ListBox_PlayList, 1);
  box->addWidget(Grid_Info);
  // Wide enough for the whole tool bar: the search box would otherwise sit behind the
  // bar's overflow button.
  resize(std::max(480, ToolBar_PlayList->sizeHint().width()), 600);
  PlaceUnderCursor();

  // Media and browser keys act on playback while this window has the focus.
  qApp->installEventFilter(this);
  UpdateActionStates();
}

TApp_MivaroList::~TApp_MivaroList() {
  if (fetch_stop_) fetch_stop_->store(true);
  // Earlier jobs were stopped when the next row was clicked; the window goes only when
  // the reading threads have ended, so none outlives the program.
  WaitForInfoFetches();
}

QAction* TApp_MivaroList::MakeAction(const char* name, const QString& caption,
                                     const QString& hint, const QString& icon) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QString::fromLatin1(name));
  SetHint(action, hint);
  // The same pictures as the main window's, whatever icon theme the desktop has (without
  // one, a tool button shows its caption instead and the tool bar overflows).
  if (!icon.isEmpty()) action->setIcon(LoadThemeIcon(icon));
  ActionList.push_back(action);
  return action;
}

void TApp_MivaroList::CreateActions() {
  Action_File_Property = MakeAction("Action_File_Property", QStringLiteral("プロパティ(&R)"),
                                    QStringLiteral("ファイルのプロパティを表示"),
                                    QStringLiteral("document-properties"));
  Action_FileCmd = MakeAction("Action_FileCmd", QStringLiteral("ファイル操作(&C)"), QString());
  Action_FileCmd_Rename = MakeAction("Action_FileCmd_Rename", QStringLiteral("名前の変更(&N)..."),
                                     QStringLiteral("選択ファイルの名前を変更"));
  Action_FileCmd_Copy = MakeAction("Action_FileCmd_Copy", QStringLiteral("ファイルコピー(&P)..."),
                                   QStringLiteral("選択ファイルを指定フォルダへコピー"));
  Action_FileCmd_Move = MakeAction("Action_FileCmd_Move", QStringLiteral("ファイル移動(&V)..."),
                                   QStringLiteral("選択ファイルを指定フォルダへ移動"));
  Action_FileCmd_Trash = MakeAction("Action_FileCmd_Trash", QStringLiteral("ごみ箱へ"),
                                    QStringLiteral("ごみ箱へ"), QStringLiteral("user-trash"));
  Action_FileCmd_RemoveFromHDD =
      MakeAction("Action_FileCmd_RemoveFromHDD", QStringLiteral("メディアから削除"),
                 QStringLiteral("選択ファイルをメディアから削除"));
  Action_List_Copy = MakeAction("Action_List_Copy", QStringLiteral("リストの選択範囲をコピー(&C)"),
                                QStringLiteral("選択ファイルをテキストとしてクリップボードへコピー"),
                                QStringLiteral("edit-copy"));
  Action_List_Del = MakeAction("Action_List_Del", QStringLiteral("リストから削除(&D)"),
                               QStringLiteral("選択ファイルをリストから削除"),
                               QStringLiteral("list-remove"));
  Action_List_SelectAll = MakeAction("Action_List_SelectAll", QStringLiteral("すべて選択(&A)"),
                                     QStringLiteral("すべて選択"), QStringLiteral("edit-select-all"));
  Action_List_FolderName = MakeAction("Action_List_FolderName", QStringLiteral("フォルダ名も表示(&F)"),
                                      QStringLiteral("ファイルのフォルダ名も表示"),
                                      QStringLiteral("folder"));
  Action_List_FolderName->setCheckable(true);

  struct EditAction {
    QAction** slot;
    const char* name;
    const char* caption;
    const char* icon;
  };
  const EditAction edits[] = {
      {&Action_Edit_Undo, "Action_Edit_Undo", "元に戻す(&U)", "edit-undo"},
      {&Action_Edit_Redo, "Action_Edit_Redo", "やり直し(&R)", "edit-redo"},
      {&Action_Edit_Cut, "Action_Edit_Cut", "切り取り(&T)", "edit-cut"},
      {&Action_Edit_Copy, "Action_Edit_Copy", "コピー(&C)", "edit-copy"},
      {&Action_Edit_Paste, "Action_Edit_Paste", "貼り付け(&P)", "edit-paste"},
      {&Action_Edit_Delete, "Action_Edit_Delete", "削除(&D)", "edit-delete"},
      {&Action_Edit_SelectAll, "Action_Edit_SelectAll", "すべて選択(&A)", "edit-select-all"},
  };
  for (const EditAction& e : edits) {
    const QString caption = QString::fromUtf8(e.caption);
    *e.slot = MakeAction(e.name, caption, QString(caption).remove(QRegularExpression(QStringLiteral("\\(&.\\)"))),
                         QString::fromLatin1(e.icon));
  }
  Action_Find_Down = MakeAction("Action_Find_Down", QStringLiteral("下方検索(&D)"),
                                QStringLiteral("下方検索"), QStringLiteral("go-down"));
  Action_Find_Up = MakeAction("Action_Find_Up", QStringLiteral("上方検索(&U)"),
                              QStringLiteral("上方検索"), QStringLiteral("go-up"));
  Action_Play_Play = MakeAction("Action_Play_Play", QStringLiteral("再生(&P)"), QString(),
                                QStringLiteral("media-playback-start"));
  Action_Play_ItemIndex = MakeAction("Action_Play_ItemIndex", QStringLiteral("再生中のファイルへ移動(&G)"),
                                     QStringLiteral("再生中のファイルへ移動"),
                                     QStringLiteral("go-jump"));
  Action_Zoom_Capture = MakeAction("Action_Zoom_Capture", QStringLiteral("ビデオ映像をキャプチャ(&V)"),
                                   QStringLiteral("ビデオ映像をキャプチャ"),
                                   QStringLiteral("camera-photo"));
  Action_Zoom_Capture->setEnabled(false);

  // The commands run only when the user may run them (not while the main window is busy).
  auto bind = [this](QAction* action, auto command) {
    connect(action, &QAction::triggered, this, [action, command] {
      if (!IsBusy()) command(action);
    });
  };
  bind(Action_File_Property, [this](QObject*) {
    const int i = CurrentIndex();
    if (i >= 0) main_->ShowEntryProperties(i);
  });
  for (QAction* a : {Action_FileCmd_Rename, Action_FileCmd_Copy, Action_FileCmd_Move,
                     Action_FileCmd_Trash})
    bind(a, [this](QObject* sender) { RunFileCommand(static_cast<QAction*>(sender)); });
  bind(Action_List_Copy, [this](QObject* s) { Action_List_CopyExecute(s); });
  bind(Action_List_Del, [this](QObject* s) { Action_List_DelExecute(s); });
  bind(Action_List_SelectAll, [this](QObject*) {
    if (playlist_.Count() > 0) ListBox_PlayList->selectAll();
  });
  connect(Action_List_FolderName, &QAction::toggled, this,
          [this] { ListBox_PlayList->viewport()->update(); });
  bind(Action_Find_Down, [this](QObject*) { Find(true); });
  bind(Action_Find_Up, [this](QObject*) { Find(false); });
  bind(Action_Play_Play, [this](QObject* s) { Action_Play_PlayExecute(s); });
  bind(Action_Play_ItemIndex, [this](QObject* s) { Action_Play_ItemIndexExecute(s); });
  bind(Action_Zoom_Capture, [this](QObject*) {
    const WString path = playlist_.Get(CurrentIndex());
    if (OpenCapture && FileExists(path)) OpenCapture(path);
  });

  connect(Action_Edit_Undo, &QAction::triggered, this, [this] { Edit_Find->undo(); });
  connect(Action_Edit_Redo, &QAction::triggered, this, [this] { Edit_Find->redo(); });
  connect(Action_Edit_Cut, &QAction::triggered, this, [this] { Edit_Find->cut(); });
  connect(Action_Edit_Copy, &QAction::triggered, this, [this] { Edit_Find->copy(); });
  connect(Action_Edit_Paste, &QAction::triggered, this, [this] { Edit_Find->paste(); });
  connect(Action_Edit_Delete, &QAction::triggered, this, [this] { Edit_Find->del(); });
  connect(Action_Edit_SelectAll, &QAction::triggered, this, [this] { Edit_Find->selectAll(); });
}

void TApp_MivaroList::CreateMenus() {
  PopupMenu_Sort = new QMenu(main_->Action_Sort->text(), this);
  PopupMenu_Sort->setObjectName(QStringLiteral("PopupMenu_Sort"));
  PopupMenu_Sort->addAction(main_->Action_Sort_FileName);
  PopupMenu_Sort->addAction(main_->Action_Sort_Path);
  PopupMenu_Sort->addAction(main_->Action_Sort_Name);
  PopupMenu_Sort->addAction(main_->Action_Sort_Ext);
  PopupMenu_Sort->addSeparator();
  PopupMenu_Sort->addAction(main_->Action_Sort_Shuffle);

  PopupMenu_Playlist = new QMenu(this);
  PopupMenu_Playlist->setObjectName(QStringLiteral("PopupMenu_Playlist"));
  QMenu* p = PopupMenu_Playlist;
  p->addAction(Action_Play_Play);
  p->addAction(Action_Play_ItemIndex);
  p->addSeparator();
  QAction* sort = p->addMenu(PopupMenu_Sort);
  sort->setEnabled(main_->Action_Sort->isEnabled());
  connect(main_->Action_Sort, &QAction::changed, sort,
          [this, sort] { sort->setEnabled(main_->Action_Sort->isEnabled()); });
  p->addSeparator();
  p->addAction(Action_List_Copy);
  p->addAction(Action_List_Del);
  p->addAction(main_->Action_List_Clear);
  p->addAction(Action_List_SelectAll);
  p->addSeparator();
  PopupMenu_FileCmd = HolderMenu(p, Action_FileCmd);
  PopupMenu_FileCmd->setObjectName(QStringLiteral("PopupMenu_FileCmd"));
  PopupMenu_FileCmd->addAction(Action_FileCmd_Rename);
  PopupMenu_FileCmd->addAction(Action_FileCmd_Copy);
  PopupMenu_FileCmd->addAction(Action_FileCmd_Move);
  PopupMenu_FileCmd->addSeparator();
  HolderMenu(PopupMenu_FileCmd, Action_FileCmd_RemoveFromHDD)->addAction(Action_FileCmd_Trash);
  MenuItem_SendTo = p->addMenu(QStringLiteral("送る(&N)"));
  MenuItem_SendTo->setObjectName(QStringLiteral("MenuItem_SendTo"));
  // The selected files go to the Send-To entries; the folder is shared with the main window.
  auto* send_to = new TMySendTo(this);
  send_to->AttachMenu(MenuItem_SendTo, [this] {
    std::vector<WString> paths;
    for (int row : SelectedRows()) paths.push_back(playlist_.At(row));
    return paths;
  });
  send_to->Refresh();
  p->addSeparator();
  p->addAction(Action_File_Property);
  connect(p, &QMenu::aboutToShow, this, &TApp_MivaroList::UpdateActionStates);
  connect(ListBox_PlayList, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu_Playlist->popup(ListBox_PlayList->viewport()->mapToGlobal(at)); });

  PopupMenu_Edit = new QMenu(this);
  PopupMenu_Edit->setObjectName(QStringLiteral("PopupMenu_Edit"));
  for (QAction* a : {Action_Edit_Undo, Action_Edit_Redo, static_cast<QAction*>(nullptr),
                     Action_Edit_Cut, Action_Edit_Copy, Action_Edit_Paste, Action_Edit_Delete,
                     static_cast<QAction*>(nullptr), Action_Edit_SelectAll,
                     static_cast<QAction*>(nullptr), Action_Find_Down, Action_Find_Up}) {
    if (a)
      PopupMenu_Edit->addAction(a);
    else
      PopupMenu_Edit->addSeparator();
  }
  connect(PopupMenu_Edit, &QMenu::aboutToShow, this, &TApp_MivaroList::UpdateEditActionStates);
  connect(Edit_Find, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PopupMenu_Edit->popup(Edit_Find->mapToGlobal(at)); });
  connect(Edit_Find, &QLineEdit::textChanged, this, &TApp_MivaroList::UpdateFindActionStates);

  PopupMenu_FindHistory = new QMenu(this);
  PopupMenu_FindHistory->setObjectName(QStringLiteral("PopupMenu_FindHistory"));
  connect(Button_FindHistory, &QToolButton::clicked, this, [this] {
    if (PopupMenu_FindHistory->isEmpty()) return;
    PopupMenu_FindHistory->popup(Button_FindHistory->mapToGlobal(QPoint(0, Button_FindHistory->height())));
  });
  UpdateFindActionStates();
}

void TApp_MivaroList::CreateToolBar() {
  ToolBar_PlayList = new QToolBar(this);
  ToolBar_PlayList->setObjectName(QStringLiteral("ToolBar_PlayList"));
  ToolBar_PlayList->setIconSize(QSize(16, 16));
  auto with_menu = [this](QAction* action, QMenu* menu, QToolButton::ToolButtonPopupMode mode) {
    auto* button = new QToolButton(ToolBar_PlayList);
    button->setDefaultAction(action);
    button->setMenu(menu);
    button->setPopupMode(mode);
    button->setAutoRaise(true);
    ToolBar_PlayList->addWidget(button);
  };
  with_menu(main_->Action_File_OpenFile, main_->PopupMenu_File_OpenFile, QToolButton::MenuButtonPopup);
  with_menu(main_->Action_File_OpenFolder, main_->PopupMenu_File_OpenFolder, QToolButton::MenuButtonPopup);
  with_menu(main_->Action_File_OpenThisFolder, main_->PopupMenu_File_OpenThisFolder,
            QToolButton::MenuButtonPopup);
  ToolBar_PlayList->addSeparator();
  ToolBar_PlayList->addAction(Action_Play_ItemIndex);
  ToolBar_PlayList->addAction(Action_List_FolderName);
  ToolBar_PlayList->addAction(Action_List_Del);
  ToolBar_PlayList->addAction(main_->Action_List_Clear);
  with_menu(main_->Action_Sort, PopupMenu_Sort, QToolButton::InstantPopup);
  ToolBar_PlayList->addSeparator();
  ToolBar_PlayList->addWidget(Panel_Find);
  ToolBar_PlayList->addAction(Action_Find_Down);
  ToolBar_PlayList->addAction(Action_Find_Up);
  ToolBar_PlayList->addSeparator();
  ToolBar_PlayList->addAction(Action_File_Property);
  ToolBar_PlayList->addAction(Action_Zoom_Capture);
}

void TApp_MivaroList::CreateInfoGrid() {
  Grid_Info = new QTableWidget(4, 2, this);
  Grid_Info->setObjectName(QStringLiteral("Grid_Info"));
  Grid_Info->horizontalHeader()->hide();
  // On every resize the value column takes the rest of the grid's client width (the
  // header resizes its last section whenever the table's viewport changes size).
  Grid_Info->horizontalHeader()->setStretchLastSection(true);
  Grid_Info->verticalHeader()->hide();
  Grid_Info->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Grid_Info->setSelectionMode(QAbstractItemView::SingleSelection);
  Grid_Info->setWordWrap(false);
  Grid_Info->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Grid_Info->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QString labels[] = {QStringLiteral("タイトル"), QStringLiteral("アーティスト"),
                            QStringLiteral("アルバム"), QStringLiteral("ファイル情報")};
  for (int r = 0; r < 4; ++r) {
    auto* label = new QTableWidgetItem(labels[r]);
    label->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Grid_Info->setItem(r, 0, label);
    auto* value = new QTableWidgetItem;
    value->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Grid_Info->setItem(r, 1, value);
  }
  const QFontMetrics fm(Grid_Info->font());
  const int row_height = fm.height() + 4;
  for (int r = 0; r < 4; ++r) Grid_Info->setRowHeight(r, row_height);
  Grid_Info->setColumnWidth(0, fm.horizontalAdvance(labels[3]) + 4 + 8);  // + cell padding
  Grid_Info->setFixedHeight(row_height * 4 + 2 * Grid_Info->frameWidth());
}

// ---- Rows and states ---------------------------------------------------------------------

QString TApp_MivaroList::RowText(int row) const {
  const WString& path = playlist_.At(row);
  const WString shown = Action_List_FolderName->isChecked() ? path : ExtractFileName(path);
  return QString::number(row + 1) + QStringLiteral(": ") + QString::fromStdU16String(shown);
}

int TApp_MivaroList::PlayingIndex() const { return main_->ItemIndex(); }

int TApp_MivaroList::CurrentIndex() const {
  const QModelIndex i = ListBox_PlayList->currentIndex();
  return i.isValid() ? i.row() : -1;
}

std::vector<int> TApp_MivaroList::SelectedRows() const {
  std::vector<int> rows;
  for (const QItemSelectionRange& r : ListBox_PlayList->selectionModel()->selection())
    for (int i = r.top(); i <= r.bottom(); ++i) rows.push_back(i);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

void TApp_MivaroList::SelectOnly(int row, bool make_top) {
  const QModelIndex i = main_->PlaylistModel->index(row, 0);
  ListBox_PlayList->selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
  if (make_top) ListBox_PlayList->scrollTo(i, QAbstractItemView::PositionAtTop);
}

void TApp_MivaroList::UpdateActionStates() {
  const int count = playlist_.Count();
  const int current = CurrentIndex();
  const bool selected = ListBox_PlayList->selectionModel()->hasSelection();
  const bool playing = count > 0 && PlayingIndex() >= 0;
  Action_Play_Play->setEnabled(current >= 0 && current < count);
  Action_Play_ItemIndex->setEnabled(playing);
  Action_List_Copy->setEnabled(selected);
  Action_List_Del->setEnabled(selected);
  Action_List_SelectAll->setEnabled(count > 0);
  Action_File_Property->setEnabled(playing);
  Action_FileCmd->setEnabled(selected);
  // The per-file commands run through the main window's; each stays off until it is there.
  const std::pair<QAction*, const FileCommand*> commands[] = {
      {Action_FileCmd_Rename, &RenameMediaFile}, {Action_FileCmd_Copy, &CopyMediaFile},
      {Action_FileCmd_Move, &MoveMediaFile}, {Action_FileCmd_Trash, &RecycleMediaFile},
      {Action_FileCmd_RemoveFromHDD, &RecycleMediaFile}};
  for (const auto& [action, command] : commands) action->setEnabled(selected && *command);
  main_->UpdateActionStates();
}

void TApp_MivaroList::UpdateFindActionStates() {
  const bool has_text = !Edit_Find->text().trimmed().isEmpty();
  Action_Find_Down->setEnabled(has_text);
  Action_Find_Up->setEnabled(has_text);
}

void TApp_MivaroList::UpdateEditActionStates() {
  const bool has_selection = Edit_Find->hasSelectedText();
  Action_Edit_Undo->setEnabled(Edit_Find->isUndoAvailable());
  Action_Edit_Redo->setEnabled(Edit_Find->isRedoAvailable());
  Action_Edit_Cut->setEnabled(has_selection);
  Action_Edit_Copy->setEnabled(has_selection);
  Action_Edit_Delete->setEnabled(has_selection);
  const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
  Action_Edit_Paste->setEnabled(clip && clip->hasText());
  Action_Edit_SelectAll->setEnabled(Edit_Find->selectedText().size() < Edit_Find->text().size());
}

void TApp_MivaroList::RefreshList() {
  ListBox_PlayList->viewport()->update();
  UpdateActionStates();
}

// ---- Keys ------------------------------------------------------------------------------------

bool TApp_MivaroList::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (watched == Edit_Find && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
    auto* e = static_cast<QKeyEvent*>(event);
    const int k = e->key();
    if (type == QEvent::KeyPress)
      return k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Up || k == Qt::Key_Down;
    QAction* search = nullptr;
    if (k == Qt::Key_Up) search = Action_Find_Up;
    if (k == Qt::Key_Down) search = Action_Find_Down;
    if (k == Qt::Key_F3)
      search = e->modifiers().testFlag(Qt::ShiftModifier) ? Action_Find_Up : Action_Find_Down;
    if (search && search->isEnabled()) search->trigger();
    if (search) return true;
  }
  if (type == QEvent::KeyPress && watched->isWidgetType() &&
      static_cast<QWidget*>(watched)->window() == this) {
    if (main_->HandleMediaKey(static_cast<QKeyEvent*>(event)->key())) return true;
  }
  return QWidget::eventFilter(watched, event);
}

void TApp_MivaroList::keyReleaseEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_F3) {
    QAction* search =
        event->modifiers().testFlag(Qt::ShiftModifier) ? Action_Find_Up : Action_Find_Down;
    if (search->isEnabled()) search->trigger();
    return;
  }
  QWidget::keyReleaseEvent(event);
}

// ---- The main window's side --------------------------------------------------------------

namespace {

// The playlist window as the main window's playlist link; a child of the list window, so
// it goes with it and takes its pointer back then.
class TMyListWindowLink : public QObject, public TMyPlaylistLink {
 public:
  TMyListWindowLink(TApp_MivaroList* list, TApp_Mivaro* main)
      : QObject(list), list_(list), main_(main) {
    main_->links.playlist = this;
  }
  ~TMyListWindowLink() override {
    if (main_->links.playlist == this) main_->links.playlist = nullptr;
  }
  void MarkCurrent(int) override { list_->ListBox_PlayList->viewport()->update(); }
  void Refresh(int) override { list_->RefreshList(); }
  void SetInputEnabled(bool enabled) override { list_->setEnabled(enabled); }
  void LoadSettings(TMyIniFile& ini, bool with_bounds) override {
    list_->LoadSettings(ini, with_bounds);
  }
  void SaveSettings(TMyIniFile& ini) override { list_->SaveSettings(ini); }

 private:
  TApp_MivaroList* list_;
  TApp_Mivaro* main_;
};

}  // namespace

TApp_MivaroList* AttachPlaylistWindow(TApp_Mivaro* main) {
  auto* w = new TApp_MivaroList(main);
  new TMyListWindowLink(w, main);
  return w;
}

TApp_MivaroList* ShowPlaylistWindow(TApp_Mivaro* main) {
  auto* w = main->findChild<TApp_MivaroList*>(QString(), Qt::FindDirectChildrenOnly);
  if (!w) w = AttachPlaylistWindow(main);
  const int count = main->Playlist().Count();
  if (count > 0) w->SelectOnly(std::clamp(main->ItemIndex(), 0, count - 1), false);
  w->show();
  w->raise();
  w->activateWindow();
  if (w->CurrentIndex() >= 0)
    w->ListBox_PlayList->scrollTo(w->ListBox_PlayList->currentIndex(), QAbstractItemView::PositionAtCenter);
  return w;
}

}  // namespace mivaro
