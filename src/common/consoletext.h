#pragma once
// Text for the console a program was started from. A console program writes to its standard
// streams; the window program is a GUI-subsystem executable on Windows, which has no console of
// its own: it writes to the streams it was handed (a pipe, a file) or else attaches to its parent's
// console, and drops the text when there is neither.

#include <string_view>

namespace kvx {

enum class ConsoleStream { Output, Error };

// UTF-8 text, written whole and flushed.
void writeConsoleText(ConsoleStream stream, std::string_view utf8);

} // namespace kvx
