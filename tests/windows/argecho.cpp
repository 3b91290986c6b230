// Test helper, not part of the product: writes its current directory and then every argument as
// the C runtime's wide command-line splitting handed them to wmain, each as UTF-8 followed by a
// NUL byte, so that a test sees exactly what a child started by the process runner receives.

#include <windows.h>

#include <string>

namespace {

std::string toUtf8(const wchar_t *text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return std::string();
    std::string bytes(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    return bytes;
}

void writeField(HANDLE out, const std::string &field)
{
    DWORD written = 0;
    WriteFile(out, field.data(), static_cast<DWORD>(field.size()), &written, nullptr);
    WriteFile(out, "", 1, &written, nullptr);
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    wchar_t directory[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, directory);
    writeField(out, length ? toUtf8(directory) : std::string());
    for (int i = 0; i < argc; ++i)
        writeField(out, toUtf8(argv[i]));
    return argc;
}
