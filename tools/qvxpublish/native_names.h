#pragma once
// The seam between the file system's own names and the 8-bit text of the update list. Windows
// keeps names in UTF-16 and the list is in the system's ANSI code page; elsewhere names are
// UTF-8 bytes and the list is written in Windows-1252, the code page of the machines the updater
// runs on.
#include <filesystem>
#include <string>

namespace qvx {

// The 8-bit list form of one name as the file system holds it; false when the code page cannot
// hold it (or, outside Windows, when it is no valid UTF-8).
bool NameToListText(const std::filesystem::path& name, std::string& out);
// The 8-bit list form of a command-line argument (a pattern, an AppDate); false as above.
bool ArgumentToListText(const std::string& argument, std::string& out);
// The file system path for 8-bit text: a list name or a command-line argument.
std::filesystem::path PathFromText(const std::string& text);
// The 8-bit form of a full path that the core's file functions take; false when the code page
// cannot hold it.
bool CorePathText(const std::filesystem::path& path, std::string& out);
// List text as the publisher's terminal shows it.
std::string DisplayText(const std::string& listText);
// The name of the code page the list is written in, for messages.
std::string ListCodePageName();

}  // namespace qvx
