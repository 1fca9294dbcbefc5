// Whole update runs with signed lists and hash lines, against a loopback server that plays each
// answer exactly (so a body can be cut and every request is recorded). Every way of tampering
// with a publication must leave the installation as it was: a refused list changes nothing at
// all; a refused file keeps the installed copy while the run goes on.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/base64.h"
#include "platform/crypto.h"
#include "platform/signing_key.h"
#include "startup/globals.h"
#include "support/script_server.h"
#include "support/test_installation.h"
#include "support/worker_run.h"
#include "update/run_outcome.h"

namespace qvx {
namespace {

using test::ScriptServer;
using test::ServerScript;

const std::string kGet = "Fetching:";
const std::string kDone = "Done.";
const std::string kOldA = "installed a, version 1";
const std::string kNewA = "published a, version 2";
const std::string kOldAppInfo = "Owner=kept\r\nAppDate=2015-3-20\r\nListSerial=4\r\n";
const std::string kNewAppInfo = "Owner=kept\r\nAppDate=2024-5-6\r\nListSerial=5\r\n";
const std::string kMissing = "<404>";

const TP256SigningKey& KeyA() {
  static const TP256SigningKey key = TP256SigningKey::Generate();
  return key;
}
const TP256SigningKey& KeyB() {
  static const TP256SigningKey key = TP256SigningKey::Generate();
  return key;
}
std::string Public(const TP256SigningKey& key) { return EncodeBase64(key.PublicPoint()); }
std::string SignatureLine(const TP256SigningKey& key, const std::string& bytes) {
  return EncodeBase64(key.Sign(Sha256Of(bytes)));
}

// What the server publishes; files are answered in the order the run asks for them.
struct Publication {
  std::string List;
  std::string Signature;  // kMissing: up.txt.sig is not there
  std::vector<std::pair<std::string, std::string>> Files;
  std::string CutFile;  // this file's body is cut short by an early close
};

Publication SignedPublication() {
  Publication p;
  p.List = "filecount=1\r\nfilename0=a.txt\r\nfiledate0=2099-1-1-0-0-0\r\nfilehash0=" +
           Sha256HexOf(kNewA) + "\r\nlistserial=5\r\nAppDate=2024-5-6\r\n";
  p.Signature = SignatureLine(KeyA(), p.List) + "\r\n";
  p.Files = {{"a.txt", kNewA}};
  return p;
}

std::string Answer(const std::string& body) {
  if (body == kMissing) return "HTTP/1.0 404 Not Found\r\nContent-Length: 0\r\n\r\n";
  return test::OkAnswer(body);
}

// What a run ends with.
enum class Outcome {
  ListRefused,  // one line, Retry, nothing fetched past the list and its signature
  FileRefused,  // a line naming a.txt, a.txt kept, the run completes
  Updated,      // a.txt replaced, the run completes
};

class SignedRun : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { test::PrepareWorkerRuns({20, 10, 2000}); }
  static void TearDownTestSuite() { SetWorkerPausesForTesting({}); }

  void SetUp() override {
    FInstall.Enter();
    FInstall.Write("a.txt", kOldA);
    FInstall.Write("data\\App.info", kOldAppInfo);
    CurrentSetupId = 5;
  }
  void TearDown() override { FInstall.Leave(); }

  void SetKeys(const std::string& updateKey, const std::string& moreLines = "") {
    FInstall.Write("data\\Product.ini",
                   "[Product]\r\nUpdateKey=" + updateKey + "\r\n" + moreLines);
  }

  // One run; the requested paths end up in Requests.
  test::TRecordingStatusSink& Run(const Publication& p) {
    std::vector<ServerScript> scripts;
    scripts.push_back(ServerScript().Answer(Answer(p.List)));
    // An installation without a key (no UpdateKey, or an empty one) asks for no signature.
    if (FInstall.Exists("data\\Product.ini") &&
        FInstall.Read("data\\Product.ini").find("UpdateKey=\r\n") == std::string::npos) {
      scripts.push_back(ServerScript().Answer(Answer(p.Signature)));
    }
    for (const auto& [name, body] : p.Files) {
      if (name == p.CutFile) {
        // No length: the client reads until the close, which comes half-way.
        scripts.push_back(
            ServerScript().Answer("HTTP/1.0 200 OK\r\n\r\n" + body.substr(0, body.size() / 2)));
      } else {
        scripts.push_back(ServerScript().Answer(Answer(body)));
      }
    }
    FSink.Lines.clear();
    FSink.Messages.clear();
    FSink.RetryEnabled = false;
    ScriptServer server(std::move(scripts), 15000);
    UpdateBaseUrl = server.BaseUrl() + "/qvx/";
    test::RunWorker(FSink);
    Requests.clear();
    for (const std::string& request : server.Received()) {
      const size_t space = request.find(' ', 4);
      Requests.push_back(request.substr(0, space));
    }
    return FSink;
  }

