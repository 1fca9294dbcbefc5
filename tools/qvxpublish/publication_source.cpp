#include "qvxpublish/publication_source.h"

#include "base/errors.h"
#include "net/body_unpack.h"
#include "net/fetch_failure.h"
#include "net/http_client.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/native_names.h"

namespace qvx {

namespace fs = std::filesystem;

namespace {

std::string WhyUnpackedDiffers(const std::string& packed, const std::string& plain) {
  try {
    const std::string unpacked = UnCompressBody(packed);
    if (unpacked.empty()) return "its packed form does not unpack (checksum or length wrong)";
    if (unpacked != plain) return "its packed form unpacks to other bytes than the file";
  } catch (const Exception& e) {
    return "its packed form does not unpack: " + e.Message();
  }
  return std::string();
}

}  // namespace

TFolderSource::TFolderSource(fs::path folder) : FFolder(std::move(folder)) {}

bool TFolderSource::Read(const std::string& name, std::string& bytes, std::string& why) {
  std::error_code ec;
  const fs::path path = FFolder / PathFromText(name);
  if (!fs::is_regular_file(path, ec)) {
    why = "is missing";
    return false;
  }
  bytes = ReadFileBytes(path);
  return true;
}

std::string TFolderSource::WhyPackedDiffers(const std::string& name, const std::string& plain) {
  // A web server with packed bodies sends "name.gz" in place of "name".
  const fs::path packedPath = FFolder / PathFromText(name + ".gz");
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(packedPath, ec))) return std::string();
  return WhyUnpackedDiffers(ReadFileBytes(packedPath), plain);
}

std::string TFolderSource::Where() const { return FFolder.u8string(); }

THttpSource::THttpSource(std::string baseUrl)
    : FBaseUrl(std::move(baseUrl)), FHttp(std::make_unique<THttpClient>()) {
  if (!FBaseUrl.empty() && FBaseUrl.back() != '/') FBaseUrl += '/';
  FHttp->Timeout = 60000;
  FHttp->KeepAlive = true;
}

THttpSource::~THttpSource() = default;

bool THttpSource::Fetch(const std::string& name, bool acceptGzip, std::string& why) {
  FHttp->ResetRequest();
  if (acceptGzip) FHttp->Headers.Add("Accept-Encoding: gzip");
  if (FHttp->ExecuteMethod("GET", FBaseUrl + name) && FHttp->ResultCode == 200 &&
      FHttp->Document.Size() > 0)
    return true;
  why = "could not be fetched: " + FetchFailureReason(*FHttp);
  return false;
}

bool THttpSource::Read(const std::string& name, std::string& bytes, std::string& why) {
  if (!Fetch(name, false, why)) return false;
  // A server that packs even unasked would hand the updater the same; unpack it as it would.
  if (FHttp->Headers.JoinedText().find("gzip") != std::string::npos) {
    try {
      bytes = UnCompressBody(FHttp->Document.Bytes());
    } catch (const Exception& e) {
      bytes.clear();
    }
    if (bytes.empty()) {
      why = "is served packed without being asked, and does not unpack";
      return false;
    }
    return true;
  }
  bytes = FHttp->Document.Bytes();
  return true;
}

std::string THttpSource::WhyPackedDiffers(const std::string& name, const std::string& plain) {
  std::string why;
  if (!Fetch(name, true, why)) return "asked for as the updater asks (gzip accepted), it " + why;
  // The updater unpacks whatever names "gzip" in its response head.
  if (FHttp->Headers.JoinedText().find("gzip") == std::string::npos) {
    if (FHttp->Document.Bytes() != plain) return "asked for with gzip accepted, it comes with other bytes";
    return std::string();
  }
  return WhyUnpackedDiffers(FHttp->Document.Bytes(), plain);
}

bool IsPublicationUrl(const std::string& text) {
  const std::string head = text.substr(0, 8);
  std::string lower;
  for (char c : head) lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0;
}

}  // namespace qvx
