// The action table of the main window: one row per command with its caption, hint, image,
// shortcut, check state, group and the command its trigger runs, and the code that makes
// the actions from it.
#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <span>

#include "platform/desktop/icons.h"
#include "ui/main/app_mivaro.h"
#include "ui/main/busy_guard.h"
#include "ui/main/capture_link.h"
#include "ui/main/playlist_combo.h"
#include "ui/list/app_mivaro_list.h"

namespace mivaro {
namespace {

enum TMyActionFlag : unsigned {
  kCheckable = 1,
  kChecked = 2 | kCheckable,
  kDisabled = 4,
  // One of the screen modes (wallpaper video, full screen, enlarged full screen): at most
  // one is on.
  kScreenMode = 8 | kCheckable,
  // The play-rate choices are made right after this action.
  kRateChoices = 16,
};

struct TMyActionRow {
  QAction* TMyMainActions::*slot;
  const char* name;
  const char16_t* caption;
  const char16_t* hint;  // null: none, and the tool tip is the caption
  // The theme image; "a|b" names two, the second being the look when checked.
  const char* icon;
  unsigned flags;
  // Run on the user's trigger unless busy; null: the part that brings the command
  // connects it (file commands, sizes and screen modes, diagnostics, options).
  void (TApp_Mivaro::*command)(QObject*);
  const char* shortcut = nullptr;  // portable text; the form's keys are in main_input.cpp
};


// The play-rate choices, fastest first; 1.0 starts checked.
const char* const kRates[] = {"2.0", "1.7", "1.5", "1.3", "1.1", "1.0",
                              "0.9", "0.7", "0.5", "0.3", "0.1"};

QString Text(const char16_t* s) { return s ? QString::fromUtf16(s) : QString(); }

}  // namespace

// A member of the window, so that its rows may name the commands only their actions run.
struct TApp_Mivaro::TMyActionTable {
  static std::span<const TMyActionRow> Rows();
};

using W = TApp_Mivaro;
#define ROW(member) &TMyMainActions::member, #member

// In creation order, which is the order of the image list.
std::span<const TMyActionRow> TApp_Mivaro::TMyActionTable::Rows() {
  static const TMyActionRow rows[] = {
      {ROW(Action_File_OpenFile), u"開く(&O)...", u"ファイルを開く", "document-open", 0,
       &W::Action_File_OpenFileExecute},
      {ROW(Action_File_OpenFolder), u"フォルダを開く(&F)...", u"選択したフォルダ中のファイルを開く",
       "folder-open", 0, &W::Action_File_OpenFolderExecute},
      {ROW(Action_File_OpenThisFolder), u"選択フォルダのみ開く(&L)...", u"選択したフォルダのみ開く",
       "folder", 0, &W::Action_File_OpenThisFolderExecute},
      {ROW(Action_File_SaveAs), u"リストに名前をつけて保存(&S)...", nullptr, "document-save-as", 0,
       &W::Action_File_SaveAsExecute},
      {ROW(Action_File_Property), u"プロパティ(&R)", u"プロパティ", "document-properties", 0,
       &W::Action_File_PropertyExecute},
      {ROW(Action_File_Exit), u"終了(&X)", u"Mivaroを終了する", "system-log-out", 0,
       &W::Action_File_ExitExecute, "Alt+F4"},
      {ROW(Action_File_Restore), u"元のサイズに戻す(&R)", nullptr, nullptr, kDisabled,
       &W::Action_File_RestoreExecute},
      {ROW(Action_File_Minimize), u"最小化(&N)", nullptr, nullptr, 0, &W::Action_File_MinimizeExecute},

      {ROW(Action_List_Edit), u"リスト編集(&E)", u"プレイリストウィンドウを表示", "document-properties",
       0, &W::Action_List_EditExecute},
      {ROW(Action_List_Clear), u"リストをクリア(&C)", u"リストをクリア", "edit-clear", 0,
       &W::Action_List_ClearExecute},
      {ROW(Action_List_Del), u"リストから削除(&D)", u"再生中のファイルをリストから削除", "list-remove",
       0, &W::Action_List_DelExecute},
      {ROW(Action_List_Copy), u"リストをコピー(&C)", u"リストをテキストとしてクリップボードへコピー",
       "edit-copy", 0, &W::Action_List_CopyExecute},
      {ROW(Action_List_Paste), u"リストに貼り付け(&P)", u"クリップボードのテキストをリストに貼り付け",
       "edit-paste", 0, &W::Action_List_PasteExecute},
      {ROW(Action_List_FolderName), u"フォルダ名も表示(&N)", nullptr, nullptr, kCheckable, nullptr},

      {ROW(Action_FileCmd), u"ファイル操作(&C)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_FileCmd_Rename), u"ファイル名変更(&N)...", nullptr, nullptr, 0, nullptr},
      {ROW(Action_FileCmd_Copy), u"ファイルコピー(&P)...", nullptr, nullptr, 0, nullptr},
      {ROW(Action_FileCmd_Move), u"ファイル移動(&V)...", nullptr, nullptr, 0, nullptr},
      {ROW(Action_FileCmd_RemoveFromHDD), u"メディアから削除", nullptr, nullptr, 0, nullptr},
      {ROW(Action_FileCmd_Trash), u"ごみ箱へ", nullptr, "user-trash", 0, nullptr},

      {ROW(Action_Sort), u"ソート(&S)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Sort_FileName), u"ファイル名でソート(&F)", u"パスも含めたファイル名でソート", nullptr,
       0, nullptr},
      {ROW(Action_Sort_Path), u"場所でソート(&P)", u"ファイルのパス名のみでソート", nullptr, 0, nullptr},
      {ROW(Action_Sort_Name), u"名前でソート(&N)", u"パスを除いたファイルの名前のみでソート", nullptr, 0,
       nullptr},
      {ROW(Action_Sort_Ext), u"拡張子でソート(&E)", u"ファイルの拡張子でソート", nullptr, 0, nullptr},
      {ROW(Action_Sort_Shuffle), u"シャッフル(&S)", u"ランダムに並べ替える", nullptr, 0, nullptr},

      {ROW(Action_Play_PlayPause), u"再生/一時停止(&P)", u"再生/一時停止", "media-playback-start", 0,
       &W::Action_Play_PlayPauseExecute},
      {ROW(Action_Play_Replay), u"リプレイ(&R)", u"最初から再生", "go-first", 0,
       &W::Action_Play_ReplayExecute},
      {ROW(Action_Play_Back), u"前へ(&B)", u"前のファイル", "media-skip-backward", 0,
       &W::Action_Play_BackExecute},
      {ROW(Action_Play_Next), u"次へ(&N)", u"次のファイル", "media-skip-forward", 0,
       &W::Action_Play_NextExecute},
      {ROW(Action_Play_SkipBack), u"30秒バック", u"30秒戻す", "media-seek-backward", 0,
       &W::Action_Play_SkipBackExecute},
      {ROW(Action_Play_SkipNext), u"30秒スキップ", u"30秒スキップ", "media-seek-forward", 0,
       &W::Action_Play_SkipNextExecute},
      {ROW(Action_Play_FrameBack), u"前のフレーム", u"前のフレーム", "go-previous", 0,
       &W::Action_Play_FrameBackExecute},
      {ROW(Action_Play_FrameNext), u"次のフレーム", u"次のフレーム", "go-next", 0,
       &W::Action_Play_FrameNextExecute},
      {ROW(Action_Play_Mute), u"ミュート(&M)", u"ミュート", "audio-volume-high|audio-volume-muted",
       kCheckable, &W::Action_Play_MuteExecute},
      {ROW(Action_PlayRate), u"再生速度", u"再生速度", "media-seek-forward", kRateChoices, nullptr},

      {ROW(Action_Zoom_Wallvideo), u"壁紙ビデオ(&W)", nullptr, "preferences-desktop-wallpaper",
       kScreenMode, nullptr},
      {ROW(Action_Zoom_FullScreen), u"フルスクリーン(&F)", nullptr, "view-fullscreen", kScreenMode,
       nullptr},
      {ROW(Action_Zoom_MaxScreen), u"拡大フルスクリーン(&X)", nullptr, nullptr, kScreenMode, nullptr},
      {ROW(Action_Zoom_50), u"&50%", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_100), u"&100%", nullptr, "video-display", 0, nullptr},
      {ROW(Action_Zoom_200), u"&200%", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_Up), u"拡大", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_Down), u"縮小", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_Fit), u"ウィンドウをアスペクト比に合わせる(&F)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_KeepAspect), u"アスペクト比保持(&K)", nullptr, nullptr, kChecked,
       &W::Action_Zoom_KeepAspectExecute},
      {ROW(Action_Zoom_AspectStandard), u"1.33:1 スタンダード (4:3)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_AspectHiVision), u"1.78:1 ハイビジョン (16:9)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_AspectEVista), u"1.66:1 ヨーロピアン・ビスタ (5:3)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_AspectAVista), u"1.85:1 アメリカン・ビスタ", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_AspectWideScope), u"2.35:1 シネマスコープ", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Zoom_Capture), u"ビデオ映像をキャプチャ(&V)", nullptr, "camera-photo", 0,
       &W::Action_Zoom_CaptureExecute},

      {ROW(Action_Opt_Random), u"ランダム再生(&R)", nullptr, nullptr, kCheckable, nullptr},
      {ROW(Action_Opt_Resume), u"レジューム再生(&E)", u"終了した位置から次回再生を続ける", nullptr,
       kCheckable, nullptr},
      {ROW(Action_Opt_TimeVerbose), u"時間を詳細表示(&T)", nullptr, nullptr, kCheckable,
       &W::Action_Opt_TimeVerboseExecute},
      {ROW(Action_Opt_LargeIcon), u"大きいアイコン(&I)", u"ツールバーのアイコンのサイズをを大きくする",
       nullptr, kCheckable, &W::Action_Opt_LargeIconExecute},
      {ROW(Action_Opt_AllowImage), u"静止画像を表示(&I)", nullptr, "image-x-generic", kCheckable,
       nullptr},

      {ROW(Action_Debug_Window), u"メッセージウィンドウ表示(&V)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Debug_Event), u"イベントを表示(&E)", nullptr, nullptr, kCheckable, nullptr},
      {ROW(Action_Debug_EnumFilters), u"接続フィルターとPinを列挙(&F)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Debug_EnumSytemFilters), u"登録フィルタを列挙(&S)", nullptr, nullptr, 0, nullptr},
      {ROW(Action_Debug_SaveAsGRF), u"GraphEditファイル書き出し(&S)...", nullptr, nullptr, 0, nullptr},

      {ROW(Action_Help_VersionInfo), u"バージョン情報(&A)...", u"バージョン情報", "dialog-information", 0,
       &W::Action_Help_VersionInfoExecute},
  };
  return rows;
}
#undef ROW

