// Test helper, not part of the product: a GUI-subsystem program, as kovexa is on Windows, that
// writes one line to each standard stream through writeConsoleText.

#include "common/consoletext.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    kvx::writeConsoleText(kvx::ConsoleStream::Output, "Usage: h\xc3\xa9ro \xe5\xad\x97\n");
    kvx::writeConsoleText(kvx::ConsoleStream::Error, "mistake\n");
    return 0;
}