  void Expect(Outcome outcome, const std::string& lineStart) {
    const auto& lines = FSink.Lines;
    switch (outcome) {
      case Outcome::ListRefused:
        ASSERT_EQ(lines.size(), 2u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[1].rfind(lineStart, 0), 0u) << lines[1];
        EXPECT_TRUE(FSink.RetryEnabled);
        EXPECT_TRUE(FSink.Messages.empty());
        EXPECT_EQ(FInstall.Read("data\\App.info"), kOldAppInfo);
        for (size_t i = 2; i < Requests.size(); ++i) EXPECT_EQ(Requests[i], "");
        break;
      case Outcome::FileRefused:
        ASSERT_EQ(lines.size(), 4u) << ::testing::PrintToString(lines);
        EXPECT_EQ(lines[1], kGet + "a.txt");
        EXPECT_EQ(lines[2].rfind(lineStart, 0), 0u) << lines[2];
        EXPECT_EQ(lines[3], kDone);
        EXPECT_FALSE(FSink.RetryEnabled);
        break;
      case Outcome::Updated:
        EXPECT_EQ(lines, (std::vector<std::string>{kGet, kGet + "a.txt", kDone}));
        EXPECT_EQ(FInstall.Read("a.txt"), kNewA);
        EXPECT_EQ(FInstall.Read("data\\App.info"), kNewAppInfo);
        return;
    }
    EXPECT_EQ(FInstall.Read("a.txt"), kOldA);
    EXPECT_FALSE(FInstall.Exists("setup.exe"));
    EXPECT_EQ(FInstall.List(), "a.txt data");
  }

