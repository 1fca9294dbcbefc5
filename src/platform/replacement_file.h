#pragma once
// A new version of a file, written beside it under a temporary name and put in its place only
// when complete: until Commit the file at the target keeps its old bytes, and an object that is
// destroyed uncommitted (a failure, an abort, an exception) removes its temporary file. A
// process killed half-way may leave the temporary file; RemoveTemporaryLeftovers clears those.
// Paths as in file_system.h; failures raise EOSError with the platform's text.
#include <cstddef>
#include <memory>
#include <string>

namespace qvx {

// How a target path is read. The core writes paths the Windows way: away from Windows "\" is a
// separator too and a missing component is looked up without regard to letter case. A program
// that must create exactly the names it was given (a publisher's output, served by a web server
// that tells letter cases apart) passes its paths as they stand. On Windows both are the same.
enum class TPathForm { WindowsWay, AsItStands };

class TReplacementFile {
 public:
  // Refuses a target that is a folder or read-only (as replacing it would be refused at the
  // end), then creates the temporary file in the target's folder.
  explicit TReplacementFile(const std::string& target, TPathForm form = TPathForm::WindowsWay);
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // Appends bytes. A failure (a full disk) leaves the object to be destroyed.
  void Write(const char* data, size_t n);
  // Puts the bytes on the disk and the file in the target's place; a new target gets the
  // mode/attributes a new file gets, a replaced one keeps its own permissions.
  void Commit();
  // Puts the bytes on the disk and leaves them, complete, at stagedPath (a name beside the
  // target; an earlier file there is replaced) for a later switch of releases that moves them
  // in; the target is not touched. The file has the permissions Commit would give the target.
  // Afterwards the object owns no file: its destruction removes nothing.
  void Stage(const std::string& stagedPath);
  // The temporary file's path, for messages and tests.
  const std::string& TemporaryPath() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> FImpl;
};

// Whether a file name (without folder) is one that TReplacementFile gives its temporary
// files: "." + the target's name + "." + six letters or digits + ".qvxnew".
bool IsTemporaryFileName(const std::string& name);
// The temporary file name for a target name, with the six characters given.
std::string TemporaryFileName(const std::string& targetName, const std::string& unique);
// Deletes the files of folder (a path ending with its delimiter) whose names are temporary
// file names, leftovers of a run that was killed. Returns how many went; never raises.
size_t RemoveTemporaryLeftovers(const std::string& folder);

}  // namespace qvx
