// Components, actions, menus and events of the capture window.
#include "ui/capture/app_tool_bmp_capture_ex.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "platform/desktop/icons.h"
#include "platform/media/frame_grabber_live.h"
#include "ui/capture/capture_widgets.h"
#include "ui/main/properties_dialog.h"

namespace mivaro {

namespace {
constexpr int kFormThumbs = 5;
constexpr char kHintProperty[] = "CaptureHint";
}  // namespace

TApp_TOOLBmpCaptureEx::TApp_TOOLBmpCaptureEx(bool hosted, QWidget* parent)
    : QMainWindow(parent), hosted_(hosted), graph_(std::make_unique<media::TMyCaptureGraph>()) {
  setObjectName(QStringLiteral("TOOLBmpCaptureEx"));
  setWindowTitle(QStringLiteral("静止画キャプチャ"));
  setWindowIcon(ApplicationIcon());
  setAcceptDrops(true);
  graph_->SetFrameHandler([this](const media::FrameView& frame) { OnGraphFrame(frame); });
  HeldKeys = [] { return QGuiApplication::queryKeyboardModifiers(); };
  CreateActions();
  CreatePanels();
  CreateMenus();
  Timer_Time = new QTimer(this);
  Timer_Time->setObjectName(QStringLiteral("Timer_Time"));
  Timer_Time->setInterval(30);
  connect(Timer_Time, &QTimer::timeout, this, [this] { Timer_TimeTimer(); });
  Timer_Capture = new QTimer(this);
  Timer_Capture->setObjectName(QStringLiteral("Timer_Capture"));
  Timer_Capture->setInterval(30);
  connect(Timer_Capture, &QTimer::timeout, this, [this] { Timer_CaptureTimer(); });
  resize(504, 366);
  LoadSettings();
  if (hosted_) ApplyHostedMode();
  ApplyViewOptions();
  SetMediaActions(false);
  UpdateThumbPanels();
}

TApp_TOOLBmpCaptureEx::~TApp_TOOLBmpCaptureEx() {
  SaveSettings();
  graph_->Close();
}

QAction* TApp_TOOLBmpCaptureEx::MakeAction(const char* name, const QString& caption,
                                          const QString& hint, bool checkable, bool checked) {
  auto* action = new QAction(caption, this);
  action->setObjectName(QString::fromLatin1(name));
  const QString tip = hint.isEmpty() ? QString(caption).remove(QLatin1Char('&')) : hint;
  action->setProperty(kHintProperty, tip);
  action->setToolTip(tip);
  action->setStatusTip(tip);
  action->setCheckable(checkable);
  action->setChecked(checked);
  addAction(action);
  return action;
}

void TApp_TOOLBmpCaptureEx::Bind(QAction* action,
                                 void (TApp_TOOLBmpCaptureEx::*command)(QObject*)) {
  connect(action, &QAction::triggered, this, [this, action, command] { (this->*command)(action); });
}

void TApp_TOOLBmpCaptureEx::CreateActions() {
  const QString none;
  auto keys = [](QAction* a, std::initializer_list<QKeySequence> list) {
    a->setShortcuts(QList<QKeySequence>(list));
  };
  Action_File_Open = MakeAction("Action_File_Open", QStringLiteral("開く(&O)..."),
                                QStringLiteral("ファイルを開く"));
  keys(Action_File_Open, {QKeySequence(Qt::CTRL | Qt::Key_O)});
  Action_File_Close = MakeAction("Action_File_Close", QStringLiteral("メディアを閉じる(&C)"), none);
  Action_File_Exit = MakeAction("Action_File_Exit", QStringLiteral("終了(&X)"),
                                QStringLiteral("終了"));
  Action_CaptureNow = MakeAction("Action_CaptureNow", QStringLiteral("ビデオ映像をキャプチャ(&V)"),
                                 QStringLiteral("ビデオ映像をキャプチャ"));
  keys(Action_CaptureNow, {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
  Action_CaptureBack = MakeAction("Action_CaptureBack",
                                  QStringLiteral("前の5フレームをキャプチャ(&B)"), none);
  keys(Action_CaptureBack, {QKeySequence(Qt::CTRL | Qt::Key_Left),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left)});
  Action_CaptureNext = MakeAction("Action_CaptureNext",
                                  QStringLiteral("次の5フレームをキャプチャ(&N)"), none);
  keys(Action_CaptureNext, {QKeySequence(Qt::CTRL | Qt::Key_Right),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right)});
  Action_Play_PlayPause = MakeAction("Action_Play_PlayPause", QStringLiteral("再生/一時停止(&P)"),
                                     none);
  keys(Action_Play_PlayPause, {QKeySequence(Qt::Key_Space), QKeySequence(Qt::SHIFT | Qt::Key_Space)});
  Action_Play_Play = MakeAction("Action_Play_Play", QStringLiteral("再生"), none);
  Action_Play_Pause = MakeAction("Action_Play_Pause", QStringLiteral("一時停止"), none);
  Action_Play_Stop = MakeAction("Action_Play_Stop", QStringLiteral("停止"), none);
  Action_Play_Replay = MakeAction("Action_Play_Replay", QStringLiteral("リプレイ(&R)"), none);
  Action_Play_Top = MakeAction("Action_Play_Top", QStringLiteral("先頭へ(&H)"), none);
  keys(Action_Play_Top, {QKeySequence(Qt::Key_Home)});
  Action_Play_End = MakeAction("Action_Play_End", QStringLiteral("末尾へ(&E)"), none);
  keys(Action_Play_End, {QKeySequence(Qt::Key_End)});
  Action_Play_SkipBack = MakeAction("Action_Play_SkipBack", QStringLiteral("30秒戻る"),
                                    QStringLiteral("30秒戻る (Shift: 10秒)"));
  keys(Action_Play_SkipBack, {QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageUp)});
  Action_Play_SkipNext = MakeAction("Action_Play_SkipNext", QStringLiteral("30秒進む"),
                                    QStringLiteral("30秒進む (Shift: 10秒)"));
  keys(Action_Play_SkipNext, {QKeySequence(Qt::CTRL | Qt::Key_PageDown),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_PageDown)});
  Action_Play_SecBack = MakeAction("Action_Play_SecBack", QStringLiteral("1秒前のフレーム"),
                                   QStringLiteral("1秒前のフレーム (Shift: 0.5秒)"));
  keys(Action_Play_SecBack, {QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::SHIFT | Qt::Key_PageUp)});
  Action_Play_SecNext = MakeAction("Action_Play_SecNext", QStringLiteral("1秒後のフレーム"),
                                   QStringLiteral("1秒後のフレーム (Shift: 0.5秒)"));
  keys(Action_Play_SecNext,
       {QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::SHIFT | Qt::Key_PageDown)});
  Action_Play_FrameBack = MakeAction("Action_Play_FrameBack", QStringLiteral("前のフレーム"),
                                     QStringLiteral("前のフレーム (Shift: 5フレーム)"));
  keys(Action_Play_FrameBack, {QKeySequence(Qt::Key_Left), QKeySequence(Qt::SHIFT | Qt::Key_Left)});
  Action_Play_FrameNext = MakeAction("Action_Play_FrameNext", QStringLiteral("次のフレーム"),
                                     QStringLiteral("次のフレーム (Shift: 5フレーム)"));
  keys(Action_Play_FrameNext,
       {QKeySequence(Qt::Key_Right), QKeySequence(Qt::SHIFT | Qt::Key_Right)});
  Action_Play_Mute = MakeAction("Action_Play_Mute", QStringLiteral("ミュート(&M)"), none, true);
  keys(Action_Play_Mute, {QKeySequence(Qt::CTRL | Qt::Key_M)});
  PlayRateGroup = new QActionGroup(this);
  const struct {
    const char* name;
    const char* caption;
    double rate;
  } rates[] = {{"Action_PlayRate_10", "1.0", 1.0}, {"Action_PlayRate_09", "0.9", 0.9},
               {"Action_PlayRate_07", "0.7", 0.7}, {"Action_PlayRate_05", "0.5", 0.5},
               {"Action_PlayRate_01", "0.1", 0.1}};
  for (const auto& r : rates) {
    QAction* a = MakeAction(r.name, QString::fromLatin1(r.caption), none, true, r.rate == 1.0);
    a->setData(r.rate);
    PlayRateGroup->addAction(a);
    Action_PlayRates.push_back(a);
  }
  Action_Thumb_Prev = MakeAction("Action_Thumb_Prev", QStringLiteral("前のキャプチャフレーム"), none);
  keys(Action_Thumb_Prev, {QKeySequence(Qt::Key_Up)});
  Action_Thumb_Next = MakeAction("Action_Thumb_Next", QStringLiteral("次のキャプチャフレーム"), none);
  keys(Action_Thumb_Next, {QKeySequence(Qt::Key_Down)});
  Action_Image_Copy = MakeAction("Action_Image_Copy", QStringLiteral("画像をコピー(&C)"), none);
  keys(Action_Image_Copy, {QKeySequence(Qt::CTRL | Qt::Key_C)});
  Action_Image_Save = MakeAction("Action_Image_Save", QStringLiteral("画像を保存(&S)..."), none);
  keys(Action_Image_Save, {QKeySequence(Qt::CTRL | Qt::Key_S),
                           QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
  Action_Image_SaveBmp = MakeAction("Action_Image_SaveBmp", QStringLiteral("BMPで保存(&B)"), none);
  Action_Image_SaveGif = MakeAction("Action_Image_SaveGif", QStringLiteral("GIFで保存(&G)"), none);
  Action_Image_SaveJpeg = MakeAction("Action_Image_SaveJpeg", QStringLiteral("JPEGで保存(&J)"), none);
  Action_Zoom_Up = MakeAction("Action_Zoom_Up", QStringLiteral("拡大(&U)"), none);
  keys(Action_Zoom_Up, {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  Action_Zoom_Down = MakeAction("Action_Zoom_Down", QStringLiteral("縮小(&D)"), none);
  keys(Action_Zoom_Down, {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
  Action_Zoom_Actual = MakeAction("Action_Zoom_Actual", QStringLiteral("実寸表示(&1)"), none);
  keys(Action_Zoom_Actual, {QKeySequence(Qt::CTRL | Qt::Key_1)});
  Action_Zoom_Auto = MakeAction("Action_Zoom_Auto", QStringLiteral("オートサイズ(&A)"), none, true, true);
  Action_Opt_TimeVerbose = MakeAction("Action_Opt_TimeVerbose", QStringLiteral("時間を詳細表示(&T)"),
                                      none, true, false);
  Action_Opt_ToolBar = MakeAction("Action_Opt_ToolBar", QStringLiteral("ツールバー(&B)"), none, true, true);
  Action_Opt_StatusBar = MakeAction("Action_Opt_StatusBar", QStringLiteral("ステータスバー(&S)"), none,
                                    true, true);
  Action_Opt_HintPopup = MakeAction("Action_Opt_HintPopup", QStringLiteral("ヒントを表示(&H)"), none,
                                    true, true);
  Action_Opt_SampleGrabber = MakeAction("Action_Opt_SampleGrabber",
                                        QStringLiteral("サンプルグラバを使う(&G)"), none, true, true);
  Action_Program_Add = MakeAction("Action_Program_Add", QStringLiteral("リストに追加(&A)"), none);
  Action_Program_Delete = MakeAction("Action_Program_Delete", QStringLiteral("リストから削除(&D)"), none);
  Action_Program_Run = MakeAction("Action_Program_Run", QStringLiteral("プログラム実行(&R)"), none);
  Action_Program_Foreground = MakeAction("Action_Program_Foreground",
                                         QStringLiteral("前面に移動のみ(&F)"), none, true, false);
  Action_Help_VersionInfo = MakeAction("Action_Help_VersionInfo", QStringLiteral("バージョン情報(&V)"),
                                       none);
  keys(Action_Help_VersionInfo, {QKeySequence(Qt::Key_F1)});

  const std::pair<const char*, const char*> icons[] = {
      {"Action_File_Open", "document-open"},
      {"Action_CaptureNow", "camera-photo"},
      {"Action_CaptureBack", "go-first"},
      {"Action_CaptureNext", "go-last"},
      {"Action_Play_PlayPause", "media-playback-start"},
      {"Action_Play_Stop", "media-playback-stop"},
      {"Action_Play_Top", "media-skip-backward"},
      {"Action_Play_End", "media-skip-forward"},
      {"Action_Play_SkipBack", "media-seek-backward"},
      {"Action_Play_SkipNext", "media-seek-forward"},
      {"Action_Play_FrameBack", "go-previous"},
      {"Action_Play_FrameNext", "go-next"},
      {"Action_Play_Mute", "audio-volume-muted"},
      {"Action_Image_Copy", "edit-copy"},
      {"Action_Image_Save", "document-save-as"},
      {"Action_Zoom_Up", "zoom-in"},
      {"Action_Zoom_Down", "zoom-out"},
      {"Action_Zoom_Actual", "zoom-original"},
      {"Action_Zoom_Auto", "zoom-fit-best"},
      {"Action_Program_Run", "system-run"},
  };
  for (const auto& [name, icon] : icons) {
    if (auto* a = findChild<QAction*>(QString::fromLatin1(name))) {
      a->setIcon(QIcon(LoadThemeImage(QString::fromLatin1(icon), 16)));
    }
  }

  Bind(Action_File_Open, &TApp_TOOLBmpCaptureEx::Action_File_OpenExecute);
  connect(Action_File_Close, &QAction::triggered, this, [this] { CloseMedia(); });
  connect(Action_File_Exit, &QAction::triggered, this, [this] { close(); });
  Bind(Action_CaptureNow, &TApp_TOOLBmpCaptureEx::Action_CaptureNowExecute);
  Bind(Action_CaptureBack, &TApp_TOOLBmpCaptureEx::Action_CaptureBackExecute);
  Bind(Action_CaptureNext, &TApp_TOOLBmpCaptureEx::Action_CaptureNextExecute);
  Bind(Action_Play_PlayPause, &TApp_TOOLBmpCaptureEx::Action_Play_PlayPauseExecute);
  Bind(Action_Play_Play, &TApp_TOOLBmpCaptureEx::Action_Play_PlayExecute);
  Bind(Action_Play_Pause, &TApp_TOOLBmpCaptureEx::Action_Play_PauseExecute);
  Bind(Action_Play_Stop, &TApp_TOOLBmpCaptureEx::Action_Play_StopExecute);
  Bind(Action_Play_Replay, &TApp_TOOLBmpCaptureEx::Action_Play_ReplayExecute);
  Bind(Action_Play_Top, &TApp_TOOLBmpCaptureEx::Action_Play_TopExecute);
  Bind(Action_Play_End, &TApp_TOOLBmpCaptureEx::Action_Play_EndExecute);
  Bind(Action_Play_SkipBack, &TApp_TOOLBmpCaptureEx::Action_Play_SkipBackExecute);
  Bind(Action_Play_SkipNext, &TApp_TOOLBmpCaptureEx::Action_Play_SkipNextExecute);
  Bind(Action_Play_SecBack, &TApp_TOOLBmpCaptureEx::Action_Play_SecBackExecute);
  Bind(Action_Play_SecNext, &TApp_TOOLBmpCaptureEx::Action_Play_SecNextExecute);
  Bind(Action_Play_FrameBack, &TApp_TOOLBmpCaptureEx::Action_Play_FrameBackExecute);
  Bind(Action_Play_FrameNext, &TApp_TOOLBmpCaptureEx::Action_Play_FrameNextExecute);
  Bind(Action_Play_Mute, &TApp_TOOLBmpCaptureEx::Action_Play_MuteExecute);
  for (QAction* a : Action_PlayRates) Bind(a, &TApp_TOOLBmpCaptureEx::Action_PlayRateExecute);
  Bind(Action_Thumb_Prev, &TApp_TOOLBmpCaptureEx::Action_Thumb_PrevExecute);
  Bind(Action_Thumb_Next, &TApp_TOOLBmpCaptureEx::Action_Thumb_NextExecute);
  Bind(Action_Image_Copy, &TApp_TOOLBmpCaptureEx::Action_Image_CopyExecute);
  Bind(Action_Image_Save, &TApp_TOOLBmpCaptureEx::Action_Image_SaveExecute);
  connect(Action_Image_SaveBmp, &QAction::triggered, this,
          [this] { SaveWithFilter(Action_Image_SaveBmp, 1); });
  connect(Action_Image_SaveGif, &QAction::triggered, this,
          [this] { SaveWithFilter(Action_Image_SaveGif, 2); });
  connect(Action_Image_SaveJpeg, &QAction::triggered, this,
          [this] { SaveWithFilter(Action_Image_SaveJpeg, 3); });
  Bind(Action_Zoom_Up, &TApp_TOOLBmpCaptureEx::Action_Zoom_UpExecute);
  Bind(Action_Zoom_Down, &TApp_TOOLBmpCaptureEx::Action_Zoom_DownExecute);
  Bind(Action_Zoom_Actual, &TApp_TOOLBmpCaptureEx::Action_Zoom_ActualExecute);
  Bind(Action_Zoom_Auto, &TApp_TOOLBmpCaptureEx::Action_Zoom_AutoExecute);
  connect(Action_Opt_TimeVerbose, &QAction::triggered, this, [this] { UpdateTimeLabel(); });
  for (QAction* a : {Action_Opt_ToolBar, Action_Opt_StatusBar, Action_Opt_HintPopup}) {
    connect(a, &QAction::triggered, this, [this] { ApplyViewOptions(); });
  }
  Bind(Action_Opt_SampleGrabber, &TApp_TOOLBmpCaptureEx::Action_Opt_SampleGrabberExecute);
  Bind(Action_Program_Add, &TApp_TOOLBmpCaptureEx::Action_Program_AddExecute);
  Bind(Action_Program_Delete, &TApp_TOOLBmpCaptureEx::Action_Program_DeleteExecute);
  Bind(Action_Program_Run, &TApp_TOOLBmpCaptureEx::Action_Program_RunExecute);
  connect(Action_Help_VersionInfo, &QAction::triggered, this, [this] {
    TApp_MivaroVersion version(this);
    version.exec();
  });
}

void TApp_TOOLBmpCaptureEx::CreatePanels() {
  ToolBar_Main = addToolBar(QStringLiteral("ツールバー"));
  ToolBar_Main->setObjectName(QStringLiteral("ToolBar_Main"));
  ToolBar_Main->setMovable(false);
  ToolBar_Main->setIconSize(QSize(16, 16));
  ToolBar_Main->installEventFilter(this);
  for (QAction* a : {Action_File_Open, Action_CaptureNow, Action_Image_Copy, Action_Image_Save}) {
    ToolBar_Main->addAction(a);
  }
  ToolBar_Main->addSeparator();
  for (QAction* a : {Action_Zoom_Up, Action_Zoom_Down, Action_Zoom_Actual, Action_Zoom_Auto}) {
    ToolBar_Main->addAction(a);
  }

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(2, 2, 2, 2);
  column->setSpacing(2);

  auto* split = new QSplitter(Qt::Horizontal, central);
  Panel_Video = new TMyFrameWidget(split);
  Panel_Video->setObjectName(QStringLiteral("Panel_Video"));
  connect(Panel_Video, &TMyFrameWidget::doubleClicked, this, [this] {
    if (Action_CaptureNow->isEnabled()) Action_CaptureNow->trigger();
  });
  ScrollBox_Bitmap = new QScrollArea(split);
  ScrollBox_Bitmap->setObjectName(QStringLiteral("ScrollBox_Bitmap"));
  ScrollBox_Bitmap->setAlignment(Qt::AlignCenter);
  ScrollBox_Bitmap->setBackgroundRole(QPalette::Dark);
  Image_Preview = new QLabel;
  Image_Preview->setObjectName(QStringLiteral("Image_Bitmap"));
  Image_Preview->setAlignment(Qt::AlignCenter);
  ScrollBox_Bitmap->setWidget(Image_Preview);
  ScrollBox_Bitmap->viewport()->installEventFilter(this);
  Image_Preview->installEventFilter(this);
  split->addWidget(Panel_Video);
  split->addWidget(ScrollBox_Bitmap);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 1);
  column->addWidget(split, 1);

  TrackBar_Seek = new QSlider(Qt::Horizontal, central);
  TrackBar_Seek->setObjectName(QStringLiteral("TrackBar_Seek"));
  TrackBar_Seek->setFocusPolicy(Qt::NoFocus);
  TrackBar_Seek->setRange(0, 0);
  connect(TrackBar_Seek, &QSlider::sliderPressed, this, [this] { seek_dragging_ = true; });
  connect(TrackBar_Seek, &QSlider::sliderReleased, this, [this] {
    seek_dragging_ = false;
    SeekPosition(TrackBar_Seek->value() / 10.0);
  });
  connect(TrackBar_Seek, &QSlider::valueChanged, this, [this](int value) {
    if (!updating_seek_ && !seek_dragging_) SeekPosition(value / 10.0);
  });
  column->addWidget(TrackBar_Seek);

  auto* controls = new QToolBar(central);
  controls->setObjectName(QStringLiteral("ToolBar_Control"));
  controls->setIconSize(QSize(16, 16));
  controls->installEventFilter(this);
  for (QAction* a : {Action_Play_PlayPause, Action_Play_Stop, Action_Play_Top, Action_Play_SkipBack,
                     Action_Play_FrameBack, Action_Play_FrameNext, Action_Play_SkipNext,
                     Action_Play_End, Action_Play_Mute}) {
    controls->addAction(a);
  }
  Label_Time = new QLabel(controls);
  Label_Time->setObjectName(QStringLiteral("Label_Time"));
  Label_Duration = new QLabel(controls);
  Label_Duration->setObjectName(QStringLiteral("Label_Duration"));
  controls->addSeparator();
  controls->addWidget(Label_Time);
  controls->addWidget(Label_Duration);
  column->addWidget(controls);

  Panel_Frame = new QWidget(central);
  Panel_Frame->setObjectName(QStringLiteral("Panel_Frame"));
  Panel_Frame->setFixedHeight(TMyThumbPanel::kHeight + 4);
  auto* strip = new QHBoxLayout(Panel_Frame);
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(0);
  Panel_FBack = new QWidget(Panel_Frame);
  Panel_FBack->setObjectName(QStringLiteral("Panel_FBack"));
  Panel_FBack->setFixedWidth(24);
  Button_Capture_Back = new QPushButton(QStringLiteral("<"), Panel_FBack);
  Button_Capture_Back->setObjectName(QStringLiteral("Button_Capture_Back"));
  Button_Capture_Back->setGeometry(0, 0, 24, TMyThumbPanel::kHeight);
  Button_Capture_Back->setFocusPolicy(Qt::NoFocus);
  Button_Capture_Back->setToolTip(QString(Action_CaptureBack->text()).remove(QLatin1Char('&')));
  connect(Button_Capture_Back, &QPushButton::clicked, Action_CaptureBack, &QAction::trigger);
  Panel_FNext = new QWidget(Panel_Frame);
  Panel_FNext->setObjectName(QStringLiteral("Panel_FNext"));
  Panel_FNext->setFixedWidth(24);
  Button_Capture_Next = new QPushButton(QStringLiteral(">"), Panel_FNext);
  Button_Capture_Next->setObjectName(QStringLiteral("Button_Capture_Next"));
  Button_Capture_Next->setGeometry(0, 0, 24, TMyThumbPanel::kHeight);
  Button_Capture_Next->setFocusPolicy(Qt::NoFocus);
  Button_Capture_Next->setToolTip(QString(Action_CaptureNext->text()).remove(QLatin1Char('&')));
  connect(Button_Capture_Next, &QPushButton::clicked, Action_CaptureNext, &QAction::trigger);
  strip->addWidget(Panel_FBack);
  strip->addStretch(1);
  strip->addWidget(Panel_FNext);
  column->addWidget(Panel_Frame);

  auto* programs = new QHBoxLayout;
  programs->setSpacing(2);
  auto* programLabel = new QLabel(QStringLiteral("プログラム"), central);
  ComboBox_Program = new QComboBox(central);
  ComboBox_Program->setObjectName(QStringLiteral("ComboBox_Program"));
  ComboBox_Program->setFocusPolicy(Qt::NoFocus);
  ComboBox_Program->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  ComboBox_Program->setMinimumContentsLength(12);
  auto* run = new QPushButton(QStringLiteral("実行"), central);
  run->setObjectName(QStringLiteral("Button_Program_Run"));
  run->setFocusPolicy(Qt::NoFocus);
  connect(run, &QPushButton::clicked, Action_Program_Run, &QAction::trigger);
  programs->addWidget(programLabel);
  programs->addWidget(ComboBox_Program, 1);
  programs->addWidget(run);
  column->addLayout(programs);
  setCentralWidget(central);

  Label_Size = new QLabel(this);
  Label_Size->setObjectName(QStringLiteral("Label_Size"));
  statusBar()->addPermanentWidget(Label_Size);
  setMinimumWidth(kFormThumbs * TMyThumbPanel::kWidth + 2 * 24 + 8);
}

void TApp_TOOLBmpCaptureEx::CreateMenus() {
  QMenu* file = menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  file->addAction(Action_File_Open);
  Menu_OpenHistory = file->addMenu(QStringLiteral("開いた履歴(&R)"));
  Menu_OpenHistory->setObjectName(QStringLiteral("Menu_OpenHistory"));
  file->addAction(Action_File_Close);
  file->addSeparator();
  file->addAction(Action_Image_Save);
  file->addAction(Action_Image_SaveBmp);
  file->addAction(Action_Image_SaveGif);
  file->addAction(Action_Image_SaveJpeg);
  file->addSeparator();
  file->addAction(Action_File_Exit);

  QMenu* edit = menuBar()->addMenu(QStringLiteral("編集(&E)"));
  edit->addAction(Action_Image_Copy);
  edit->addSeparator();
  edit->addAction(Action_Thumb_Prev);
  edit->addAction(Action_Thumb_Next);

  QMenu* capture = menuBar()->addMenu(QStringLiteral("キャプチャ(&C)"));
  capture->addAction(Action_CaptureNow);
  capture->addAction(Action_CaptureBack);
  capture->addAction(Action_CaptureNext);

  QMenu* play = menuBar()->addMenu(QStringLiteral("再生(&P)"));
  for (QAction* a : {Action_Play_PlayPause, Action_Play_Play, Action_Play_Pause, Action_Play_Stop,
                     Action_Play_Replay}) {
    play->addAction(a);
  }
  play->addSeparator();
  for (QAction* a : {Action_Play_Top, Action_Play_End, Action_Play_SkipBack, Action_Play_SkipNext,
                     Action_Play_SecBack, Action_Play_SecNext, Action_Play_FrameBack,
                     Action_Play_FrameNext}) {
    play->addAction(a);
  }
  play->addSeparator();
  QMenu* rate = play->addMenu(QStringLiteral("再生速度(&S)"));
  for (QAction* a : Action_PlayRates) rate->addAction(a);
  play->addAction(Action_Play_Mute);

  QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
  for (QAction* a : {Action_Zoom_Up, Action_Zoom_Down, Action_Zoom_Actual, Action_Zoom_Auto}) {
    view->addAction(a);
  }
  view->addSeparator();
  for (QAction* a : {Action_Opt_TimeVerbose, Action_Opt_ToolBar, Action_Opt_StatusBar,
                     Action_Opt_HintPopup, Action_Opt_SampleGrabber}) {
    view->addAction(a);
  }

  Menu_Program = menuBar()->addMenu(QStringLiteral("プログラム(&R)"));
  Menu_Program->setObjectName(QStringLiteral("Menu_Program"));
  RebuildProgramMenu();

  Menu_Help = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
  Menu_Help->addAction(Action_Help_VersionInfo);
}

void TApp_TOOLBmpCaptureEx::ApplyHostedMode() {
  setWindowTitle(QStringLiteral("静止画キャプチャ"));
  Action_Play_Mute->setChecked(true);
  Menu_Help->menuAction()->setVisible(false);
  Action_File_Exit->setText(QStringLiteral("閉じる(&C)"));
  Action_File_Exit->setProperty(kHintProperty, QStringLiteral("閉じる"));
  Action_File_Exit->setToolTip(QStringLiteral("閉じる"));
  Action_File_Exit->setStatusTip(QStringLiteral("閉じる"));
  Action_Help_VersionInfo->setShortcuts({});
}

void TApp_TOOLBmpCaptureEx::ApplyViewOptions() {
  ToolBar_Main->setVisible(Action_Opt_ToolBar->isChecked());
  statusBar()->setVisible(Action_Opt_StatusBar->isChecked());
  const bool hints = Action_Opt_HintPopup->isChecked();
  for (QAction* a : actions()) {
    a->setToolTip(hints ? a->property(kHintProperty).toString() : QString());
  }
}

void TApp_TOOLBmpCaptureEx::closeEvent(QCloseEvent* event) {
  CloseMedia();
  event->accept();
  if (OnClosed) OnClosed();
}

void TApp_TOOLBmpCaptureEx::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  UpdateThumbPanels();
  if (Action_Zoom_Auto->isChecked()) ShowPreview();
}

void TApp_TOOLBmpCaptureEx::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TApp_TOOLBmpCaptureEx::dropEvent(QDropEvent* event) {
  // The first local file of the drop is opened.
  for (const QUrl& url : event->mimeData()->urls()) {
    if (!url.isLocalFile()) continue;
    event->acceptProposedAction();
    activateWindow();
    OpenFile(url.toLocalFile().toStdU16String());
    return;
  }
}

bool TApp_TOOLBmpCaptureEx::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ToolTip && Action_Opt_HintPopup &&
      !Action_Opt_HintPopup->isChecked()) {
    return true;
  }
  if (!ScrollBox_Bitmap) return QMainWindow::eventFilter(watched, event);
  const bool preview = watched == Image_Preview || watched == ScrollBox_Bitmap->viewport();
  if (preview && event->type() == QEvent::Wheel) {
    const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
    if (delta > 0) Action_Zoom_Up->trigger();
    if (delta < 0) Action_Zoom_Down->trigger();
    return true;
  }
  if (preview && event->type() == QEvent::MouseButtonDblClick) {
    Action_Zoom_Actual->trigger();
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void TApp_TOOLBmpCaptureEx::UpdateThumbPanels() {
  if (Capturing) return;  // the strip keeps its size while frames come in
  const int n = capture::ThumbnailCount(Panel_Frame->width(), Panel_FBack->width(),
                                        Panel_FNext->width(), TMyThumbPanel::kWidth);
  auto* strip = static_cast<QHBoxLayout*>(Panel_Frame->layout());
  while (static_cast<int>(panels_.size()) < n) {
    auto* panel = new TMyThumbPanel(static_cast<int>(panels_.size()), Panel_Frame);
    connect(panel, &TMyThumbPanel::clicked, this, [this](int k) { SelectThumb(k); });
    connect(panel, &TMyThumbPanel::doubleClicked, this, [this](int k) { ThumbDoubleClicked(k); });
    panel->setEnabled(Panel_FBack->isEnabled());
    // Inserted before the stretch that keeps the next button on the right.
    strip->insertWidget(strip->count() - 2, panel);
    panels_.push_back(panel);
  }
  while (static_cast<int>(panels_.size()) > n) {
    delete panels_.back();
    panels_.pop_back();
  }
  if (Selected >= n) Selected = -1;
  Strip.SetCount(n);
  ShowCapturedThumbs();
}

TApp_TOOLBmpCaptureEx* CaptureWindow(bool hosted) {
  static TApp_TOOLBmpCaptureEx* window = nullptr;
  if (!window) {
    window = new TApp_TOOLBmpCaptureEx(hosted);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] {
      delete window;
      window = nullptr;
    });
  }
  return window;
}

}  // namespace mivaro
