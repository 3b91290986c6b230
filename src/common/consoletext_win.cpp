#include "common/consoletext.h"

#include "common/textcodec.h"

#include <windows.h>

namespace kvx {
namespace {

bool usable(HANDLE handle)
{
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The handle a GUI-subsystem program was handed, or its parent's console once attached.
HANDLE streamHandle(ConsoleStream stream)
{
    const DWORD which = stream == ConsoleStream::Output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE;
    if (HANDLE handed = GetStdHandle(which); usable(handed))
        return handed;
    static const bool attached = AttachConsole(ATTACH_PARENT_PROCESS) != 0;
    if (!attached)
        return nullptr;
    static const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                              nullptr, OPEN_EXISTING, 0, nullptr);
    return usable(console) ? console : nullptr;
}

} // namespace

void writeConsoleText(ConsoleStream stream, std::string_view utf8)
{
    const HANDLE handle = streamHandle(stream);
    if (!handle)
        return;
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(handle, &mode)) {
        // A console shows UTF-16 text whatever its code page.
        const std::u16string text = utf8ToUtf16Lenient(utf8);
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

} // namespace kvx
