#pragma once
// The two questions asked before anything is written: an earlier
// installation with the same name, and a running IDE.

namespace setupkit {

// True: go on. False: the user chose to stop.
bool CheckPreviousVersion();
bool CheckRunningIde();

} // namespace setupkit
