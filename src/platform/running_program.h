#pragma once
// What the system does with the file of a running program. Windows holds it while the program
// runs: it can be renamed, but neither deleted nor written over until the program ends. POSIX
// systems let the name go at once; the running program keeps its own copy.
namespace qvx {

#ifdef _WIN32
constexpr bool kRunningProgramFileHeld = true;
#else
constexpr bool kRunningProgramFileHeld = false;
#endif

}  // namespace qvx
