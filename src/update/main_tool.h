#pragma once
// The running main tool, seen through its top-level window of class TfrmCat (any title).
namespace qvx {

// Posts the close request to the tool's window and returns true; false when there is none.
bool CloseToolWindow();
// True while the tool's window exists.
bool IsToolRunning();

}  // namespace qvx
