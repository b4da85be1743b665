// The program's start: the platform's process entry calls it, the application defines it.
#pragma once

namespace pressavo {

// Runs the whole program once and ends the process from inside; it never returns. The process
// entry calls it with the process already made safe to run (see the back end's entry).
[[noreturn]] void Start();

}  // namespace pressavo
