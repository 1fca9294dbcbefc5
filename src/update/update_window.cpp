#include "update/update_window.h"

#include <exception>

#include "lang/form_language.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "startup/globals.h"
#include "startup/launch_context.h"
#include "startup/product_data.h"
#include "ui/dialogs.h"
#include "ui/gauge.h"
#include "ui/picture.h"
#include "ui/std_controls.h"
#include "ui/timer.h"
#include "update/main_tool.h"
#include "update/run_outcome.h"
#include "update/update_worker.h"

namespace qvx {

namespace {

// The gauge's and the buttons' face, by the English name of the Song typeface: the 8-bit name in
// Chinese characters would reach the font mapper intact only where the system's code page is
// GBK, while the English name is found whatever the code page.
const char kSongFace[] = "SimSun";

void SetSongFont(TControl& control) {
  TFont& font = *control.Font();
  font.SetName(kSongFace);
  font.SetCharset(GB2312_CHARSET_VALUE);
  font.SetHeight(-12);
}

// Handlers run from the window system's dispatch, which an exception must not cross: as the
// application would, the user is shown the error and the program goes on.
TNotifyEvent Guarded(std::function<void(TObject*)> handler) {
  return [handler](TObject* sender) {
    try {
      handler(sender);
    } catch (const std::exception& e) {
      ShowErrorMessage(e.what());
    }
  };
}

}  // namespace

TfrmUpdate::TfrmUpdate(TComponent* owner) : TForm(owner) {
  BuildLayout();
  DoCreate();
}

TfrmUpdate::~TfrmUpdate() {
  StopWorker();
  TApplication::Instance().CancelMessages(this);
}

void TfrmUpdate::BuildLayout() {
  SetName(kFormName);
  SetCaption("qvxtool Update");
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetBorderIcons(biSystemMenu | biMinimize);
  SetPosition(TPosition::poScreenCenter);
  SetColor(clBtnFace);
  Font()->SetName("Microsoft Sans Serif");
  Font()->SetHeight(-11);
  Font()->SetColor(clWindowText);
  SetClientWidth(518);
  SetClientHeight(256);

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetBounds(5, 8, 115, 229);
  Image1->SetStretch(true);
  const std::string picture = BitmapResourceBytes(kPictureResource);
  if (!picture.empty()) {
    try {
      Image1->Picture()->LoadFromBitmapBytes(picture);
    } catch (const EInvalidGraphic&) {
      // A decoration: the window works without it.
    }
  }
  Image1->SetParent(this);

  Memo1 = new TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetBounds(133, 25, 369, 140);
  Memo1->SetColor(clInfoBk);
  Memo1->SetCtl3D(false);
  Memo1->SetScrollBars(TScrollStyle::ssVertical);
  Memo1->SetTabStop(false);
  Memo1->SetTabOrder(0);
  Memo1->SetParent(this);

  Label3 = new TLabel(this);
  Label3->SetName("Label3");
  Label3->SetBounds(133, 4, 46, 13);
  Label3->SetCaption("Infomaion");
  Label3->SetParent(this);

  Label4 = new TLabel(this);
  Label4->SetName("Label4");
  Label4->SetBounds(133, 171, 41, 13);
  Label4->SetCaption("Process:");
  Label4->SetParent(this);

  Gauge_process = new TGauge(this);
  Gauge_process->SetName("Gauge_process");
  Gauge_process->SetBounds(133, 190, 369, 17);
  Gauge_process->SetKind(TGaugeKind::gkHorizontalBar);
  Gauge_process->SetBackColor(clCream);
  Gauge_process->SetForeColor(clBlue);
  Gauge_process->SetMinValue(0);
  Gauge_process->SetMaxValue(100);
  Gauge_process->SetProgress(0);
  Gauge_process->SetShowText(true);
  SetSongFont(*Gauge_process);
  Gauge_process->SetParent(this);

  BitBtn1 = new TButton(this);
  BitBtn1->SetName("BitBtn1");
  BitBtn1->SetBounds(134, 220, 87, 23);
  BitBtn1->SetCaption("Close");
  BitBtn1->SetTabOrder(1);
  SetSongFont(*BitBtn1);
  BitBtn1->OnClick = Guarded([this](TObject* sender) { BitBtn1Click(sender); });
  BitBtn1->SetParent(this);

  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetBounds(238, 220, 87, 23);
  Button1->SetCaption("Retry");
  Button1->SetTabOrder(2);
  SetSongFont(*Button1);
  Button1->SetVisible(false);
  Button1->OnClick = Guarded([this](TObject* sender) { Button1Click(sender); });
  Button1->SetParent(this);

  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(1000);
  Timer1->SetOnTimer(Guarded([this](TObject* sender) { Timer1Timer(sender); }));

  OnCreate = [this](TObject* sender) { FormCreate(sender); };
  OnShow = Guarded([this](TObject* sender) { FormShow(sender); });
  OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
}

void TfrmUpdate::FormCreate(TObject*) {
  Memo1->Clear();
  ReadToolArgument();
  ApplyFormLanguage(*this);
  ReadEditionArgument();
  AssignUpdateBaseUrl(ProductUpdateUrl());
}

void TfrmUpdate::FormShow(TObject*) { Timer1->SetEnabled(true); }

void TfrmUpdate::Timer1Timer(TObject*) {
  Timer1->SetEnabled(false);
  // A window closed before its first second starts no run behind the user's back.
  if (FClosing) return;
  StartWorker();
}

void TfrmUpdate::BitBtn1Click(TObject*) {
  if (FClosing) return;
  if (!IsToolRunning() && !ToolExePath.empty()) {
    // As the shell's own answer, a refusal is no reason to keep the window open.
    ShellOpen(ToolExePath, PassUsbFlag ? "usb" : "", Handle());
  }
  Close();
}

void TfrmUpdate::Button1Click(TObject*) {
  Button1->SetEnabled(false);
  StartWorker();
}

void TfrmUpdate::FormClose(TObject*, TCloseAction&) {
  FClosing = true;
  // Closed while the run was still to start: nothing was looked at, so it is a cancelled run.
  if (Timer1->Enabled()) NoteRunOutcome(TRunOutcome::FilesFailed);
  Timer1->SetEnabled(false);
  StopWorker();
  TApplication::Instance().CancelMessages(this);
}

void TfrmUpdate::StartWorker() {
  if (FWorker) StopWorker();
  FWorker = std::make_unique<TDownShareFileThread>(this);
  // The worker never frees itself: the window frees it once its thread has ended.
  FWorker->Resume();
}

void TfrmUpdate::StopWorker() {
  if (!FWorker) return;
  FWorker->CancelTransfer();
  FWorker->Terminate();
  // The worker may still report (the line of the cancelled transfer, the end of the run):
  // waiting serves its synchronous calls, or it would never end.
  TApplication::Instance().WaitFor(*FWorker);
  FWorker.reset();
}

void TfrmUpdate::AddStatusLine(const std::string& line) {
  Memo1->AppendLine(line);
  if (OnStatusLine) OnStatusLine(line);
}

void TfrmUpdate::SetProgressMax(int32_t maximum) {
  // The gauge's range starts at 0, so a maximum below it cannot be set.
  if (maximum < Gauge_process->MinValue()) return;
  Gauge_process->SetMaxValue(maximum);
  if (OnGaugeChanged) OnGaugeChanged();
}

void TfrmUpdate::SetProgressPosition(int32_t position) {
  Gauge_process->SetProgress(position);
  if (OnGaugeChanged) OnGaugeChanged();
}

void TfrmUpdate::EnableRetry() {
  Button1->SetEnabled(true);
  if (OnRetryEnabled) OnRetryEnabled();
}

void TfrmUpdate::HandleMessage(uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_UPDATE_DONE) return;
  try {
    BitBtn1Click(this);
  } catch (const std::exception& e) {
    ShowErrorMessage(e.what());
  }
}

}  // namespace qvx
