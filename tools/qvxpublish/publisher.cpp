#include "qvxpublish/publisher.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/ascii_case.h"
#include "base/errors.h"
#include "common/integer_rule.h"
#include "common/list_bounds.h"
#include "common/text_utils.h"
#include "common/utc_stamp.h"
#include "platform/crypto.h"
#include "qvxpublish/entry_rules.h"
#include "qvxpublish/file_bytes.h"
#include "qvxpublish/list_dates.h"
#include "qvxpublish/list_resign.h"
#include "qvxpublish/list_signing.h"
#include "qvxpublish/native_names.h"
#include "qvxpublish/publication_check.h"
#include "qvxpublish/publication_source.h"
#include "qvxpublish/publication_writer.h"
#include "qvxpublish/release_scan.h"
#include "qvxpublish/removal_plan.h"
#include "qvxpublish/update_list_writer.h"

namespace qvx {

namespace fs = std::filesystem;

namespace {

const char* const kHelp =
    "Usage: qvxpublish RELEASE_DIR OUT_DIR --softid N [options]\n"
    "       qvxpublish --check OUT_DIR|URL [--key UPDATEKEY]\n"
    "       qvxpublish --resign OUT_DIR --sign KEYFILE [--expires DAYS]\n"
    "       qvxpublish keygen KEYFILE\n"
    "Publishes RELEASE_DIR, laid out as an installation folder, as a folder a static web server\n"
    "serves as the update server: every file directly in OUT_DIR under its file name, and up.txt\n"
    "(written last) listing them sorted by path. Files only an older up.txt in OUT_DIR names are\n"
    "removed; other files there (setup.exe, say) stay.\n"
    "  --softid N              setup id of this release (required)\n"
    "  --last-setupid N        installations below it get the full installer (default -1: none)\n"
    "  --softidlite N, --last-setupidlite N   the same for the lite edition, written when given\n"
    "  --appdate TEXT          AppDate of the list (default: the newest file's date)\n"
    "  --exclude PATTERN       leave out matching files and folders (* ?, any letter case; with\n"
    "                          \\ or / it matches a path below RELEASE_DIR); may be repeated\n"
    "  --pack                  also write NAME.gz beside each file that packing makes smaller,\n"
    "                          and print the nginx lines (gzip_static) that serve them\n"
    "  --location PATH         URL path for those lines (default /qvx/)\n"
    "  --server-path DIR       the folder OUT_DIR is copied to on the server, for the alias line\n"
    "                          (default: OUT_DIR on this machine)\n"
    "  --sign KEYFILE          sign up.txt with this private key (PEM) into up.txt.sig; may be\n"
    "                          repeated (one signature line per key, for a change of keys)\n"
    "  --serial N              listserial of the list (default: one above the up.txt in OUT_DIR);\n"
    "                          installations refuse a list more than 1000000 above the last\n"
    "                          they used (or their MinListSerial)\n"
    "  --expires DAYS          listexpires: installations with a key refuse the list DAYS days\n"
    "                          from now, so a server stuck on an old list is noticed\n"
    "  --resign OUT_DIR        sign the publication in OUT_DIR again with --sign, its listserial\n"
    "                          one higher and the expiry of --expires (none without it); its\n"
    "                          files stay as they are\n"
    "  --per-file              leave out wholerelease=1: updaters put each file in place the\n"
    "                          moment it arrives, and a run that fails part-way leaves a mix of\n"
    "                          the old and the new release\n"
    "  --forget PATH           drop the removal of PATH (\\ or / between folders) for good; may\n"
    "                          be repeated\n"
    "  --check OUT_DIR         read a publication back with the updater's rules; report every\n"
    "                          missing file, bad packed body and entry the updater would refuse,\n"
    "                          every file against its hash and size lines, a removal of a listed\n"
    "                          file and a removal hash that is no hash; warn of a softid or\n"
    "                          last_setupid without qvxtool.exe or setup.exe, and of dates ahead\n"
    "  --check URL             the same over HTTP with the updater's own client, for a live\n"
    "                          publication (http://host/path/)\n"
    "  --key UPDATEKEY         with --check: also verify up.txt.sig with this key (the base64 of\n"
    "                          UpdateKey; several separated by commas, or --key repeated)\n"
    "keygen KEYFILE writes a new ECDSA P-256 private key (PEM PKCS#8; a key made by openssl\n"
    "genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 serves as well) and prints the\n"
    "UpdateKey line for data\\Product.ini. Every list carries the SHA-256 and the size of each\n"
    "file and a listserial; installations with an UpdateKey accept only a list signed with their\n"
    "key. Lists say wholerelease=1 (unless --per-file): updaters download every changed file\n"
    "first and switch them all in one step, or change nothing; that needs free space for the\n"
    "changed files a second time while it runs.\n"
    "File dates are this machine's local time plus 4 min 59 s: installations with an older copy\n"
    "fetch the file, those with this very copy do not. Names are read as UTF-8 and must fit in\n"
    "Windows-1252 (on Windows: the ANSI code page). Refused, before anything is written: names\n"
    "with \"=\", line breaks or characters Windows names cannot hold, file names with a blank, %,\n"
    "# or ?, unsafe paths, empty files, two files of the same file name. Left out: hidden files,\n"
    "names beginning with \".\", keysData.rif, remote.db, qvxupdate.exe below a folder,\n"
    "data\\App.info and data\\update.log. qvxupdate.exe in RELEASE_DIR itself is listed with its\n"
    "hash, and installations replace their updater with it (--exclude qvxupdate.exe leaves it\n"
    "out). A file the up.txt in OUT_DIR listed and this release lacks is listed as removed, with\n"
    "every hash known for it; removals are carried to every later list until the file is\n"
    "published again or --forget drops them. Installations delete their copy only when it is\n"
    "one of those contents.\n"
    "Exit codes: 0 done, 1 refused or failed (reason on stderr), 2 usage.\n";

struct TOptions {
  std::vector<std::string> Positional;
  std::optional<std::string> Check;
  TListSettings List;
  bool HasSetupId = false;
  std::vector<std::string> Excludes;
  bool Pack = false;
  bool PerFile = false;
  std::string Location = "/qvx/";
  std::optional<std::string> ServerPath;  // OUT_DIR as the serving machine names it
  bool Help = false;
  std::vector<std::string> SignKeys;  // key files
  std::optional<uint64_t> Serial;
  std::vector<std::string> CheckKeys;  // UpdateKey texts
  std::vector<std::string> Forget;     // removal paths, list text
  std::optional<int32_t> ExpiresDays;
  std::optional<std::string> Resign;  // OUT_DIR to sign again
};

class EUsage : public Exception {
  using Exception::Exception;
};

int32_t IdArgument(const std::string& option, const std::string& text) {
  int32_t value;
  if (!TryTextToInt32(text, value)) throw EUsage(option + " needs an integer, not \"" + text + "\"");
  return value;
}

std::string ListTextArgument(const std::string& option, const std::string& text) {
  std::string out;
  if (!ArgumentToListText(text, out))
    throw EUsage(option + " \"" + text + "\" holds a character that " + ListCodePageName() +
                 " cannot hold");
  for (unsigned char c : out)
    if (c < 32 || c == 127) throw EUsage(option + " must not hold a line break or control character");
  return out;
}

TOptions ParseOptions(const std::vector<std::string>& args) {
  TOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
      if (arg == "-h") {
        o.Help = true;
        continue;
      }
      o.Positional.push_back(arg);
      continue;
    }
    std::optional<std::string> inlineValue;
    if (const size_t eq = arg.find('='); eq != std::string::npos) {
      inlineValue = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw EUsage(arg + " needs a value");
      return args[++i];
    };
    const auto flag = [&]() {
      if (inlineValue) throw EUsage(arg + " takes no value");
    };
    if (arg == "--help") {
      flag();
      o.Help = true;
    } else if (arg == "--pack") {
      flag();
      o.Pack = true;
    } else if (arg == "--per-file") {
      flag();
      o.PerFile = true;
    } else if (arg == "--softid") {
      o.List.SetupId = IdArgument(arg, value());
      o.HasSetupId = true;
    } else if (arg == "--last-setupid") {
      o.List.LastSetupId = IdArgument(arg, value());
    } else if (arg == "--softidlite") {
      o.List.LiteSetupId = IdArgument(arg, value());
    } else if (arg == "--last-setupidlite") {
      o.List.LiteLastSetupId = IdArgument(arg, value());
    } else if (arg == "--appdate") {
      o.List.AppDate = ListTextArgument(arg, value());
      if (o.List.AppDate->empty()) throw EUsage("--appdate needs a text");
    } else if (arg == "--exclude") {
      std::string pattern = ListTextArgument(arg, value());
      for (char& c : pattern)
        if (c == '/') c = '\\';
      while (!pattern.empty() && pattern.back() == '\\') pattern.pop_back();
      if (pattern.empty()) throw EUsage("--exclude needs a pattern");
      o.Excludes.push_back(pattern);
    } else if (arg == "--location") {
      o.Location = value();
      if (o.Location.empty() || o.Location.front() != '/' || o.Location.back() != '/')
        throw EUsage("--location needs a URL path that begins and ends with \"/\"");
    } else if (arg == "--server-path") {
      o.ServerPath = value();
      if (o.ServerPath->empty()) throw EUsage("--server-path needs the folder nginx serves");
    } else if (arg == "--forget") {
      std::string path = ListTextArgument(arg, value());
      for (char& c : path)
        if (c == '/') c = '\\';
      if (TrimBlanks(path).empty()) throw EUsage("--forget needs a path");
      o.Forget.push_back(TrimBlanks(path));
    } else if (arg == "--check") {
      o.Check = value();
    } else if (arg == "--sign") {
      o.SignKeys.push_back(value());
    } else if (arg == "--key") {
      o.CheckKeys.push_back(value());
    } else if (arg == "--expires") {
      const std::string text = value();
      int32_t days = 0;
      if (text.find_first_not_of("0123456789") != std::string::npos || !TryTextToInt32(text, days) ||
          days < 1 || days > 36500)
        throw EUsage("--expires needs a number of days from 1 to 36500, not \"" + text + "\"");
      o.ExpiresDays = days;
    } else if (arg == "--resign") {
      o.Resign = value();
    } else if (arg == "--serial") {
      const std::string text = value();
      if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        throw EUsage("--serial needs a decimal number, not \"" + text + "\"");
      o.Serial = std::stoull(text);
    } else {
      throw EUsage("unknown option " + arg);
    }
  }
  return o;
}

