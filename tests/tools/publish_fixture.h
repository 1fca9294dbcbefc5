#pragma once
// A scratch folder per test with a small release in it, and the publisher run in-process.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "qvxpublish/file_bytes.h"
#include "qvxpublish/publisher.h"
#include "support/test_web_server.h"

namespace qvx {

namespace fs = std::filesystem;

struct TRunResult {
  int Code;
  std::string Out, Err;
};

class PublishTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    FRoot = fs::temp_directory_path() /
            (std::string("qvxpublish-") + info->test_suite_name() + "-" + info->name());
    fs::remove_all(FRoot);
    fs::create_directories(FRoot);
    // Whole seconds an hour ago, so the two-second truncation and the date arithmetic are
    // exercised on a known value.
    FBase = std::chrono::floor<std::chrono::seconds>(fs::file_time_type::clock::now()) -
            std::chrono::hours(1);
  }
  void TearDown() override {
    std::error_code ignored;
    if (!HasFailure()) fs::remove_all(FRoot, ignored);
  }

  fs::path Release() const { return FRoot / "release"; }
  fs::path Out() const { return FRoot / "out"; }

  // Writes a release file; relative uses "/" between folders. secondsAgo sets its time.
  fs::path Put(const std::string& relative, const std::string& bytes, int secondsAgo = 0) {
    const fs::path p = Release() / fs::u8path(relative);
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
    fs::last_write_time(p, FBase - std::chrono::seconds(secondsAgo));
    return p;
  }

  TRunResult Run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int code = RunPublisher(args, out, err);
    return TRunResult{code, out.str(), err.str()};
  }
  TRunResult Publish(std::vector<std::string> extra = {}) {
    std::vector<std::string> args = {Release().u8string(), Out().u8string(), "--softid", "12"};
    args.insert(args.end(), extra.begin(), extra.end());
    return Run(args);
  }

  // The loopback web server (nginx), or nullptr with the reason it did not start as a failure.
  static test::TestWebServer* WebServer() {
    try {
      return &test::TestWebServer::Instance();
    } catch (const std::exception& e) {
      ADD_FAILURE() << e.what();
      return nullptr;
    }
  }
  // A folder the web server serves, emptied, for a test's publication.
  static fs::path ServedFolder(test::TestWebServer& server, const std::string& name) {
    const fs::path served = fs::path(server.Root()) / name;
    fs::remove_all(served);
    return served;
  }

  // Every file below a folder with its bytes, relative names with "/".
  static std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& e : fs::recursive_directory_iterator(folder))
      if (e.is_regular_file())
        files[fs::relative(e.path(), folder).generic_u8string()] = ReadFileBytes(e.path());
    return files;
  }

  fs::path FRoot;
  fs::file_time_type FBase;
};

}  // namespace qvx
