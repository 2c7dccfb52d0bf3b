// The action table of the main window: every command with its caption, hint, image,
// check state and group, and the connections from the actions to the commands.
#include <QAction>
#include <QActionGroup>
#include <QKeySequence>

#include "platform/desktop/icons.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/playlist_combo.h"
#include "ui/list/app_mivaro_list.h"

namespace mivaro {

QAction* TApp_Mivaro::MakeAction(const char* name, const QString& caption, const QString& hint,
                                 const QString& icon, bool checkable, bool checked) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint);
  action->setStatusTip(hint);
  action->setCheckable(checkable);
  action->setChecked(checked);
  // Shortcuts are read by the form's key handling, not by the actions, so that a key runs
  // its command once, on release, as the program always did.
  action->setShortcutContext(Qt::WidgetShortcut);
  int image = -1;
  if (!icon.isEmpty()) {
    image = static_cast<int>(image_names_.indexOf(icon));
    if (image < 0) {
      image_names_.append(icon);
      image = static_cast<int>(image_names_.size()) - 1;
    }
  }
  action->setProperty("ImageIndex", image);
  ActionList1.push_back(action);
  return action;
}

void TApp_Mivaro::CreateActions() {
  const QString none;
  // File.
  Action_File_OpenFile = MakeAction("Action_File_OpenFile", QStringLiteral("開く(&O)..."),
                                    QStringLiteral("ファイルを開く"), QStringLiteral("document-open"));
  Action_File_OpenFolder =
      MakeAction("Action_File_OpenFolder", QStringLiteral("フォルダを開く(&F)..."),
                 QStringLiteral("選択したフォルダ中のファイルを開く"), QStringLiteral("folder-open"));
  Action_File_OpenThisFolder =
      MakeAction("Action_File_OpenThisFolder", QStringLiteral("選択フォルダのみ開く(&L)..."),
                 QStringLiteral("選択したフォルダのみ開く"), QStringLiteral("folder"));
  Action_File_SaveAs =
      MakeAction("Action_File_SaveAs", QStringLiteral("リストに名前をつけて保存(&S)..."), none,
                 QStringLiteral("document-save-as"));
  Action_File_Property = MakeAction("Action_File_Property", QStringLiteral("プロパティ(&R)"),
                                    QStringLiteral("プロパティ"), QStringLiteral("document-properties"));
  Action_File_Exit = MakeAction("Action_File_Exit", QStringLiteral("終了(&X)"),
                                QStringLiteral("Mivaroを終了する"), QStringLiteral("system-log-out"));
  Action_File_Exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F4));
  Action_File_Exit->setShortcutContext(Qt::WindowShortcut);
  Action_File_Restore = MakeAction("Action_File_Restore", QStringLiteral("元のサイズに戻す(&R)"),
                                   none, QString());
  Action_File_Minimize = MakeAction("Action_File_Minimize", QStringLiteral("最小化(&N)"), none,
                                    QString());

  // List.
  Action_List_Edit = MakeAction("Action_List_Edit", QStringLiteral("リスト編集(&E)"),
                                QStringLiteral("プレイリストウィンドウを表示"),
                                QStringLiteral("document-properties"));
  Action_List_Clear = MakeAction("Action_List_Clear", QStringLiteral("リストをクリア(&C)"),
                                 QStringLiteral("リストをクリア"), QStringLiteral("edit-clear"));
  Action_List_Del = MakeAction("Action_List_Del", QStringLiteral("リストから削除(&D)"),
                               QStringLiteral("再生中のファイルをリストから削除"),
                               QStringLiteral("list-remove"));
  Action_List_Copy = MakeAction("Action_List_Copy", QStringLiteral("リストをコピー(&C)"),
                                QStringLiteral("リストをテキストとしてクリップボードへコピー"),
                                QStringLiteral("edit-copy"));
  Action_List_Paste = MakeAction("Action_List_Paste", QStringLiteral("リストに貼り付け(&P)"),
                                 QStringLiteral("クリップボードのテキストをリストに貼り付け"),
                                 QStringLiteral("edit-paste"));
  Action_List_FolderName = MakeAction("Action_List_FolderName",
                                      QStringLiteral("フォルダ名も表示(&N)"), none, QString(), true);

  // File commands (their work arrives with the file-command window; disabled until then).
  Action_FileCmd = MakeAction("Action_FileCmd", QStringLiteral("ファイル操作(&C)"), none, QString());
  Action_FileCmd_Rename = MakeAction("Action_FileCmd_Rename", QStringLiteral("ファイル名変更(&N)..."),
                                     none, QString());
  Action_FileCmd_Copy = MakeAction("Action_FileCmd_Copy", QStringLiteral("ファイルコピー(&P)..."),
                                   none, QString());
  Action_FileCmd_Move = MakeAction("Action_FileCmd_Move", QStringLiteral("ファイル移動(&V)..."),
                                   none, QString());
  Action_FileCmd_RemoveFromHDD = MakeAction("Action_FileCmd_RemoveFromHDD",
                                            QStringLiteral("メディアから削除"), none, QString());
  Action_FileCmd_Trash = MakeAction("Action_FileCmd_Trash", QStringLiteral("ごみ箱へ"), none,
                                    QStringLiteral("user-trash"));

  // Sorting.
  Action_Sort = MakeAction("Action_Sort", QStringLiteral("ソート(&S)"), none, QString());
  Action_Sort_FileName = MakeAction("Action_Sort_FileName", QStringLiteral("ファイル名でソート(&F)"),
                                    QStringLiteral("パスも含めたファイル名でソート"), QString());
  Action_Sort_Path = MakeAction("Action_Sort_Path", QStringLiteral("場所でソート(&P)"),
                                QStringLiteral("ファイルのパス名のみでソート"), QString());
  Action_Sort_Name = MakeAction("Action_Sort_Name", QStringLiteral("名前でソート(&N)"),
                                QStringLiteral("パスを除いたファイルの名前のみでソート"), QString());
  Action_Sort_Ext = MakeAction("Action_Sort_Ext", QStringLiteral("拡張子でソート(&E)"),
                               QStringLiteral("ファイルの拡張子でソート"), QString());
  Action_Sort_Shuffle = MakeAction("Action_Sort_Shuffle", QStringLiteral("シャッフル(&S)"),
                                   QStringLiteral("ランダムに並べ替える"), QString());

  // Playback.
  Action_Play_PlayPause = MakeAction("Action_Play_PlayPause", QStringLiteral("再生/一時停止(&P)"),
                                     QStringLiteral("再生/一時停止"),
                                     QStringLiteral("media-playback-start"));
  Action_Play_Replay = MakeAction("Action_Play_Replay", QStringLiteral("リプレイ(&R)"),
                                  QStringLiteral("最初から再生"), QStringLiteral("go-first"));
  Action_Play_Back = MakeAction("Action_Play_Back", QStringLiteral("前へ(&B)"),
                                QStringLiteral("前のファイル"), QStringLiteral("media-skip-backward"));
  Action_Play_Next = MakeAction("Action_Play_Next", QStringLiteral("次へ(&N)"),
                                QStringLiteral("次のファイル"), QStringLiteral("media-skip-forward"));
  Action_Play_SkipBack = MakeAction("Action_Play_SkipBack", QStringLiteral("30秒バック"),
                                    QStringLiteral("30秒戻す"), QStringLiteral("media-seek-backward"));
  Action_Play_SkipNext = MakeAction("Action_Play_SkipNext", QStringLiteral("30秒スキップ"),
                                    QStringLiteral("30秒スキップ"), QStringLiteral("media-seek-forward"));
  Action_Play_FrameBack = MakeAction("Action_Play_FrameBack", QStringLiteral("前のフレーム"),
                                     QStringLiteral("前のフレーム"), QStringLiteral("go-previous"));
  Action_Play_FrameNext = MakeAction("Action_Play_FrameNext", QStringLiteral("次のフレーム"),
                                     QStringLiteral("次のフレーム"), QStringLiteral("go-next"));
  // The muted look is the image after this one.
  Action_Play_Mute = MakeAction("Action_Play_Mute", QStringLiteral("ミュート(&M)"),
                                QStringLiteral("ミュート"), QStringLiteral("audio-volume-high"), true);
  image_names_.append(QStringLiteral("audio-volume-muted"));
  Action_PlayRate = MakeAction("Action_PlayRate", QStringLiteral("再生速度"),
                               QStringLiteral("再生速度"), QStringLiteral("media-seek-forward"));
  PlayRateGroup = new QActionGroup(this);
  PlayRateGroup->setExclusive(true);
  static const char* const kRates[] = {"2.0", "1.7", "1.5", "1.3", "1.1", "1.0",
                                       "0.9", "0.7", "0.5", "0.3", "0.1"};
  for (const char* rate : kRates) {
    QString name = QStringLiteral("Action_PlayRate_") + QString::fromLatin1(rate).remove(QLatin1Char('.'));
    QAction* action = MakeAction(name.toLatin1().constData(), QString::fromLatin1(rate),
                                 QStringLiteral("再生速度 %1").arg(QString::fromLatin1(rate)),
                                 QString(), true, QLatin1String(rate) == QLatin1String("1.0"));
    PlayRateGroup->addAction(action);
    Action_PlayRates.push_back(action);
  }

  // Video (sizing and screen modes arrive with the video-sizing work; disabled until then).
  Action_Zoom_Wallvideo = MakeAction("Action_Zoom_Wallvideo", QStringLiteral("壁紙ビデオ(&W)"),
                                     none, QStringLiteral("preferences-desktop-wallpaper"), true);
  Action_Zoom_FullScreen = MakeAction("Action_Zoom_FullScreen", QStringLiteral("フルスクリーン(&F)"),
                                      none, QStringLiteral("view-fullscreen"), true);
  Action_Zoom_MaxScreen = MakeAction("Action_Zoom_MaxScreen", QStringLiteral("拡大フルスクリーン(&X)"),
                                     none, QString(), true);
  Action_Zoom_50 = MakeAction("Action_Zoom_50", QStringLiteral("&50%"), none, QString());
  Action_Zoom_100 = MakeAction("Action_Zoom_100", QStringLiteral("&100%"), none,
                               QStringLiteral("video-display"));
  Action_Zoom_200 = MakeAction("Action_Zoom_200", QStringLiteral("&200%"), none, QString());
  Action_Zoom_Up = MakeAction("Action_Zoom_Up", QStringLiteral("拡大"), none, QString());
  Action_Zoom_Down = MakeAction("Action_Zoom_Down", QStringLiteral("縮小"), none, QString());
  Action_Zoom_Fit = MakeAction("Action_Zoom_Fit",
                               QStringLiteral("ウィンドウをアスペクト比に合わせる(&F)"), none, QString());
  Action_Zoom_KeepAspect = MakeAction("Action_Zoom_KeepAspect", QStringLiteral("アスペクト比保持(&K)"),
                                      none, QString(), true, true);
  Action_Zoom_AspectStandard = MakeAction("Action_Zoom_AspectStandard",
                                          QStringLiteral("1.33:1 スタンダード (4:3)"), none, QString());
  Action_Zoom_AspectHiVision = MakeAction("Action_Zoom_AspectHiVision",
                                          QStringLiteral("1.78:1 ハイビジョン (16:9)"), none, QString());
  Action_Zoom_AspectEVista = MakeAction("Action_Zoom_AspectEVista",
                                        QStringLiteral("1.66:1 ヨーロピアン・ビスタ (5:3)"), none, QString());
  Action_Zoom_AspectAVista = MakeAction("Action_Zoom_AspectAVista",
                                        QStringLiteral("1.85:1 アメリカン・ビスタ"), none, QString());
  Action_Zoom_AspectWideScope = MakeAction("Action_Zoom_AspectWideScope",
                                           QStringLiteral("2.35:1 シネマスコープ"), none, QString());
  Action_Zoom_Capture = MakeAction("Action_Zoom_Capture", QStringLiteral("ビデオ映像をキャプチャ(&V)"),
                                   none, QStringLiteral("camera-photo"));
  auto* screen_modes = new QActionGroup(this);
  screen_modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  screen_modes->addAction(Action_Zoom_Wallvideo);
  screen_modes->addAction(Action_Zoom_FullScreen);
  screen_modes->addAction(Action_Zoom_MaxScreen);

  // Options.
  Action_Opt_Random = MakeAction("Action_Opt_Random", QStringLiteral("ランダム再生(&R)"), none,
                                 QString(), true);
  Action_Opt_Resume = MakeAction("Action_Opt_Resume", QStringLiteral("レジューム再生(&E)"),
                                 QStringLiteral("終了した位置から次回再生を続ける"), QString(), true);
  Action_Opt_TimeVerbose = MakeAction("Action_Opt_TimeVerbose", QStringLiteral("時間を詳細表示(&T)"),
                                      none, QString(), true);
  Action_Opt_LargeIcon = MakeAction("Action_Opt_LargeIcon", QStringLiteral("大きいアイコン(&I)"),
                                    QStringLiteral("ツールバーのアイコンのサイズをを大きくする"),
                                    QString(), true);
  Action_Opt_AllowImage = MakeAction("Action_Opt_AllowImage", QStringLiteral("静止画像を表示(&I)"),
                                     none, QStringLiteral("image-x-generic"), true);

  // Diagnostics (ui/debug attaches them).
  Action_Debug_Window = MakeAction("Action_Debug_Window", QStringLiteral("メッセージウィンドウ表示(&V)"),
                                   none, QString());
  Action_Debug_Event = MakeAction("Action_Debug_Event", QStringLiteral("イベントを表示(&E)"), none,
                                  QString(), true);
  Action_Debug_EnumFilters = MakeAction("Action_Debug_EnumFilters",
                                        QStringLiteral("接続フィルターとPinを列挙(&F)"), none, QString());
  Action_Debug_EnumSytemFilters = MakeAction("Action_Debug_EnumSytemFilters",
                                             QStringLiteral("登録フィルタを列挙(&S)"), none, QString());
  Action_Debug_SaveAsGRF = MakeAction("Action_Debug_SaveAsGRF",
                                      QStringLiteral("GraphEditファイル書き出し(&S)..."), none, QString());

  Action_Help_VersionInfo = MakeAction("Action_Help_VersionInfo", QStringLiteral("バージョン情報(&A)..."),
                                       QStringLiteral("バージョン情報"),
                                       QStringLiteral("dialog-information"));

  Action_File_Restore->setEnabled(false);
  ApplyIcons();
}

