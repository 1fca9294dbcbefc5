#include "support/temp_folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <vector>

#include "common/date_time.h"
#include "platform/path_delimiter.h"

namespace fs = std::filesystem;

namespace qvx {
namespace test {

namespace {
std::string Native(const std::string& relative) {
  std::string out = relative;
  for (char& c : out)
    if (c == '\\' || c == '/') c = kPathDelimiter;
  return out;
}
}  // namespace

TTempFolder::TTempFolder() {
  static std::atomic<unsigned> counter{0};
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate = base / ("qvxtest-" + std::to_string(rd()) + "-" +
                                 std::to_string(counter++));
    std::error_code ec;
    if (fs::create_directory(candidate, ec)) {
      FPath = candidate.string();
      if (FPath.back() != kPathDelimiter) FPath += kPathDelimiter;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TTempFolder::~TTempFolder() {
  std::error_code ec;
  // Read-only files would stop the removal on Windows.
  for (auto it = fs::recursive_directory_iterator(FPath, ec);
       !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::remove_all(FPath, ec);
}

std::string TTempFolder::At(const std::string& relative) const { return FPath + Native(relative); }

std::string TTempFolder::Write(const std::string& relative, const std::string& bytes) const {
  const std::string path = At(relative);
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  return path;
}

std::string TTempFolder::Read(const std::string& relative) const {
  std::ifstream in(At(relative), std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + At(relative));
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool TTempFolder::Exists(const std::string& relative) const { return fs::exists(At(relative)); }

std::string TTempFolder::List(const std::string& relative) const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(At(relative)))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : " ") + name;
  return out;
}

std::set<std::string> TTempFolder::NamesBeyond(const std::set<std::string>& known,
                                               std::initializer_list<const char*> folders) const {
  std::set<std::string> beyond;
  for (const char* folder : folders) {
    for (const auto& entry : fs::directory_iterator(At(folder))) {
      std::string name = entry.path().filename().string();
      if (!known.count(name)) beyond.insert(std::move(name));
    }
  }
  return beyond;
}

int64_t CurrentUtcOffsetSeconds() {
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  std::tm utc = *std::gmtime(&now);
  auto seconds = [](const std::tm& t) {
    double days = ComposeDateTime(static_cast<uint16_t>(t.tm_year + 1900),
                                  static_cast<uint16_t>(t.tm_mon + 1),
                                  static_cast<uint16_t>(t.tm_mday), 0, 0, 0, 0);
    return static_cast<int64_t>(days) * 86400 + t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec;
  };
  return seconds(local) - seconds(utc);
}

int64_t LocalToUtc(uint16_t year, uint16_t month, uint16_t day, uint16_t hour, uint16_t minute,
                   uint16_t second) {
  const int64_t days = static_cast<int64_t>(ComposeDateTime(year, month, day, 0, 0, 0, 0)) - 25569;
  return days * 86400 + hour * 3600 + minute * 60 + second - CurrentUtcOffsetSeconds();
}

}  // namespace test
}  // namespace qvx
