#include "update/release_extras.h"

#include <exception>

#include "base/ascii_case.h"
#include "platform/file_permissions.h"
#include "platform/file_system.h"
#include "platform/launch_facts.h"
#include "platform/running_program.h"
#include "update/update_list_rules.h"

namespace qvx {

const char kUpdaterUpdatedLine[] = "The updater was updated; the new version runs next time.";

namespace {

bool IsUpdaterTarget(const std::string& target) {
  return EqualTextIgnoreCase(target, UpdaterTarget());
}

}  // namespace

std::string UpdaterTarget() { return ExecutablePath(); }

bool IsUpdaterEntry(const std::string& name, const std::string& ownName) {
  return ReachesUpdaterFile(name, ownName);
}

TCommitStep ReplaceStep(const std::string& target) {
  TCommitStep step;
  step.Kind = TCommitStep::TKind::Replace;
  step.Target = target;
  step.Staged = StagedName(target);
  step.Aside = AsideName(target);
  if (IsUpdaterTarget(target)) {
    // An updater that cannot start would end every later update.
    CopyFilePermissions(target, step.Staged);
    // This process holds its own file until it ends; the next run deletes the copy.
    step.KeepAside = kRunningProgramFileHeld;
  }
  return step;
}

std::vector<TCommitStep> RemovalSteps(const TRemovalChoice& choice) {
  std::vector<TCommitStep> steps;
  for (const TRemovalTarget& r : choice.Delete) {
    TCommitStep step;
    step.Kind = TCommitStep::TKind::Remove;
    step.Target = r.Target;
    step.Aside = AsideName(r.Target);
    steps.push_back(step);
  }
  return steps;
}

std::string RemovedLine(const TRemovalTarget& removal) {
  return "Removed \"" + removal.Listed + "\" (no longer part of the tool).";
}

TSwitchExtras SwitchExtras(const std::vector<TCommitStep>& steps) {
  TSwitchExtras extras;
  for (const TCommitStep& s : steps) {
    if (s.Kind == TCommitStep::TKind::Remove) extras.Removes = true;
    if (s.Kind == TCommitStep::TKind::Replace && IsUpdaterTarget(s.Target)) extras.ReplacesUpdater = true;
  }
  return extras;
}

std::vector<std::string> DeleteOneByOne(const TRemovalChoice& choice, size_t& failed) {
  std::vector<std::string> lines;
  failed = 0;
  for (const TRemovalTarget& r : choice.Delete) {
    try {
      DeleteFileAt(r.Target);
      lines.push_back(RemovedLine(r));
    } catch (const std::exception& e) {
      ++failed;
      lines.push_back("\"" + r.Listed + "\" is no longer part of the tool, but could not be removed: " +
                      e.what());
    }
  }
  RemoveEmptyFolders(choice.Folders);
  return lines;
}

}  // namespace qvx
