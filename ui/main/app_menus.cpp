// The panels of the main window and the tables of its menus and tool bars
// (menu_builder.h makes them).
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSlider>
#include <QToolBar>
#include <QVBoxLayout>

#include "player/qt/directshow_player.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/menu_builder.h"
#include "ui/main/playlist_combo.h"
#include "ui/main/track_bar.h"

namespace mivaro {
namespace {

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
  using namespace menu_table;
  using W = TApp_Mivaro;
  // Parts that several menus share.
  static constexpr E kOpenAndList[] = {
      Act(&A::Action_File_OpenFile), Act(&A::Action_File_OpenFolder),
      Act(&A::Action_File_OpenThisFolder), Act(&A::Action_File_SaveAs), kSep,
      Act(&A::Action_List_Edit), Act(&A::Action_List_Clear), Act(&A::Action_List_Del)};
  static constexpr E kTrash[] = {Act(&A::Action_FileCmd_Trash)};
  static constexpr E kFileCmds[] = {
      Act(&A::Action_FileCmd_Rename), Act(&A::Action_FileCmd_Copy), Act(&A::Action_FileCmd_Move),
      kSep, Holder(&A::Action_FileCmd_RemoveFromHDD, kTrash)};
  static constexpr E kRateChoices[] = {kRateItems};
  static constexpr E kPlay[] = {
      Act(&A::Action_Play_PlayPause), Act(&A::Action_Play_Replay), Act(&A::Action_Play_Back),
      Act(&A::Action_Play_Next), kSep, Act(&A::Action_Play_SkipBack),
      Act(&A::Action_Play_SkipNext), Act(&A::Action_Play_FrameBack),
      Act(&A::Action_Play_FrameNext), kSep,
      Holder(&A::Action_PlayRate, kRateChoices, "MenuItem_PlayRate", &W::MenuItem_PlayRate), kSep,
      Act(&A::Action_Play_Mute)};
  static constexpr E kScreenModes[] = {Act(&A::Action_Zoom_Wallvideo),
                                       Act(&A::Action_Zoom_FullScreen),
                                       Act(&A::Action_Zoom_MaxScreen)};
  static constexpr E kFixedZooms[] = {Act(&A::Action_Zoom_50), Act(&A::Action_Zoom_100),
                                      Act(&A::Action_Zoom_200)};
  static constexpr E kAspects[] = {
      Act(&A::Action_Zoom_AspectStandard), Act(&A::Action_Zoom_AspectHiVision),
      Act(&A::Action_Zoom_AspectEVista), Act(&A::Action_Zoom_AspectAVista),
      Act(&A::Action_Zoom_AspectWideScope)};
  static constexpr E kOptions[] = {
      Act(&A::Action_Opt_Random), Act(&A::Action_Opt_Resume), Act(&A::Action_Opt_TimeVerbose),
      Act(&A::Action_Opt_LargeIcon), Act(&A::Action_Opt_AllowImage)};
  static constexpr E kDebug[] = {
      Act(&A::Action_Debug_Window), Act(&A::Action_Debug_Event),
      Act(&A::Action_Debug_EnumFilters), Act(&A::Action_Debug_EnumSytemFilters), kSep,
      Act(&A::Action_Debug_SaveAsGRF)};

  // The main menu.
  static constexpr E kFile[] = {
      Inline(kOpenAndList), kSep, Holder(&A::Action_FileCmd, kFileCmds),
      Sub(u"送る(&N)", {}, "MenuItem_SendTo", &W::MenuItem_SendTo, true),
      Act(&A::Action_File_Property), kSep, Act(&A::Action_File_Exit)};
  static constexpr E kVideo[] = {
      Inline(kScreenModes), kSep, Inline(kFixedZooms), kSep, Act(&A::Action_Zoom_Fit),
      Act(&A::Action_Zoom_KeepAspect), Sub(u"サイズ(&S)", kAspects), kSep,
      Act(&A::Action_Zoom_Capture)};
  static constexpr E kOptionsMenu[] = {
      Inline(kOptions), kSep, Sub(u"デバッグ(&D)", kDebug, "MenuItem_Debug", &W::MenuItem_Debug)};
  static constexpr E kHelp[] = {Act(&A::Action_Help_VersionInfo)};
  static constexpr E kMainMenu[] = {Sub(u"ファイル(&F)", kFile), Sub(u"再生(&P)", kPlay),
                                    Sub(u"ビデオ(&V)", kVideo), Sub(u"オプション(&O)", kOptionsMenu),
                                    Sub(u"ヘルプ(&H)", kHelp)};

