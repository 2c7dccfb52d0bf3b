// The panels, tool bars and menus of the main window.
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QProxyStyle>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "player/qt/directshow_player.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/track_bar.h"

namespace mivaro {
namespace {

// Menus draw their icons at the size the icon option chose (16 or 32 pixels).
class TMyMenuStyle : public QProxyStyle {
 public:
  explicit TMyMenuStyle(int* size) : size_(size) {}
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    if (metric == PM_SmallIconSize) return *size_;
    return QProxyStyle::pixelMetric(metric, option, widget);
  }

 private:
  int* size_;
};

QToolBar* MakeToolBar(const char* name, QWidget* parent) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setIconSize(QSize(16, 16));
  bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
  return bar;
}

// A tool button for `action` with `menu` as its drop-down (the arrow opens the menu, the
// button runs the action).
QToolButton* AddDropDown(QToolBar* bar, QAction* action, QMenu* menu) {
  auto* button = new QToolButton(bar);
  button->setDefaultAction(action);
  button->setMenu(menu);
  button->setPopupMode(QToolButton::MenuButtonPopup);
  button->setAutoRaise(true);
  button->setIconSize(bar->iconSize());
  QObject::connect(bar, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
  bar->addWidget(button);
  return button;
}

QLabel* MakeLabel(const char* name, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

void TApp_Mivaro::CreatePanels() {
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("Panel_Client"));
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  // Top panel: the playlist, then the main tool bar with the video size at the right.
  Panel_Top = new QWidget(central);
  Panel_Top->setObjectName(QStringLiteral("Panel_Top"));
  Panel_Top->setAutoFillBackground(true);
  auto* top = new QVBoxLayout(Panel_Top);
  top->setContentsMargins(0, 0, 0, 0);
  top->setSpacing(0);
  ComboBox_Playlist = new TMyComboBox(Panel_Top);
  ComboBox_Playlist->setObjectName(QStringLiteral("ComboBox_Playlist"));
  PlaylistModel = new TMyPlaylistModel(ComboBox_Playlist);
  ComboBox_Playlist->SetPlaylistModel(PlaylistModel);
  ComboBox_Playlist->setContextMenuPolicy(Qt::CustomContextMenu);
  top->addWidget(ComboBox_Playlist);
  auto* top_row = new QHBoxLayout;
  top_row->setContentsMargins(0, 0, 4, 0);
  ToolBar_Main = MakeToolBar("ToolBar_Main", Panel_Top);
  top_row->addWidget(ToolBar_Main);
  top_row->addStretch(1);
  Label_Size = MakeLabel("Label_Size", Panel_Top);
  Label_Size->setContextMenuPolicy(Qt::CustomContextMenu);
  top_row->addWidget(Label_Size);
  top->addLayout(top_row);
  column->addWidget(Panel_Top);

  // The video between the panels.
  Panel_Video = new QWidget(central);
  Panel_Video->setObjectName(QStringLiteral("Panel_Video"));
  Panel_Video->setAutoFillBackground(true);
  QPalette black = Panel_Video->palette();
  black.setColor(QPalette::Window, Qt::black);
  Panel_Video->setPalette(black);
  auto* video = new QVBoxLayout(Panel_Video);
  video->setContentsMargins(0, 0, 0, 0);
  DShow_Player = new TMyDirectShowPlayer(Panel_Video);
  DShow_Player->setObjectName(QStringLiteral("DShow_Player"));
  DShow_Player->setContextMenuPolicy(Qt::CustomContextMenu);
  video->addWidget(DShow_Player);
  column->addWidget(Panel_Video, 1);

  // Bottom panel: the seek bar, then time, controls and volume.
  Panel_Bottom = new QWidget(central);
  Panel_Bottom->setObjectName(QStringLiteral("Panel_Bottom"));
  Panel_Bottom->setAutoFillBackground(true);
  auto* bottom = new QVBoxLayout(Panel_Bottom);
  bottom->setContentsMargins(0, 0, 0, 0);
  bottom->setSpacing(0);
  Panel_Seek = new QWidget(Panel_Bottom);
  Panel_Seek->setObjectName(QStringLiteral("Panel_Seek"));
  auto* seek = new QHBoxLayout(Panel_Seek);
  seek->setContentsMargins(2, 0, 2, 0);
  TrackBar_Seek = new TMyTrackBar(Panel_Seek);
  TrackBar_Seek->setObjectName(QStringLiteral("TrackBar_Seek"));
  TrackBar_Seek->setRange(0, 0);
  TrackBar_Seek->setEnabled(false);
  seek->addWidget(TrackBar_Seek);
  bottom->addWidget(Panel_Seek);
  Panel_Control = new QWidget(Panel_Bottom);
  Panel_Control->setObjectName(QStringLiteral("Panel_Control"));
  auto* control = new QHBoxLayout(Panel_Control);
  control->setContentsMargins(0, 0, 4, 0);
  control->setSpacing(4);
  ToolBar_Control = MakeToolBar("ToolBar_Control", Panel_Control);
  control->addWidget(ToolBar_Control);
  Label_Time = MakeLabel("Label_Time", Panel_Control);
  Label_Time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  control->addWidget(Label_Time, 1);
  TrackBar_Volume = new QSlider(Qt::Horizontal, Panel_Control);
  TrackBar_Volume->setObjectName(QStringLiteral("TrackBar_Volume"));
  TrackBar_Volume->setRange(0, 100);
  TrackBar_Volume->setValue(100);
  TrackBar_Volume->setFixedWidth(80);
  TrackBar_Volume->setToolTip(QStringLiteral("音量"));
  control->addWidget(TrackBar_Volume);
  bottom->addWidget(Panel_Control);
  ProgressBar_FileCmd = new QProgressBar(Panel_Bottom);
  ProgressBar_FileCmd->setObjectName(QStringLiteral("ProgressBar_FileCmd"));
  ProgressBar_FileCmd->setRange(0, 100);
  ProgressBar_FileCmd->setMaximumHeight(6);
  ProgressBar_FileCmd->setTextVisible(false);
  ProgressBar_FileCmd->hide();
  bottom->addWidget(ProgressBar_FileCmd);
  column->addWidget(Panel_Bottom);

  setCentralWidget(central);
}

void TApp_Mivaro::CreateMenus() {
  menu_style_ = new TMyMenuStyle(&image_size_);
  menu_style_->setParent(this);
  auto menu = [this](const QString& title, QWidget* parent, const char* name = nullptr) {
    auto* m = new QMenu(title, parent);
    if (name) m->setObjectName(QString::fromLatin1(name));
    m->setStyle(menu_style_);
    m->setToolTipsVisible(true);
    return m;
  };
  auto sub = [&menu](QMenu* parent, const QString& title, const char* name = nullptr) {
    QMenu* m = menu(title, parent, name);
    parent->addMenu(m);
    return m;
  };
  // A submenu that belongs to a holder action: caption and enabled state follow it.
  auto holder = [&menu](QMenu* parent, QAction* action) {
    QMenu* m = menu(action->text(), parent);
    m->setIcon(action->icon());
    QAction* entry = parent->addMenu(m);
    entry->setEnabled(action->isEnabled());
    QObject::connect(action, &QAction::changed, entry, [entry, action] {
      entry->setEnabled(action->isEnabled());
      entry->setText(action->text());
    });
    return m;
  };

  // History menus (drop-downs of the open tool buttons).
  PopupMenu_File_OpenFile = menu(QString(), this, "PopupMenu_File_OpenFile");
  PopupMenu_File_OpenFolder = menu(QString(), this, "PopupMenu_File_OpenFolder");
  PopupMenu_File_OpenThisFolder = menu(QString(), this, "PopupMenu_File_OpenThisFolder");

  auto add_file_commands = [&](QMenu* file_cmd) {
    file_cmd->addAction(Action_FileCmd_Rename);
    file_cmd->addAction(Action_FileCmd_Copy);
    file_cmd->addAction(Action_FileCmd_Move);
    file_cmd->addSeparator();
    holder(file_cmd, Action_FileCmd_RemoveFromHDD)->addAction(Action_FileCmd_Trash);
  };
  auto add_rates = [&](QMenu* m) {
    for (QAction* rate : Action_PlayRates) m->addAction(rate);
  };
  auto add_aspects = [&](QMenu* m) {
    m->addAction(Action_Zoom_AspectStandard);
    m->addAction(Action_Zoom_AspectHiVision);
    m->addAction(Action_Zoom_AspectEVista);
    m->addAction(Action_Zoom_AspectAVista);
    m->addAction(Action_Zoom_AspectWideScope);
  };
  auto add_play = [&](QMenu* play) {
    play->addAction(Action_Play_PlayPause);
    play->addAction(Action_Play_Replay);
    play->addAction(Action_Play_Back);
    play->addAction(Action_Play_Next);
    play->addSeparator();
    play->addAction(Action_Play_SkipBack);
    play->addAction(Action_Play_SkipNext);
    play->addAction(Action_Play_FrameBack);
    play->addAction(Action_Play_FrameNext);
    play->addSeparator();
    QMenu* rates = holder(play, Action_PlayRate);
    add_rates(rates);
    play->addSeparator();
    play->addAction(Action_Play_Mute);
    return rates;
  };
  auto add_options = [&](QMenu* opt) {
    opt->addAction(Action_Opt_Random);
    opt->addAction(Action_Opt_Resume);
    opt->addAction(Action_Opt_TimeVerbose);
    opt->addAction(Action_Opt_LargeIcon);
    opt->addAction(Action_Opt_AllowImage);
  };

  // The main menu.
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu_Main"));
  QMenu* file = menu(QStringLiteral("ファイル(&F)"), bar);
  bar->addMenu(file);
  file->addAction(Action_File_OpenFile);
  file->addAction(Action_File_OpenFolder);
  file->addAction(Action_File_OpenThisFolder);
  file->addAction(Action_File_SaveAs);
  file->addSeparator();
  file->addAction(Action_List_Edit);
  file->addAction(Action_List_Clear);
  file->addAction(Action_List_Del);
  file->addSeparator();
  add_file_commands(holder(file, Action_FileCmd));
  MenuItem_SendTo = sub(file, QStringLiteral("送る(&N)"), "MenuItem_SendTo");
  MenuItem_SendTo->menuAction()->setEnabled(false);
  file->addAction(Action_File_Property);
  file->addSeparator();
  file->addAction(Action_File_Exit);

  QMenu* play = menu(QStringLiteral("再生(&P)"), bar);
  bar->addMenu(play);
  MenuItem_PlayRate = add_play(play);
  MenuItem_PlayRate->setObjectName(QStringLiteral("MenuItem_PlayRate"));

  QMenu* video = menu(QStringLiteral("ビデオ(&V)"), bar);
  bar->addMenu(video);
  video->addAction(Action_Zoom_Wallvideo);
  video->addAction(Action_Zoom_FullScreen);
  video->addAction(Action_Zoom_MaxScreen);
  video->addSeparator();
  video->addAction(Action_Zoom_50);
  video->addAction(Action_Zoom_100);
  video->addAction(Action_Zoom_200);
  video->addSeparator();
  video->addAction(Action_Zoom_Fit);
  video->addAction(Action_Zoom_KeepAspect);
  add_aspects(sub(video, QStringLiteral("サイズ(&S)")));
  video->addSeparator();
  video->addAction(Action_Zoom_Capture);

  QMenu* options = menu(QStringLiteral("オプション(&O)"), bar);
  bar->addMenu(options);
  add_options(options);
  options->addSeparator();
  MenuItem_Debug = sub(options, QStringLiteral("デバッグ(&D)"), "MenuItem_Debug");
  MenuItem_Debug->addAction(Action_Debug_Window);
  MenuItem_Debug->addAction(Action_Debug_Event);
  MenuItem_Debug->addAction(Action_Debug_EnumFilters);
  MenuItem_Debug->addAction(Action_Debug_EnumSytemFilters);
  MenuItem_Debug->addSeparator();
  MenuItem_Debug->addAction(Action_Debug_SaveAsGRF);

  QMenu* help = menu(QStringLiteral("ヘルプ(&H)"), bar);
  bar->addMenu(help);
  help->addAction(Action_Help_VersionInfo);
  // The action states are brought up to date whenever a menu of the bar opens.
  for (QMenu* m : {file, play, video, options, help})
    connect(m, &QMenu::aboutToShow, this, &TApp_Mivaro::UpdateActionStates);

  // The video's pop-up menu.
  PopupMenu_Main = menu(QString(), this, "PopupMenu_Main");
  QMenu* pfile = sub(PopupMenu_Main, QStringLiteral("ファイル(&F)"));
  pfile->addAction(Action_File_OpenFile);
  pfile->addAction(Action_File_OpenFolder);
  pfile->addAction(Action_File_OpenThisFolder);
  pfile->addAction(Action_File_SaveAs);
  pfile->addSeparator();
  pfile->addAction(Action_List_Edit);
  pfile->addAction(Action_List_Clear);
  pfile->addAction(Action_List_Del);
  add_play(sub(PopupMenu_Main, QStringLiteral("再生(&P)")));
  QMenu* pzoom = sub(PopupMenu_Main, QStringLiteral("ズーム(&Z)"));
  pzoom->addAction(Action_Zoom_Wallvideo);
  pzoom->addAction(Action_Zoom_FullScreen);
  pzoom->addAction(Action_Zoom_MaxScreen);
  pzoom->addSeparator();
  pzoom->addAction(Action_Zoom_50);
  pzoom->addAction(Action_Zoom_100);
  pzoom->addAction(Action_Zoom_200);
  pzoom->addSeparator();
  pzoom->addAction(Action_Zoom_Fit);
  pzoom->addAction(Action_Zoom_KeepAspect);
  add_aspects(pzoom);
  pzoom->addSeparator();
  pzoom->addAction(Action_Zoom_Capture);
  add_options(sub(PopupMenu_Main, QStringLiteral("オプション(&O)")));
  PopupMenu_Main->addSeparator();
  add_file_commands(holder(PopupMenu_Main, Action_FileCmd));
  MenuItem_PSendTo = sub(PopupMenu_Main, QStringLiteral("送る(&N)"), "MenuItem_PSendTo");
  MenuItem_PSendTo->menuAction()->setEnabled(false);
  PopupMenu_Main->addAction(Action_File_Property);
  PopupMenu_Main->addSeparator();
  PopupMenu_Main->addAction(Action_File_Exit);
  connect(PopupMenu_Main, &QMenu::aboutToShow, this, &TApp_Mivaro::UpdateActionStates);

  // The combo box's menu.
  PopupMenu_List = menu(QString(), this, "PopupMenu_List");
  PopupMenu_List->addAction(Action_List_FolderName);
  PopupMenu_List->addSeparator();
  PopupMenu_List->addAction(Action_List_Edit);
  PopupMenu_List->addAction(Action_List_Clear);
  PopupMenu_List->addAction(Action_List_Del);
  PopupMenu_List->addSeparator();
  PopupMenu_List->addAction(Action_Sort_FileName);
  PopupMenu_List->addAction(Action_Sort_Path);
  PopupMenu_List->addAction(Action_Sort_Name);
  PopupMenu_List->addAction(Action_Sort_Ext);
  PopupMenu_List->addAction(Action_Sort_Shuffle);
  connect(PopupMenu_List, &QMenu::aboutToShow, this, &TApp_Mivaro::UpdateActionStates);
  connect(ComboBox_Playlist, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
    PopupMenu_List->popup(ComboBox_Playlist->mapToGlobal(pos));
  });

  // Zoom, rate and volume drop-downs.
  PopupMenu_Zoom = menu(QString(), this, "PopupMenu_Zoom");
  PopupMenu_Zoom->addAction(Action_Zoom_50);
  PopupMenu_Zoom->addAction(Action_Zoom_100);
  PopupMenu_Zoom->addAction(Action_Zoom_200);
  PopupMenu_Zoom->addSeparator();
  PopupMenu_Zoom->addAction(Action_Zoom_Fit);
  PopupMenu_Zoom->addAction(Action_Zoom_KeepAspect);
  PopupMenu_Zoom->addSeparator();
  add_aspects(PopupMenu_Zoom);
  connect(Label_Size, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
    PopupMenu_Zoom->popup(Label_Size->mapToGlobal(pos));
  });
  PopupMenu_PlayRate = menu(QString(), this, "PopupMenu_PlayRate");
  add_rates(PopupMenu_PlayRate);
  PopupMenu_Volume = menu(QString(), this, "PopupMenu_Volume");
  PopupMenu_Volume->addAction(Action_Play_Mute);

  // The video's right button (without the gestures, which arrive with the video-sizing
  // work) opens the main pop-up menu.
  connect(DShow_Player, &QWidget::customContextMenuRequested, this, [this](QPoint pos) {
    PopupMenu_Main->popup(DShow_Player->mapToGlobal(pos));
  });

  // Tool bars.
  history_buttons_.append(AddDropDown(ToolBar_Main, Action_File_OpenFile, PopupMenu_File_OpenFile));
  history_buttons_.append(
      AddDropDown(ToolBar_Main, Action_File_OpenFolder, PopupMenu_File_OpenFolder));
  history_buttons_.append(
      AddDropDown(ToolBar_Main, Action_File_OpenThisFolder, PopupMenu_File_OpenThisFolder));
  ToolBar_Main->addSeparator();
  ToolBar_Main->addAction(Action_List_Edit);
  ToolBar_Main->addAction(Action_List_Del);
  ToolBar_Main->addSeparator();
  ToolBar_Main->addAction(Action_Zoom_FullScreen);
  AddDropDown(ToolBar_Main, Action_Zoom_100, PopupMenu_Zoom);
  ToolBar_Main->addAction(Action_Zoom_Capture);

  ToolBar_Control->addAction(Action_Play_PlayPause);
  ToolBar_Control->addAction(Action_Play_Replay);
  ToolBar_Control->addAction(Action_Play_Back);
  ToolBar_Control->addAction(Action_Play_Next);
  ToolBar_Control->addAction(Action_Play_SkipBack);
  ToolBar_Control->addAction(Action_Play_SkipNext);
  ToolBar_Control->addAction(Action_Play_FrameBack);
  ToolBar_Control->addAction(Action_Play_FrameNext);
  AddDropDown(ToolBar_Control, Action_PlayRate, PopupMenu_PlayRate);
  AddDropDown(ToolBar_Control, Action_Play_Mute, PopupMenu_Volume);
}

}  // namespace mivaro