// "1 file", "2 files".
std::string Counted(size_t n, const std::string& noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// OUT_DIR as nginx on this machine would name it: forward slashes, ending with one.
std::string LocalFolderForNginx(const fs::path& outDir) {
  std::error_code ec;
  std::string text = fs::absolute(outDir, ec).generic_u8string();
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

std::string NginxBlock(const std::string& location, std::string folder) {
  for (char& c : folder)
    if (c == '\\') c = '/';
  if (folder.empty() || folder.back() != '/') folder += '/';
  std::string block = "nginx: serve the packed bodies (the updater asks with HTTP/1.0) with:\n";
  // A drive letter names this Windows machine's folder; a server elsewhere has its own.
  if (folder.size() > 1 && folder[1] == ':')
    block += "# alias is this machine's folder; for a server elsewhere, give --server-path\n";
  return block + "location " + location + " {\n" + "    alias " + folder + ";\n" +
         "    gzip_static on;\n" + "    gzip_http_version 1.0;\n" + "    gzip_proxied any;\n" +
         "    gzip_vary on;\n" + "}\n";
}

bool IsWithin(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path a = fs::weakly_canonical(inner, ec), b = fs::weakly_canonical(outer, ec);
  auto ia = a.begin(), ib = b.begin();
  for (; ib != b.end(); ++ia, ++ib) {
    if (ib->empty()) continue;  // the trailing separator of a folder path
    if (ia == a.end() || *ia != *ib) return false;
  }
  return true;
}

// listexpires for --expires DAYS; empty without it.
std::string ExpiryFromNow(const TOptions& o) {
  if (!o.ExpiresDays) return std::string();
  return FormatUtcStamp(UtcNowSeconds() + int64_t{*o.ExpiresDays} * 86400);
}

// What goes with the installer of this release: the key lines of data\Product.ini, the floor
// that keeps a fresh installation from taking any older list among them.
void PrintSigned(const char* what, uint64_t serial, const std::vector<TP256SigningKey>& keys,
                 const std::string& expires, std::ostream& out) {
  for (const TP256SigningKey& key : keys) {
    out << what << " up.txt (listserial " << serial << ") for UpdateKey=" << UpdateKeyText(key) << "\n";
  }
  out << "ship in data\\Product.ini [Product] beside UpdateKey: MinListSerial=" << serial << "\n";
  if (!expires.empty()) {
    out << "the list expires at " << expires << "; sign it again before then with --resign\n";
  }
}

int Resign(const TOptions& o, std::ostream& out) {
  std::vector<TP256SigningKey> keys;
  for (const std::string& file : o.SignKeys) keys.push_back(LoadKeyFile(PathFromText(file)));
  const std::string expires = ExpiryFromNow(o);
  const uint64_t serial = ResignPublication(PathFromText(*o.Resign), keys, expires);
  PrintSigned("signed again", serial, keys, expires, out);
  return 0;
}

int Publish(const TOptions& o, std::ostream& out, std::ostream& err) {
  const fs::path release = PathFromText(o.Positional[0]);
  const fs::path outDir = PathFromText(o.Positional[1]);
  std::error_code ec;
  if (!fs::is_directory(release, ec)) {
    err << "qvxpublish: the release folder \"" << o.Positional[0] << "\" does not exist\n";
    return 1;
  }
  if (IsWithin(outDir, release)) {
    err << "qvxpublish: OUT_DIR must not lie inside the release folder\n";
    return 1;
  }

  TReleaseScan scan = ScanRelease(release, o.Excludes);
  for (const std::string& line : scan.LeftOut) out << "left out " << line << "\n";
  if (scan.Files.empty() && scan.Refusals.empty())
    scan.Refusals.push_back(o.Positional[0] + ": the release folder holds no file to publish");
  if (!scan.Refusals.empty()) {
    for (const std::string& line : scan.Refusals) err << "qvxpublish: refused: " << line << "\n";
    err << "qvxpublish: nothing was written\n";
    return 1;
  }

  // The keys are read before anything is written, so a wrong key file changes nothing.
  std::vector<TP256SigningKey> keys;
  for (const std::string& file : o.SignKeys) keys.push_back(LoadKeyFile(PathFromText(file)));

  TListSettings settings = o.List;
  settings.WholeRelease = !o.PerFile;
  settings.ListExpires = ExpiryFromNow(o);
  for (TReleaseFile& f : scan.Files) {
    // Hash and size from the same read, so the two lines always describe the same bytes.
    const std::string bytes = ReadFileBytes(f.Source);
    f.Sha256 = Sha256HexOf(bytes);
    f.Size = static_cast<int64_t>(bytes.size());
    const std::string folded = FoldedName(f.FileName);
    if (folded == "QVXTOOL.EXE") {
      settings.ToolHash = f.Sha256;
      settings.ToolSize = f.Size;
    }
    if (folded == "SETUP.EXE") settings.SetupHash = f.Sha256;
  }
  // An installer put into OUT_DIR by hand is served as it is; the list pins it too.
  if (settings.SetupHash.empty() && fs::is_regular_file(outDir / "setup.exe", ec)) {
    settings.SetupHash = Sha256HexOf(ReadFileBytes(outDir / "setup.exe"));
  }
  // The list this publication replaces: its serial, its removals and the files it named.
  const bool hasPrevious = fs::is_regular_file(outDir / "up.txt", ec);
  const std::string previousBytes = hasPrevious ? ReadFileBytes(outDir / "up.txt") : std::string();
  TStringList previous;
  previous.SetText(previousBytes);
  uint64_t published = 0;
  const bool hasPublished = hasPrevious && ReadListSerial(previousBytes, published);
  settings.ListSerial = o.Serial ? *o.Serial : published + 1;
  if (hasPublished && settings.ListSerial <= published) {
    err << "qvxpublish: warning: listserial " << settings.ListSerial << " is not above the "
        << published << " of the up.txt it replaces; installations that used that list refuse"
        << " a signed list with a lower number\n";
  }

  TRemovalPlan removals = PlanRemovals(previous, scan.Files, o.Forget);
  for (const std::string& line : removals.Warnings) err << "qvxpublish: warning: " << line << "\n";
  for (const std::string& line : removals.Notes) out << line << "\n";
  settings.Removals = std::move(removals.Removals);
  const bool namesUpdater = std::any_of(scan.Files.begin(), scan.Files.end(), [](const TReleaseFile& f) {
    return EqualTextIgnoreCase(f.ListName, kUpdaterFileName);
  });
  if (ListNamesUpdater(previous) && !namesUpdater) {
    err << "qvxpublish: warning: the older list named " << kUpdaterFileName
        << " and this one does not; installations keep the updater they have\n";
  }

  TPublication publication;
  publication.UpdateList = BuildUpdateList(scan.Files, settings);
  if (hasPrevious) {
    for (const std::string& line : EntriesOlderThanReplaced(previous, publication.UpdateList))
      err << "qvxpublish: warning: " << line << "\n";
  }
  if (!keys.empty()) publication.Signature = SignatureFile(publication.UpdateList.JoinedText(), keys);
  // What installations would refuse is not published at all.
  if (const size_t size = publication.UpdateList.JoinedText().size(); size > kMaxListBytes) {
    err << "qvxpublish: refused: up.txt would be " << size << " bytes; installations take at most "
        << kMaxListBytes << "\nqvxpublish: nothing was written\n";
    return 1;
  }
  if (keys.size() > kMaxSignatureLines) {
    err << "qvxpublish: refused: " << keys.size() << " keys; installations read at most "
        << kMaxSignatureLines << " signature lines\nqvxpublish: nothing was written\n";
    return 1;
  }
  publication.Files = std::move(scan.Files);
  publication.Pack = o.Pack;
  WritePublication(publication, outDir, out);
  if (!keys.empty()) PrintSigned("signed", settings.ListSerial, keys, settings.ListExpires, out);

  out << "published " << Counted(publication.Files.size(), "file") << " to " << o.Positional[1];
  const std::string appDate = publication.UpdateList.ValueOf("AppDate");
  if (!appDate.empty()) out << " (AppDate=" << DisplayText(appDate) << ")";
  out << "\n";
  if (o.Pack) out << NginxBlock(o.Location, o.ServerPath ? *o.ServerPath : LocalFolderForNginx(outDir));
  return 0;
}

int Check(const TOptions& o, std::ostream& out, std::ostream& err) {
  std::vector<std::string> keys;
  for (const std::string& text : o.CheckKeys) {
    for (std::string& key : ParsePublicKeys(text)) keys.push_back(std::move(key));
  }
  std::unique_ptr<TPublicationSource> source;
  if (IsPublicationUrl(*o.Check)) {
    source = std::make_unique<THttpSource>(*o.Check);
  } else {
    source = std::make_unique<TFolderSource>(PathFromText(*o.Check));
  }
  const TCheckResult result = CheckPublication(*source, keys);
  for (const std::string& line : result.Warnings) err << "qvxpublish: warning: " << line << "\n";
  for (const std::string& line : result.Problems) err << "qvxpublish: " << line << "\n";
  if (!result.Problems.empty()) {
    err << "qvxpublish: " << Counted(result.Problems.size(), "problem") << " in " << *o.Check << "\n";
    return 1;
  }
  out << *o.Check << ": " << Counted(result.FilesChecked, "file") << " listed, no problems";
  if (!result.Warnings.empty()) out << ", " << Counted(result.Warnings.size(), "warning");
  out << "\n";
  return 0;
}

}  // namespace

int RunPublisher(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  TOptions o;
  try {
    o = ParseOptions(args);
    if (o.Help) {
      out << kHelp;
      return 0;
    }
    if (!o.CheckKeys.empty() && !o.Check) throw EUsage("--key goes with --check");
    if (o.Resign) {
      if (!o.Positional.empty() || o.Check || o.HasSetupId || o.Serial || o.PerFile || o.Pack ||
          !o.Forget.empty() || !o.Excludes.empty())
        throw EUsage("--resign takes only OUT_DIR, --sign and --expires");
      if (o.SignKeys.empty()) throw EUsage("--resign needs --sign KEYFILE");
    }
    if (o.Check && o.ExpiresDays) throw EUsage("--expires goes with a publication or --resign");
    if (o.Check && (!o.SignKeys.empty() || o.Serial || o.PerFile || !o.Forget.empty()))
      throw EUsage("--sign, --serial, --per-file and --forget go with a publication");
    if (!o.Positional.empty() && o.Positional[0] == "keygen") {
      if (o.Positional.size() != 2 || o.Check || o.HasSetupId || !o.SignKeys.empty() || o.ExpiresDays)
        throw EUsage("keygen takes only KEYFILE");
    } else if (o.Check) {
      if (!o.Positional.empty()) throw EUsage("--check takes only OUT_DIR");
    } else if (!o.Resign) {
      if (o.Positional.size() != 2) throw EUsage("give RELEASE_DIR and OUT_DIR");
      if (!o.HasSetupId) throw EUsage("--softid is required");
    }
  } catch (const EUsage& e) {
    err << "qvxpublish: " << e.Message() << "\n" << "Try qvxpublish --help\n";
    return 2;
  }
  try {
    if (!o.Positional.empty() && o.Positional[0] == "keygen") {
      MakeKeyFile(PathFromText(o.Positional[1]), out);
      return 0;
    }
    if (o.Resign) return Resign(o, out);
    return o.Check ? Check(o, out, err) : Publish(o, out, err);
  } catch (const std::exception& e) {
    err << "qvxpublish: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace qvx