  // The pop-up menus: the video's, the combo box's and the drop-downs of the tool bars.
  static constexpr E kPopupZoom[] = {
      Inline(kScreenModes), kSep, Inline(kFixedZooms), kSep, Act(&A::Action_Zoom_Fit),
      Act(&A::Action_Zoom_KeepAspect), Inline(kAspects), kSep, Act(&A::Action_Zoom_Capture)};
  static constexpr E kPopupMain[] = {
      Sub(u"ファイル(&F)", kOpenAndList), Sub(u"再生(&P)", kPlay), Sub(u"ズーム(&Z)", kPopupZoom),
      Sub(u"オプション(&O)", kOptions), kSep, Holder(&A::Action_FileCmd, kFileCmds),
      Sub(u"送る(&N)", {}, "MenuItem_PSendTo", &W::MenuItem_PSendTo, true),
      Act(&A::Action_File_Property), kSep, Act(&A::Action_File_Exit)};
  static constexpr E kPopupList[] = {
      Act(&A::Action_List_FolderName), kSep, Act(&A::Action_List_Edit),
      Act(&A::Action_List_Clear), Act(&A::Action_List_Del), kSep,
      Act(&A::Action_Sort_FileName), Act(&A::Action_Sort_Path), Act(&A::Action_Sort_Name),
      Act(&A::Action_Sort_Ext), Act(&A::Action_Sort_Shuffle)};
  static constexpr E kPopupZoomSizes[] = {Inline(kFixedZooms), kSep, Act(&A::Action_Zoom_Fit),
                                          Act(&A::Action_Zoom_KeepAspect), kSep, Inline(kAspects)};
  static constexpr E kPopupVolume[] = {Act(&A::Action_Play_Mute)};
  struct TMyPopup {
    MenuSlot store;
    const char* name;
    std::span<const E> items;
    bool update_states;  // the action states are brought up to date when it opens
  };
  // The history menus (the drop-downs of the open buttons) first, empty.
  static constexpr TMyPopup kHistories[] = {
      {&W::PopupMenu_File_OpenFile, "PopupMenu_File_OpenFile", {}, false},
      {&W::PopupMenu_File_OpenFolder, "PopupMenu_File_OpenFolder", {}, false},
      {&W::PopupMenu_File_OpenThisFolder, "PopupMenu_File_OpenThisFolder", {}, false}};
  static constexpr TMyPopup kPopups[] = {
      {&W::PopupMenu_Main, "PopupMenu_Main", kPopupMain, true},
      {&W::PopupMenu_List, "PopupMenu_List", kPopupList, true},
      {&W::PopupMenu_Zoom, "PopupMenu_Zoom", kPopupZoomSizes, false},
      {&W::PopupMenu_PlayRate, "PopupMenu_PlayRate", kRateChoices, false},
      {&W::PopupMenu_Volume, "PopupMenu_Volume", kPopupVolume, false}};

  // The tool bars.
  static constexpr E kMainTools[] = {
      DropDown(&A::Action_File_OpenFile, &W::PopupMenu_File_OpenFile),
      DropDown(&A::Action_File_OpenFolder, &W::PopupMenu_File_OpenFolder),
      DropDown(&A::Action_File_OpenThisFolder, &W::PopupMenu_File_OpenThisFolder), kSep,
      Act(&A::Action_List_Edit), Act(&A::Action_List_Del), kSep,
      Act(&A::Action_Zoom_FullScreen), DropDown(&A::Action_Zoom_100, &W::PopupMenu_Zoom),
      Act(&A::Action_Zoom_Capture)};
  static constexpr E kControlTools[] = {
      Act(&A::Action_Play_PlayPause), Act(&A::Action_Play_Replay), Act(&A::Action_Play_Back),
      Act(&A::Action_Play_Next), Act(&A::Action_Play_SkipBack), Act(&A::Action_Play_SkipNext),
      Act(&A::Action_Play_FrameBack), Act(&A::Action_Play_FrameNext),
      DropDown(&A::Action_PlayRate, &W::PopupMenu_PlayRate),
      DropDown(&A::Action_Play_Mute, &W::PopupMenu_Volume)};

  menu_style_ = NewMenuStyle(&image_size_, this);
  const TMyMenuBuilder builder(*this, menu_style_);
  const auto make_popups = [&](std::span<const TMyPopup> popups) {
    for (const TMyPopup& popup : popups) {
      QMenu* menu = builder.Make(QString(), this, popup.name);
      this->*popup.store = menu;
      builder.Fill(menu, popup.items);
      if (popup.update_states)
        connect(menu, &QMenu::aboutToShow, this, &TApp_Mivaro::UpdateActionStates);
    }
  };
  make_popups(kHistories);
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu_Main"));
  for (const E& top : kMainMenu) {
    QMenu* menu = builder.Make(QString::fromUtf16(top.title), bar);
    bar->addMenu(menu);
    builder.Fill(menu, top.items);
    // The action states are brought up to date whenever a menu of the bar opens.
    connect(menu, &QMenu::aboutToShow, this, &TApp_Mivaro::UpdateActionStates);
  }
  make_popups(kPopups);
  builder.Fill(ToolBar_Main, kMainTools);
  builder.Fill(ToolBar_Control, kControlTools);

  // Each pop-up opens on its widget's right button.
  const std::pair<QWidget*, QMenu*> context_menus[] = {
      {ComboBox_Playlist, PopupMenu_List},
      {Label_Size, PopupMenu_Zoom},
      {DShow_Player, PopupMenu_Main}};
  for (const auto& [source, popup] : context_menus) {
    // Plain copies: clang 14 lets no lambda capture a structured binding.
    QWidget* widget = source;
    QMenu* menu = popup;
    connect(widget, &QWidget::customContextMenuRequested, this,
            [widget, menu](QPoint pos) { menu->popup(widget->mapToGlobal(pos)); });
  }
}

}  // namespace mivaro