namespace {
}  // namespace

int TApp_Mivaro::ImageIndexOf(const QString& icon) {
  if (icon.isEmpty()) return -1;
  int image = static_cast<int>(image_names_.indexOf(icon));
  if (image < 0) {
    image_names_.append(icon);
    image = static_cast<int>(image_names_.size()) - 1;
  }
  return image;
}

QAction* TApp_Mivaro::MakeAction(const char* name, const QString& caption, const QString& hint,
                                 int image, unsigned flags) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QString::fromLatin1(name));
  action->setToolTip(hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint);
  action->setStatusTip(hint);
  action->setCheckable((flags & kCheckable) != 0);
  action->setChecked((flags & kChecked) == kChecked);
  action->setEnabled((flags & kDisabled) == 0);
  // Shortcuts are read by the form's key handling, not by the actions, so that a key runs
  // its command once, on release, as the program always did.
  action->setShortcutContext(Qt::WidgetShortcut);
  action->setProperty("ImageIndex", image);
  ActionList1.push_back(action);
  return action;
}

void TApp_Mivaro::CreateActions() {
  PlayRateGroup = new QActionGroup(this);
  PlayRateGroup->setExclusive(true);
  auto* screen_modes = new QActionGroup(this);
  screen_modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  TMyMainActions& actions = *this;
  for (const TMyActionRow& row : TMyActionTable::Rows()) {
    const QStringList icons = QString::fromLatin1(row.icon ? row.icon : "").split(QLatin1Char('|'));
    const int image = ImageIndexOf(icons.front());
    if (icons.size() > 1) image_names_.append(icons[1]);  // at image + 1
    QAction* action = MakeAction(row.name, Text(row.caption), Text(row.hint), image, row.flags);
    actions.*row.slot = action;
    if (row.shortcut) {
      action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
      action->setShortcutContext(Qt::WindowShortcut);
    }
    if ((row.flags & kScreenMode) == kScreenMode) screen_modes->addAction(action);
    if (!(row.flags & kRateChoices)) continue;
    for (const char* rate : kRates) {
      const QString text = QString::fromLatin1(rate);
      const QString name =
          QStringLiteral("Action_PlayRate_") + QString(text).remove(QLatin1Char('.'));
      QAction* choice = MakeAction(name.toLatin1().constData(), text,
                                   QStringLiteral("再生速度 %1").arg(text), -1,
                                   text == QLatin1String("1.0") ? kChecked : kCheckable);
      PlayRateGroup->addAction(choice);
      Action_PlayRates.push_back(choice);
    }
  }
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
  const TMyMainActions& actions = *this;
  for (const TMyActionRow& row : TMyActionTable::Rows())
    if (row.command) Bind(actions.*row.slot, row.command);
  for (QAction* rate : Action_PlayRates) Bind(rate, &TApp_Mivaro::Action_PlayRateExecute);
  AttachCaptureTool(*this);
  // The options the playback rules read.
  connect(Action_Opt_Random, &QAction::toggled, this,
          [this](bool on) { controller_->SetRandom(on); });
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

void TApp_Mivaro::Action_File_ExitExecute(QObject*) { close(); }
void TApp_Mivaro::Action_List_EditExecute(QObject*) { ShowPlaylistWindow(this); }

}  // namespace mivaro