void TApp_Mivaro::ApplyIcons() {
  for (QAction* action : ActionList1) {
    const int image = action->property("ImageIndex").toInt();
    if (image < 0 || image >= image_names_.size()) continue;
    action->setIcon(LoadThemeIcon(image_names_[image]));
  }
}

void TApp_Mivaro::Bind(QAction* action, void (TApp_Mivaro::*command)(QObject*)) {
  connect(action, &QAction::triggered, this, [this, action, command] {
    // While a busy command runs, every action is reported handled without running.
    if (IsBusy()) return;
    (this->*command)(action);
  });
}

void TApp_Mivaro::ConnectActions() {
  Bind(Action_File_OpenFile, &TApp_Mivaro::Action_File_OpenFileExecute);
  Bind(Action_File_OpenFolder, &TApp_Mivaro::Action_File_OpenFolderExecute);
  Bind(Action_File_OpenThisFolder, &TApp_Mivaro::Action_File_OpenThisFolderExecute);
  Bind(Action_File_SaveAs, &TApp_Mivaro::Action_File_SaveAsExecute);
  Bind(Action_File_Property, &TApp_Mivaro::Action_File_PropertyExecute);
  connect(Action_File_Exit, &QAction::triggered, this, [this] {
    if (!IsBusy()) close();
  });
  Bind(Action_File_Restore, &TApp_Mivaro::Action_File_RestoreExecute);
  Bind(Action_File_Minimize, &TApp_Mivaro::Action_File_MinimizeExecute);
  connect(Action_List_Edit, &QAction::triggered, this, [this] {
    if (!IsBusy()) ShowPlaylistWindow(this);
  });
  Bind(Action_Zoom_Capture, &TApp_Mivaro::Action_Zoom_CaptureExecute);
  AttachCaptureTool();
  Bind(Action_List_Clear, &TApp_Mivaro::Action_List_ClearExecute);
  Bind(Action_List_Del, &TApp_Mivaro::Action_List_DelExecute);
  Bind(Action_List_Copy, &TApp_Mivaro::Action_List_CopyExecute);
  Bind(Action_List_Paste, &TApp_Mivaro::Action_List_PasteExecute);
  Bind(Action_Play_PlayPause, &TApp_Mivaro::Action_Play_PlayPauseExecute);
  Bind(Action_Play_Replay, &TApp_Mivaro::Action_Play_ReplayExecute);
  Bind(Action_Play_Back, &TApp_Mivaro::Action_Play_BackExecute);
  Bind(Action_Play_Next, &TApp_Mivaro::Action_Play_NextExecute);
  Bind(Action_Play_SkipBack, &TApp_Mivaro::Action_Play_SkipBackExecute);
  Bind(Action_Play_SkipNext, &TApp_Mivaro::Action_Play_SkipNextExecute);
  Bind(Action_Play_FrameBack, &TApp_Mivaro::Action_Play_FrameBackExecute);
  Bind(Action_Play_FrameNext, &TApp_Mivaro::Action_Play_FrameNextExecute);
  Bind(Action_Play_Mute, &TApp_Mivaro::Action_Play_MuteExecute);
  for (QAction* rate : Action_PlayRates) Bind(rate, &TApp_Mivaro::Action_PlayRateExecute);
  Bind(Action_Opt_TimeVerbose, &TApp_Mivaro::Action_Opt_TimeVerboseExecute);
  Bind(Action_Opt_LargeIcon, &TApp_Mivaro::Action_Opt_LargeIconExecute);
  Bind(Action_Zoom_KeepAspect, &TApp_Mivaro::Action_Zoom_KeepAspectExecute);
  Bind(Action_Help_VersionInfo, &TApp_Mivaro::Action_Help_VersionInfoExecute);
  // The options the playback rules read.
  connect(Action_Opt_Random, &QAction::toggled, this, [this](bool on) { controller_->SetRandom(on); });
  connect(Action_Opt_AllowImage, &QAction::toggled, this,
          [this](bool on) { controller_->SetAllowImages(on); });
  // The combo box moves its current item by itself when rows before it go or move.
  connect(ComboBox_Playlist, &QComboBox::currentIndexChanged, this,
          [this](int index) { controller_->FollowIndex(index); });
  connect(Action_List_FolderName, &QAction::toggled, this, [this](bool on) {
    if (PlaylistModel) PlaylistModel->SetShowFolder(on);
    if (ComboBox_Playlist) ComboBox_Playlist->update();
  });
}

}  // namespace mivaro
