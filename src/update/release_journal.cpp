#include "update/release_journal.h"

#include <cstdint>
#include <cstdio>
#include <set>

#include "base/ascii_case.h"
#include "common/list_name_rules.h"
#include "platform/path_delimiter.h"
#include "platform/replacement_file.h"
#include "startup/globals.h"

namespace qvx {
namespace {

// The journal, one record a line (CR LF), fields split by TAB, which no path can hold:
//   qvxupdate journal 1
//   state=commit | rollback | forward
//   step<TAB>replace|remove<TAB>flags<TAB>target<TAB>staged<TAB>aside   (flags: "-", or k and/or o)
//   end=<number of steps> <FNV-1a 64 of every byte before this line, 16 hex digits>
// The end line is what makes a journal whole: a file cut anywhere lacks it or fails its sum.
const std::string kHeader = "qvxupdate journal 1";
const std::string kAsideSuffix = ".qvxold";

uint64_t Fnv1a(const std::string& bytes) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (const unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string Hex16(uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

const char* StateText(TJournal::TState state) {
  switch (state) {
    case TJournal::TState::RollingBack:
      return "rollback";
    case TJournal::TState::RollingForward:
      return "forward";
    case TJournal::TState::Commit:
      break;
  }
  return "commit";
}

bool StartsWithIgnoreCase(const std::string& text, const std::string& prefix) {
  return !prefix.empty() && text.size() > prefix.size() &&
         EqualTextIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool HasControlCharacter(const std::string& text) {
  for (const unsigned char c : text)
    if (c < 32) return true;
  return false;
}

// The folder part of a path, "/" counting as a delimiter as it does for the files' own names.
size_t NameStart(const std::string& path) {
  const size_t cut = LastPathDelimiter(path, true);
  return cut == std::string::npos ? 0 : cut + 1;
}

bool InInstallation(const std::string& target) {
  if (StartsWithIgnoreCase(target, AppPath)) {
    const std::string rest = target.substr(AppPath.size());
    return !IsUnsafeRelativeName(rest) && NameStart(target) < target.size();
  }
  if (ToolExePath.empty()) return false;
  if (EqualTextIgnoreCase(target, ToolExePath)) return true;
  // A file beside the tool, not in a folder below it.
  const std::string folder = ToolExePath.substr(0, NameStart(ToolExePath));
  if (!StartsWithIgnoreCase(target, folder)) return false;
  const std::string name = target.substr(folder.size());
  return name.find_first_of("\\/:") == std::string::npos && !IsUnsafeRelativeName(name) &&
         name.find_first_not_of('.') != std::string::npos;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (;;) {
    const size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) return fields;
    start = tab + 1;
  }
}

bool ParseStep(const std::string& line, TCommitStep& step) {
  const std::vector<std::string> f = SplitFields(line);
  if (f.size() != 6 || f[0] != "step") return false;
  if (f[1] == "replace") {
    step.Kind = TCommitStep::TKind::Replace;
  } else if (f[1] == "remove") {
    step.Kind = TCommitStep::TKind::Remove;
  } else {
    return false;
  }
  if (f[2] != "-" && f[2] != "k" && f[2] != "o" && f[2] != "ko") return false;
  step.KeepAside = f[2].find('k') != std::string::npos;
  step.HadOld = f[2].find('o') != std::string::npos;
  step.Target = f[3];
  step.Staged = f[4];
  step.Aside = f[5];
  return true;
}

}  // namespace

std::string JournalPath() { return AppPath + "data\\update.journal"; }

std::string StagedName(const std::string& target) {
  const size_t at = NameStart(target);
  // "staged" is six letters: the name is one the leftover sweep takes for a temporary file.
  return target.substr(0, at) + TemporaryFileName(target.substr(at), "staged");
}

std::string AsideName(const std::string& target) {
  const size_t at = NameStart(target);
  return target.substr(0, at) + "." + target.substr(at) + kAsideSuffix;
}

bool IsAsideFileName(const std::string& name) {
  return name.size() > 1 + kAsideSuffix.size() && name[0] == '.' &&
         name.compare(name.size() - kAsideSuffix.size(), kAsideSuffix.size(), kAsideSuffix) == 0;
}

std::string TargetNameOfAside(const std::string& asideName) {
  return asideName.substr(1, asideName.size() - 1 - kAsideSuffix.size());
}

std::string CheckStep(const TCommitStep& step) {
  const std::string& target = step.Target;
  if (target.empty()) return "a step without a target";
  if (HasControlCharacter(target) || !InInstallation(target))
    return "\"" + target + "\" is not a file of the installation";
  if (EqualTextIgnoreCase(target, JournalPath())) return "\"" + target + "\" is the journal itself";
  const std::string staged = step.Kind == TCommitStep::TKind::Replace ? StagedName(target) : "";
  if (step.Staged != staged || step.Aside != AsideName(target))
    return "\"" + target + "\" has other staged or set-aside names than its own";
  return "";
}

std::string JournalBytes(const std::vector<TCommitStep>& steps, TJournal::TState state) {
  std::string bytes = kHeader + "\r\nstate=" + StateText(state) + "\r\n";
  for (const TCommitStep& s : steps) {
    std::string flags = std::string(s.KeepAside ? "k" : "") + (s.HadOld ? "o" : "");
    if (flags.empty()) flags = "-";
    bytes += "step\t" + std::string(s.Kind == TCommitStep::TKind::Remove ? "remove" : "replace") +
             "\t" + flags + "\t" + s.Target + "\t" + s.Staged + "\t" + s.Aside + "\r\n";
  }
  return bytes + "end=" + std::to_string(steps.size()) + " " + Hex16(Fnv1a(bytes)) + "\r\n";
}

TJournal ParseJournal(const std::string& bytes) {
  TJournal journal;
  journal.Present = true;
  // Lines with the offset each starts at; a last line cut before its CR LF counts as one.
  std::vector<std::pair<size_t, std::string>> lines;
  for (size_t at = 0; at < bytes.size();) {
    const size_t end = bytes.find("\r\n", at);
    lines.emplace_back(at, bytes.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 2;
  }
  if (lines.size() < 2 || lines[0].second != kHeader) return journal;
  const std::string& state = lines[1].second;
  if (state == "state=rollback") {
    journal.State = TJournal::TState::RollingBack;
  } else if (state == "state=forward") {
    journal.State = TJournal::TState::RollingForward;
  } else if (state != "state=commit") {
    return journal;
  }
  bool stepsCheckOut = true;
  size_t stepLines = 0;
  std::set<std::string> targets;
  for (size_t i = 2; i < lines.size(); ++i) {
    TCommitStep step;
    if (ParseStep(lines[i].second, step)) {
      ++stepLines;
      // A step that does not check out is never acted on, and the journal is not whole.
      if (!CheckStep(step).empty() || !targets.insert(UpperAscii(step.Target)).second) {
        stepsCheckOut = false;
      } else {
        journal.Steps.push_back(step);
      }
      continue;
    }
    // The end line, the last one, ended by its line break; anything else is a cut or garbled file.
    const size_t endAt = lines[i].first;
    const std::string expected = "end=" + std::to_string(stepLines) + " " + Hex16(Fnv1a(bytes.substr(0, endAt)));
    journal.Complete = stepsCheckOut && lines[i].second == expected && i + 1 == lines.size() &&
                       bytes.size() == endAt + expected.size() + 2;
    break;
  }
  return journal;
}

}  // namespace qvx
