// How long an update run takes to decide a large update list when no installed file is older
// than the server's: from the parsed list to the end of the run, with no download. Prints one
// line per list size; the figure to watch is the time per entry, which must not grow with the
// size of the list.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "common/string_list.h"
#include "platform/file_system.h"
#include "startup/globals.h"
#include "ui/application.h"
#include "update/update_worker.h"

namespace fs = std::filesystem;

namespace {

class TListDecision : public qvx::TDownShareFileThread {
 public:
  TListDecision() : TDownShareFileThread(nullptr) {}
  using TDownShareFileThread::ApplyList;
};

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
  qvx::TApplication::Instance();  // this thread is the user-interface thread
  for (int n : {1000, 10000, 50000}) {
    const fs::path root = fs::temp_directory_path() / ("qvx-list-bench-" + std::to_string(n));
    fs::remove_all(root);
    fs::create_directories(root / "data");
    fs::create_directories(root / "files");
    std::string text = "softid=1\r\nfilecount=" + std::to_string(n) + "\r\n";
    for (int i = 0; i < n; ++i) {
      const std::string name = "f" + std::to_string(i) + ".dat";
      std::ofstream(root / "files" / name) << "x";
      text += "filename" + std::to_string(i) + "=files\\" + name + "\r\n";
      text += "filedate" + std::to_string(i) + "=2015-3-20-10-0-0\r\n";
    }
    text += "AppDate=2015-3-20\r\n";

    qvx::AppPath = root.string() + "/";
    qvx::ToolExePath.clear();
    qvx::UpdateBaseUrl = "http://127.0.0.1:9/";

    auto t0 = std::chrono::steady_clock::now();
    qvx::TStringList list;
    list.SetText(text);
    const double parse = Milliseconds(std::chrono::steady_clock::now() - t0);

    std::vector<double> runs;
    for (int run = 0; run < 3; ++run) {
      TListDecision worker;
      auto start = std::chrono::steady_clock::now();
      worker.ApplyList(list);
      runs.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    double best = runs[0];
    for (double r : runs) best = r < best ? r : best;
    std::printf("entries %6d: list parsed in %8.2f ms, decided in %8.2f ms (%.2f us per entry)\n",
                n, parse, best, best * 1000.0 / n);
    fs::remove_all(root);
  }
  return 0;
}
