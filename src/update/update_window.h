#pragma once
// The update window: the program's only window and its main window. It reads the launch
// arguments and translates itself while it is created, starts the worker one timer tick after
// it is shown, shows what the worker reports, and on WM_UPDATE_DONE or Close starts the main
// tool again (when it is not running) and closes, which ends the program.
#include <functional>
#include <memory>
#include <string>

#include "ui/form.h"
#include "update/status_sink.h"

namespace qvx {

class TButton;
class TDownShareFileThread;
class TGauge;
class TImage;
class TLabel;
class TMemo;
class TTimer;

class TfrmUpdate : public TForm, public TStatusSink {
 public:
  // The window's name, which its sections of the translation file carry ("0_frmUpdate").
  static constexpr const char* kFormName = "frmUpdate";
  // The picture's resource name in the program (src/update/res/qvxupdate.rc).
  static constexpr const char* kPictureResource = "UPDATE_PICTURE";

  // Builds the window from its layout and runs FormCreate; an error there is shown to the user
  // and the window is made all the same. The window is the status sink of its workers.
  explicit TfrmUpdate(TComponent* owner);
  ~TfrmUpdate() override;

  // The components, owned by the window, in the order of their declaration.
  TImage* Image1 = nullptr;
  TMemo* Memo1 = nullptr;
  TLabel* Label3 = nullptr;
  TLabel* Label4 = nullptr;
  TGauge* Gauge_process = nullptr;
  TButton* BitBtn1 = nullptr;
  TButton* Button1 = nullptr;
  TTimer* Timer1 = nullptr;

  void FormCreate(TObject* sender);
  void FormShow(TObject* sender);
  void Timer1Timer(TObject* sender);
  void BitBtn1Click(TObject* sender);
  void Button1Click(TObject* sender);
  void FormClose(TObject* sender, TCloseAction& action);

  void StartWorker();
  void StopWorker();
  const TDownShareFileThread* Worker() const { return FWorker.get(); }

  // TStatusSink, on the user-interface thread.
  void AddStatusLine(const std::string& line) override;
  void SetProgressMax(int32_t maximum) override;
  void SetProgressPosition(int32_t position) override;
  void EnableRetry() override;
  // WM_UPDATE_DONE acts as Close; its parameters are ignored.
  void HandleMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) override;

  // Observers of what the worker shows, on the user-interface thread: run after a status line
  // was added, after the gauge changed, after Retry was enabled (the console program waits for
  // Enter then).
  std::function<void(const std::string&)> OnStatusLine;
  std::function<void()> OnGaugeChanged;
  std::function<void()> OnRetryEnabled;

 private:
  void BuildLayout();

  std::unique_ptr<TDownShareFileThread> FWorker;
  // Set once the window has begun to close: a WM_UPDATE_DONE still on its way then finds a
  // program that is ending and must not start the tool a second time.
  bool FClosing = false;
};

}  // namespace qvx
