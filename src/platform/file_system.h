#pragma once
// The file layer: whole-file reads and writes, existence, deletion, folders, and what the
// process was started as. Paths are the program's own ("C:\app\data\App.info"); away from
// Windows every "\" becomes "/" and a path that does not exist as written is looked up again
// component by component without regard to letter case, as Windows does.
// Failures raise EOSError whose message is the platform's own text for the error.
#include <string>
#include <vector>

namespace qvx {

// True when path names an existing file (not a folder). No wildcards.
bool FileExists(const std::string& path);
// True when path names an existing folder.
bool FolderExists(const std::string& path);

// All bytes of an existing file, opened for reading while other writers are denied.
std::string ReadWholeFile(const std::string& path);
// Replaces the file with exactly these bytes. The bytes go to a temporary file in the target's
// folder first, which then replaces the target, so a failure leaves the old file as it was and
// no partly written file is ever seen under the target's name.
void WriteWholeFile(const std::string& path, const std::string& bytes);
// Deletes a file.
void DeleteFileAt(const std::string& path);
// Creates one folder; an existing folder is not an error.
void CreateFolder(const std::string& path);

// The full path of the running executable.
std::string ExecutablePath();
// The launch arguments: the words of the command line after the program's own path.
std::vector<std::string> LaunchArguments();

// Replace what ExecutablePath and LaunchArguments report. The POSIX entry passes argv here; tests
// use them to stage a launch. An empty path restores the platform's answer.
void SetExecutablePath(const std::string& path);
void SetLaunchArguments(const std::vector<std::string>& arguments);
// Forgets SetLaunchArguments, so the platform's own command line counts again.
void ResetLaunchArguments();

}  // namespace qvx
