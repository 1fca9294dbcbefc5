#pragma once
// Where a publication is read from for --check: the folder it was written to, or the live
// server, fetched the way the updater fetches it. Both answer with the bytes a name serves and
// with whether its packed form unpacks to them.
#include <filesystem>
#include <memory>
#include <string>

namespace qvx {

class THttpClient;

class TPublicationSource {
 public:
  virtual ~TPublicationSource() = default;
  // The bytes served under name (a file name, no folder). False when there are none, with why
  // as the words that follow the name ("is missing", "could not be fetched: HTTP status 404").
  virtual bool Read(const std::string& name, std::string& bytes, std::string& why) = 0;
  // Empty when name has no packed form, or it unpacks to exactly plain; otherwise why not.
  virtual std::string WhyPackedDiffers(const std::string& name, const std::string& plain) = 0;
  // The folder or the base URL, for messages.
  virtual std::string Where() const = 0;
};

class TFolderSource : public TPublicationSource {
 public:
  explicit TFolderSource(std::filesystem::path folder);
  bool Read(const std::string& name, std::string& bytes, std::string& why) override;
  std::string WhyPackedDiffers(const std::string& name, const std::string& plain) override;
  std::string Where() const override;

 private:
  std::filesystem::path FFolder;
};

// A base URL ending with "/". Each name is fetched twice with the updater's HTTP client: once
// plain, and once asking for gzip as the updater does, whose packed answer must unpack to the
// plain bytes.
class THttpSource : public TPublicationSource {
 public:
  explicit THttpSource(std::string baseUrl);
  ~THttpSource() override;
  bool Read(const std::string& name, std::string& bytes, std::string& why) override;
  std::string WhyPackedDiffers(const std::string& name, const std::string& plain) override;
  std::string Where() const override { return FBaseUrl; }

 private:
  bool Fetch(const std::string& name, bool acceptGzip, std::string& why);
  std::string FBaseUrl;
  std::unique_ptr<THttpClient> FHttp;
};

// True when text names a server ("http://" or "https://" in front) rather than a folder.
bool IsPublicationUrl(const std::string& text);

}  // namespace qvx
