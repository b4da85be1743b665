// The Windows process entry: the command line is ignored; the program's own start takes over.
#include "Form1.h"
#include "WindowsApi.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    pressavo::Start();
}
