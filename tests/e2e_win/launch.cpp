// Starts a program as a shortcut does, with a show state in its start-up information, waits for it
// and passes on its exit code. Usage: launch.exe SHOW_STATE PROGRAM
#include <windows.h>

#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return 2;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(std::wcstol(argv[1], nullptr, 10));
    std::wstring command = L"\"" + std::wstring(argv[2]) + L"\"";
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(argv[2], command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 3;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 3;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}
