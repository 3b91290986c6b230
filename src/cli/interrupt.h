#pragma once
// Ctrl+C (and termination requests) for the console program: the request arrives on the event loop,
// so whatever is running is stopped by ordinary code, not inside a signal handler.

#include <functional>

class QObject;

namespace kvx {

// Calls onInterrupt on the thread of context's event loop whenever the user asks the program to
// stop. Installed once; lives as long as the program.
void installInterruptHandler(QObject *context, std::function<void()> onInterrupt);

// Tells a waiting handler that the stop has been carried out (Windows lets a console close wait
// for it); nothing elsewhere.
void interruptHandled();

} // namespace kvx
