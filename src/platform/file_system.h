#pragma once
// The file layer: whole-file reads and writes, existence, deletion and folders. Paths are the
// program's own ("C:\app\data\App.info"); away from Windows every "\" becomes "/" and a path
// that does not exist as written is looked up again component by component without regard to
// letter case, as Windows does.
// Failures raise EOSError whose message is the platform's own text for the error.
#include <string>

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

}  // namespace qvx
