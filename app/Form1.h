// Form1: the program's only window class. Its load handler is the whole of a run.
#pragma once

#include "Program.h"

namespace pressavo {

class Form1 {
public:
    // Creates the window hidden; it is never shown.
    Form1();

    // Makes the queue "Pressavo" the user's default printer, tells every top-level window,
    // and ends the program from here: status 0 when the profile took the entry, 1 when not.
    [[noreturn]] void Form_Load();

private:
    platform::HiddenWindow window_;
};

// Process entry: creates Form1 and runs its load handler, which ends the program.
[[noreturn]] void Start();

}  // namespace pressavo