  test::TTestInstallation FInstall;
  test::TRecordingStatusSink FSink;
  std::vector<std::string> Requests;
};

const char kRefused[] = "The update list was refused: ";
const char kNotSaved[] = "\"a.txt\" was not saved: ";

TEST_F(SignedRun, EveryTamperingEndsWithNothingChanged) {
  struct Case {
    const char* name;
    std::function<void(Publication&)> tamper;
    Outcome outcome;
    const char* line;
  } cases[] = {
      {"a changed list byte", [](Publication& p) { p.List[p.List.find("5")] = '6'; },
       Outcome::ListRefused, kRefused},
      {"another key's signature",
       [](Publication& p) { p.Signature = SignatureLine(KeyB(), p.List); }, Outcome::ListRefused,
       kRefused},
      {"a signature over other bytes",
       [](Publication& p) { p.Signature = SignatureLine(KeyA(), p.List + "\r\n"); },
       Outcome::ListRefused, kRefused},
      {"a cut signature", [](Publication& p) { p.Signature = p.Signature.substr(0, 60); },
       Outcome::ListRefused, kRefused},
      {"a signature that is no base64",
       [](Publication& p) { p.Signature = std::string(88, '!'); }, Outcome::ListRefused,
       kRefused},
      {"an empty signature file", [](Publication& p) { p.Signature = "\r\n\r\n"; },
       Outcome::ListRefused, kRefused},
      {"no up.txt.sig", [](Publication& p) { p.Signature = kMissing; }, Outcome::ListRefused,
       kRefused},
      {"a valid signature among 17 lines",
       [](Publication& p) {
         for (int i = 0; i < 16; ++i) p.Signature += "\r\n";
       },
       Outcome::ListRefused, "The update list was refused: its signature file up.txt.sig has more than 16 lines"},
      {"an older serial",
       [](Publication& p) {
         p.List.replace(p.List.find("listserial=5"), 12, "listserial=3");
         p.Signature = SignatureLine(KeyA(), p.List);
       },
       Outcome::ListRefused, kRefused},
      {"no serial after a serial was used",
       [](Publication& p) {
         p.List.replace(p.List.find("listserial=5"), 12, "listserial=x");
         p.Signature = SignatureLine(KeyA(), p.List);
       },
       Outcome::ListRefused, kRefused},
      {"a file changed on the server", [](Publication& p) { p.Files[0].second[0] = 'P'; },
       Outcome::FileRefused, kNotSaved},
      {"a body cut by an early close", [](Publication& p) { p.CutFile = "a.txt"; },
       Outcome::FileRefused, kNotSaved},
      {"a file the list gives no hash for",
       [](Publication& p) {
         p.List.replace(p.List.find("filehash0="), 10, "otherhash=");
         p.Signature = SignatureLine(KeyA(), p.List);
         p.Files.clear();
       },
       Outcome::FileRefused, "\"a.txt\" was not fetched: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SetKeys(Public(KeyA()));
    Publication p = SignedPublication();
    c.tamper(p);
    Run(p);
    if (std::string(c.line).find("not fetched") != std::string::npos) {
      // Nothing is asked for: the line comes without a "Fetching:" before it.
      EXPECT_EQ(FSink.Lines, (std::vector<std::string>{kGet, std::string(c.line) +
                                                                 "the signed update list gives no "
                                                                 "hash for it.",
                                                             kDone}));
      EXPECT_EQ(FInstall.Read("a.txt"), kOldA);
      continue;
    }
    Expect(c.outcome, c.line);
  }
}

TEST_F(SignedRun, ASwappedInstallerIsNeitherKeptNorStarted) {
  SetKeys(Public(KeyA()));
  FInstall.Write("qvxtool.exe", "tool, version 1");
  ToolExePath = FInstall.At("qvxtool.exe");
  Publication p = SignedPublication();
  // The tool already has the listed content, so it is neither closed nor fetched.
  p.List = "softid=7\r\nlast_setupid=6\r\nsetuphash=" + Sha256HexOf("the real installer") +
           "\r\ntoolhash=" + Sha256HexOf("tool, version 1") + "\r\n" + p.List;
  p.Signature = SignatureLine(KeyA(), p.List);
  p.Files = {{"setup.exe", "a swapped installer"}, {"a.txt", kNewA}};
  Run(p);
  EXPECT_EQ(FSink.Lines,
            (std::vector<std::string>{
                kGet, kGet + "setup.exe",
                "\"setup.exe\" was not saved: the download does not match its hash in the update "
                "list.",
                kGet + "a.txt", kDone}));
  EXPECT_FALSE(FInstall.Exists("setup.exe"));
  EXPECT_EQ(FSink.Messages, (std::vector<std::string>{"1025:0:0"}));
  EXPECT_EQ(FInstall.Read("a.txt"), kNewA);
  EXPECT_EQ(FInstall.Read("qvxtool.exe"), "tool, version 1");
}

TEST_F(SignedRun, KeysRotateThroughSeveralSignaturesAndSeveralKeys) {
  struct Case {
    const char* name;
    std::string installedKeys;
    std::vector<const TP256SigningKey*> signers;
    bool accepted;
  } cases[] = {
      {"new key installed, list signed with both", Public(KeyB()), {&KeyA(), &KeyB()}, true},
      {"old key installed, list signed with both", Public(KeyA()), {&KeyA(), &KeyB()}, true},
      {"both installed, list signed with the new", Public(KeyA()) + " , " + Public(KeyB()),
       {&KeyB()}, true},
      {"a damaged key beside the right one", "not-base64!," + Public(KeyA()), {&KeyA()}, true},
      {"only a damaged key", "not-base64!", {&KeyA()}, false},
      {"the key of the other signer", Public(KeyB()), {&KeyA()}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SetKeys(c.installedKeys);
    Publication p = SignedPublication();
    p.Signature = "\r\n";
    for (const TP256SigningKey* key : c.signers) p.Signature += SignatureLine(*key, p.List) + "\r\n";
    Run(p);
    Expect(c.accepted ? Outcome::Updated : Outcome::ListRefused, kRefused);
  }
}

// Whether a list is taken at all: the installation's keys, the serial floor in force and the
// list's expiry. A refused list leaves the installation exactly as it was, Product.ini included.
TEST_F(SignedRun, AcceptListDecidesOnKeysSerialsAndExpiry) {
  const std::string fresh = "Owner=kept\r\nAppDate=2015-3-20\r\n";  // no list used yet
  const auto serial = [](const char* number) {
    return [number](Publication& p) {
      p.List.replace(p.List.find("listserial=5"), 12, std::string("listserial=") + number);
    };
  };
  const auto expires = [](const char* moment) {
    return [moment](Publication& p) { p.List += std::string("listexpires=") + moment + "\r\n"; };
  };
  struct Case {
    const char* name;
    std::string updateKey;
    std::string productLines;  // more lines of [Product]
    std::string appInfo;
    std::function<void(Publication&)> change;
    std::vector<const TP256SigningKey*> signers;
    bool accepted;
    std::string refusal;  // the refusal line holds this
  } cases[] = {
      {"fresh, MinListSerial at the list's serial", Public(KeyA()), "MinListSerial=5\r\n", fresh,
       nullptr, {&KeyA()}, true, ""},
      {"fresh, an older list than MinListSerial", Public(KeyA()), "MinListSerial=6\r\n", fresh,
       nullptr, {&KeyA()}, false, "older (number 5) than the oldest list this installation takes"},
      // Installed from a release whose key is B alone: a replayed list of the key change, signed
      // with the retired A and with B, would roll the tool back and put A back into Product.ini.
      {"fresh, the replay of a list signed during a key change", Public(KeyB()),
       "MinListSerial=6\r\n", fresh, nullptr, {&KeyA(), &KeyB()}, false, "older (number 5)"},
      {"MinListSerial below the serial used before", Public(KeyA()), "MinListSerial=2\r\n",
       "ListSerial=6\r\n", nullptr, {&KeyA()}, false, "than the list used before (number 6)"},
      {"MinListSerial that is no number", Public(KeyA()), "MinListSerial=five\r\n", fresh, nullptr,
       {&KeyA()}, false, "MinListSerial"},
      {"a serial at the end of the plausible step", Public(KeyA()), "", kOldAppInfo,
       serial("1000004"), {&KeyA()}, true, ""},
      {"a serial one beyond the plausible step", Public(KeyA()), "", kOldAppInfo,
       serial("1000005"), {&KeyA()}, false, "1000005 lies more than 1000000 beyond"},
      {"a huge serial on a fresh installation", Public(KeyA()), "", fresh,
       serial("9999999999999999999"), {&KeyA()}, false, "more than 1000000 beyond"},
      {"the plausible step counts from MinListSerial", Public(KeyA()), "MinListSerial=900000\r\n",
       fresh, serial("1900000"), {&KeyA()}, true, ""},
      {"expired", Public(KeyA()), "", kOldAppInfo, expires("2020-01-31T23:59:59Z"), {&KeyA()},
       false, "it expired at 2020-01-31T23:59:59Z"},
      {"not yet expired", Public(KeyA()), "", kOldAppInfo, expires("2099-12-31T00:00:00Z"),
       {&KeyA()}, true, ""},
      {"an expiry that is no moment", Public(KeyA()), "", kOldAppInfo,
       expires("2099-02-30T00:00:00Z"), {&KeyA()}, false, "2099-02-30T00:00:00Z"},
      {"UpdateKey of a comma alone", ",", "", kOldAppInfo, nullptr, {&KeyA()}, false,
       "update key"},
      {"UpdateKey of blanks and commas", " , ", "", kOldAppInfo, nullptr, {&KeyA()}, false,
       "update key"},
      {"UpdateKey of damaged entries only", "not-base64!,QUJD", "", kOldAppInfo, nullptr,
       {&KeyA()}, false, "update key"},
      // Empty means no key: the list is taken unsigned, its hash lines still hold.
      {"UpdateKey empty", "", "", kOldAppInfo, nullptr, {&KeyA()}, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    SetKeys(c.updateKey, c.productLines);
    FInstall.Write("data\\App.info", c.appInfo);
    const std::string product = FInstall.Read("data\\Product.ini");
    Publication p = SignedPublication();
    if (c.change) c.change(p);
    p.Signature.clear();
    for (const TP256SigningKey* key : c.signers) p.Signature += SignatureLine(*key, p.List) + "\r\n";
    Run(p);
    if (c.accepted) {
      EXPECT_EQ(FSink.Lines, (std::vector<std::string>{kGet, kGet + "a.txt", kDone}));
      EXPECT_EQ(FInstall.Read("a.txt"), kNewA);
      const size_t at = p.List.find("listserial=") + 11;
      const std::string number = p.List.substr(at, p.List.find('\r', at) - at);
      EXPECT_NE(FInstall.Read("data\\App.info").find("ListSerial=" + number + "\r\n"),
                std::string::npos);
    } else {
      ASSERT_EQ(FSink.Lines.size(), 2u) << ::testing::PrintToString(FSink.Lines);
      EXPECT_EQ(FSink.Lines[1].rfind(kRefused, 0), 0u) << FSink.Lines[1];
      EXPECT_NE(FSink.Lines[1].find(c.refusal), std::string::npos) << FSink.Lines[1];
      EXPECT_EQ(RunExitCode(), 2);
      EXPECT_EQ(FInstall.Read("a.txt"), kOldA);
      EXPECT_EQ(FInstall.Read("data\\App.info"), c.appInfo);
      // Nothing past the list and its signature was asked for.
      for (size_t i = 1; i < Requests.size(); ++i) {
        EXPECT_TRUE(Requests[i].empty() || Requests[i] == "GET /qvx/up.txt.sig") << Requests[i];
      }
    }
    EXPECT_EQ(FInstall.Read("data\\Product.ini"), product);
  }
}

TEST_F(SignedRun, WithoutAKeyAListWithoutHashesAsksForNothingMore) {
  Publication p;
  p.List = "filecount=1\r\nfilename0=a.txt\r\nfiledate0=2099-1-1-0-0-0\r\nAppDate=2024-5-6\r\n";
  p.Files = {{"a.txt", kNewA}};
  Run(p);
  EXPECT_EQ(Requests, (std::vector<std::string>{"GET /qvx/up.txt", "GET /qvx/a.txt"}));
  EXPECT_EQ(FSink.Lines, (std::vector<std::string>{kGet, kGet + "a.txt", kDone}));
  EXPECT_EQ(FInstall.Read("a.txt"), kNewA);
  EXPECT_EQ(FInstall.Read("data\\App.info"), "Owner=kept\r\nAppDate=2024-5-6\r\nListSerial=4\r\n");
}

TEST_F(SignedRun, AHashDecidesByContentWhateverTheDatesSay) {
  struct Case {
    const char* name;
    std::string installed;
    const char* date;
    bool cut;
    std::vector<std::string> lines;
    std::string after;
  } cases[] = {
      {"server date older, content differs", kOldA, "2015-3-20-10-0-0", false,
       {kGet, kGet + "a.txt", kDone}, kNewA},
      {"server date newer, content the same", kNewA, "2099-1-1-0-0-0", false, {kGet, kDone}, kNewA},
      {"a damaged copy, dates in the future", kNewA + "x", "2099-1-1-0-0-0", false,
       {kGet, kGet + "a.txt", kDone}, kNewA},
      {"no key, but a cut body against its hash", kOldA, "2099-1-1-0-0-0", true,
       {kGet, kGet + "a.txt",
        "\"a.txt\" was not saved: the download does not match its hash in the update list.", kDone},
       kOldA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    FInstall.Write("a.txt", c.installed);
    Publication p;
    p.List = "filecount=1\r\nfilename0=a.txt\r\nfiledate0=" + std::string(c.date) +
             "\r\nFILEHASH0=" + Sha256HexOf(kNewA) + "\r\nAppDate=2024-5-6\r\n";
    // Either case of hexadecimal digits is accepted.
    const size_t hex = p.List.find("FILEHASH0=") + 10;
    for (size_t i = hex; i < hex + 64; ++i) {
      if (p.List[i] >= 'a') p.List[i] = static_cast<char>(p.List[i] - 'a' + 'A');
    }
    p.Files = {{"a.txt", kNewA}};
    if (c.cut) p.CutFile = "a.txt";
    Run(p);
    EXPECT_EQ(FSink.Lines, c.lines);
    EXPECT_EQ(FInstall.Read("a.txt"), c.after);
  }
}

}  // namespace
}  // namespace qvx
