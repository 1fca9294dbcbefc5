#include "e2e/e2e_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "common/base64.h"
#include "common/string_list.h"
#include "qvxpublish/publisher.h"
#include "support/fake_tool.h"
#include "support/test_programs.h"
#include "support/test_web_server.h"

namespace fs = std::filesystem;

namespace qvx::test {

namespace {

fs::path OwnFolder() { return fs::path(OwnProgramPath()).parent_path(); }

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

std::string TE2eInstallation::ProgramName() {
#ifdef _WIN32
  return "qvxupdate.exe";
#else
  return "qvxupdate";
#endif
}

std::string UpdaterProgram() {
  const fs::path program = OwnFolder().parent_path().parent_path() / TE2eInstallation::ProgramName();
  if (!fs::is_regular_file(program)) throw std::runtime_error("not built: " + program.string());
  return program.string();
}

std::string NextUpdaterProgram() {
#ifdef _WIN32
  const fs::path program = OwnFolder() / "qvxupdate_next.exe";
#else
  const fs::path program = OwnFolder() / "qvxupdate_next";
#endif
  if (!fs::is_regular_file(program)) throw std::runtime_error("not built: " + program.string());
  return program.string();
}

std::string E2eOutputFolder() {
  // build/<preset>/tests/e2e -> build/e2e
  const fs::path folder = OwnFolder().parent_path().parent_path().parent_path() / "e2e";
  fs::create_directories(folder);
  return folder.string();
}

TE2eInstallation::TE2eInstallation(const std::string& updateUrl) {
  const fs::path data = OwnFolder() / "install-data";
  if (!fs::is_directory(data)) throw std::runtime_error("missing: " + data.string());
  // By hand: MinGW's recursive fs::copy into an existing folder leaves the subfolders out.
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(data)) {
    const fs::path target = fs::path(FDir.Path()) / fs::relative(entry.path(), data);
    if (entry.is_directory())
      fs::create_directories(target);
    else
      fs::copy_file(entry.path(), target, fs::copy_options::overwrite_existing);
  }
  fs::copy_file(UpdaterProgram(), Program(), fs::copy_options::overwrite_existing);
  fs::permissions(Program(), fs::perms::owner_all, fs::perm_options::add);
  InstallFakeProgram(Tool());
  FDir.Write("data\\Product.ini", "[Product]\r\nUpdateUrl=" + updateUrl + "\r\n");
}

std::string TE2eInstallation::ToolStarts() const { return FakeProgramMark(Tool()); }

std::string TE2eInstallation::ToolArgument(char flag, int32_t setupId) const {
  return EncodeBase64(Tool() + "|" + std::string(1, flag) + std::to_string(setupId));
}

void TE2eInstallation::WriteOld(const std::string& relative, const std::string& bytes) const {
  SetLastWriteTimeUtc(FDir.Write(relative, bytes), LocalToUtc(2015, 3, 20, 10, 0, 0));
}

std::string TE2eInstallation::AppInfo() const {
  return FDir.Exists("data\\App.info") ? FDir.Read("data\\App.info") : "-";
}

std::string PublishRelease(const std::string& folder, const std::map<std::string, std::string>& files,
                           int32_t softId, const std::string& appDate, bool slow, bool perFile) {
  TestWebServer& server = TestWebServer::Instance();
  TTempFolder release;
  for (const auto& [name, bytes] : files) release.Write(name, bytes);
  const std::string out = server.Root() + folder;
  std::error_code ignored;
  fs::remove_all(out, ignored);
  std::ostringstream said, complaint;
  std::vector<std::string> args = {release.Path(), out, "--softid", std::to_string(softId), "--appdate", appDate};
  if (perFile) args.push_back("--per-file");
  const int rc = RunPublisher(args, said, complaint);
  if (rc != 0) throw std::runtime_error("qvxpublish: " + complaint.str());
  return (slow ? server.SlowBaseUrl() : server.BaseUrl()) + folder + "/";
}

std::string WriteUpdateFolder(const std::string& folder,
                              const std::map<std::string, std::string>& files) {
  TestWebServer& server = TestWebServer::Instance();
  for (const auto& [name, bytes] : files) server.WriteFile(folder + "/" + name, bytes);
  return server.BaseUrl() + folder + "/";
}

std::vector<std::string> ListedNames(const std::string& folder) {
  TStringList list;
  list.SetText(ReadFile(fs::path(TestWebServer::Instance().Root() + folder) / "up.txt"));
  std::vector<std::string> names;
  for (int i = 0;; ++i) {
    const std::string name = list.ValueOf("filename" + std::to_string(i));
    if (name.empty()) break;
    names.push_back(name);
  }
  return names;
}

}  // namespace qvx::test
