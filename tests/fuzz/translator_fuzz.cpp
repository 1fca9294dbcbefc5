// The form translator applying arbitrary key=value lines to a window shaped like the update
// window (plus a list box, a combo box and a grid). Mode bit 0 clear: each line goes straight to
// ApplyItem; set: the lines form the file's section 0_frmUpdate and ApplyFormLanguage reads them
// (through the INI reader) with a language index taken from the next byte.
//
// The translator may raise only this system's own errors (setting a text property or refilling a
// list may fail); anything else escapes and is a fault.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "base/errors.h"
#include "common/string_list.h"
#include "fuzz_support.h"
#include "lang/form_language.h"
#include "lang/form_translator.h"
#include "platform/code_page.h"
#include "startup/globals.h"
#include "ui/data_grid.h"
#include "ui/form.h"
#include "ui/gauge.h"
#include "ui/list_controls.h"
#include "ui/picture.h"
#include "ui/std_controls.h"
#include "ui/timer.h"

namespace {

struct TTestForm {
  qvx::TForm form{nullptr};
  TTestForm() {
    form.SetName("frmUpdate");
    form.SetCaption("Designed");
    Add<qvx::TLabel>("Label3");
    Add<qvx::TMemo>("Memo1");
    Add<qvx::TButton>("BitBtn1");
    Add<qvx::TButton>("Button1");
    Add<qvx::TGauge>("Gauge_process");
    Add<qvx::TImage>("Image1");
    auto* combo = Add<qvx::TComboBox>("ComboBox1");
    combo->Items()->Add("one");
    Add<qvx::TListBox>("ListBox1");
    Add<qvx::TDataGrid>("Grid1");
    auto* timer = new qvx::TTimer(&form);
    timer->SetName("Timer1");
    timer->SetEnabled(false);
  }
  template <class T>
  T* Add(const char* name) {
    auto* c = new T(&form);
    c->SetName(name);
    c->SetParent(&form);
    return c;
  }
};

std::string Folder() {
  static const std::string folder = [] {
    auto dir = std::filesystem::temp_directory_path() / ("qvx-fuzz-translator-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "data");
    return dir.string() + "/";
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvx::fuzz::FuzzInput in(data, size);
  const uint8_t mode = in.Byte();
  const uint8_t language = in.Byte();
  const std::string text = in.Rest();
  TTestForm f;
  const int built = f.form.ComponentCount();
  try {
    if (mode & 1) {
      std::ofstream(Folder() + "data/Language.sil", std::ios::binary)
          << "[Language names]\r\nLanguage_1=One\r\n[0_frmUpdate]\r\n" << text;
      qvx::AppPath = Folder();
      qvx::LangIndex = language;
      qvx::ApplyFormLanguage(f.form);
    } else {
      qvx::TStringList lines;
      lines.SetText(text);
      qvx::TssLang lang(&f.form);
      lang.FPath = Folder();
      for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines.LineAt(i);
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        lang.ApplyItem(line.substr(0, eq), qvx::AnsiToWide(line.substr(eq + 1)));
      }
    }
  } catch (const qvx::Exception&) {
  }
  // Whatever was applied, the window still owns exactly the components it was built with.
  FUZZ_CHECK(f.form.ComponentCount() == built);
  for (int i = 0; i < f.form.ComponentCount(); ++i)
    FUZZ_CHECK(f.form.Components(i)->Owner() == &f.form);
  return 0;
}
