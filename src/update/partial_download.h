#pragma once
// A download cut short, kept beside its target so that the next attempt asks only for the rest.
//
// The kept bytes are the body as the server sent it (packed bodies stay packed), in
// ".<name>.qvxpart", with a record ".<name>.qvxpartinfo" naming the URL, the listed hash, the
// validator of the first answer (its ETag, else its Last-Modified) and when it was begun. Both
// are written once a block of 1 MiB has arrived (or the transfer breaks), so a run that is
// killed leaves a partial file that the next run can resume as well, and a small file that
// arrives whole costs no extra file; the kept size is the data file's size.
//
// A later request asks for "Range: bytes=<kept>-" with "If-Range: <validator>". A 206 answer for
// exactly that range, with the same validator, continues the body: the kept bytes go through
// the unpacker and the hash again first, then the new ones follow. Any other answer starts the
// file again from zero. The content is checked over the whole file as always.
//
// Partial files are not temporary files: the leftover sweep of a run leaves them. They go when
// their download completes or starts again, and RemovePartialLeftovers removes those that can
// no longer be resumed (no record, no data) or that were begun more than kPartialKeepDays ago.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/body_sink.h"

namespace qvx {

class THttpClient;

constexpr int64_t kPartialKeepDays = 7;

std::string PartialDataPath(const std::string& target);
std::string PartialRecordPath(const std::string& target);
// Deletes both files of target's partial download, if any; never raises.
void DropPartial(const std::string& target);
// Deletes the partial downloads of folder (ending with its delimiter) that cannot be resumed
// or are older than kPartialKeepDays. Returns how many files went; never raises.
size_t RemovePartialLeftovers(const std::string& folder);

// A body sink in front of the one that unpacks and writes the content: it keeps the body's
// bytes in the partial file as they arrive, and on a resumed answer hands the kept bytes on
// first. One object serves one request.
class TResumableBody : public TBodySink {
 public:
  // inner receives the whole body, from its first byte, for an answer that is wanted.
  TResumableBody(const std::string& target, const std::string& url, const std::string& hash, TBodySink& inner);
  ~TResumableBody() override;

  // Before the request: when a partial download for the same URL and hash is kept, asks for
  // the rest of it (RangeStart and an If-Range line in http's Headers).
  void PrepareRequest(THttpClient& http);

  void BodyStarts(const THttpClient& client) override;
  bool Write(const char* data, size_t n) override;

  // Whether the answer is the body, whole (200) or the rest of the kept one (206); false for
  // any other answer, including a 206 that does not continue what is kept.
  bool Wanted() const { return FMode == TMode::Whole || FMode == TMode::Rest; }
  // The answer continued a kept body.
  bool Resumed() const { return FMode == TMode::Rest; }
  // A 206 that does not continue the kept body: the kept bytes went, the file starts again.
  bool Refused() const { return FMode == TMode::Refused; }
  // Bytes of the kept body asked to be skipped by the request (0: a whole request).
  int64_t Offset() const { return FOffset; }
  // After the request. complete: the body arrived to its end; the partial file goes whatever
  // the content turns out to be (a failed check must not be resumed). Otherwise the bytes that
  // arrived are kept when the answer can be resumed (a validator and a known length) and keep
  // says so (a broken transfer, not a refusal or an abort); else they go too. True when a
  // partial download is kept.
  bool Finish(bool complete, bool keep);
  // A failure to keep the bytes (the partial file could not be written); the download itself
  // goes on without them.
  const std::string& KeepFailure() const { return FKeepFailure; }

 private:
  enum class TMode { None, Whole, Rest, Refused };
  bool Flush();
  void StopKeeping();

  std::string FTarget, FUrl, FHash;
  TBodySink& FInner;
  TMode FMode = TMode::None;
  int64_t FOffset = 0;        // kept bytes the request skipped
  std::string FValidator;     // of the kept body, then of this answer
  bool FKeeping = false;      // bytes of this answer go to the partial file
  bool FOnDisk = false;       // the partial file and its record exist (kept or being written)
  bool FResumable = false;    // this answer has a validator and a length
  std::string FPending;       // bytes not yet appended to the partial file
  std::string FKeepFailure;
  std::string FReplayFailure;
};

}  // namespace qvx
