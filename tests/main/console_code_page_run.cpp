// Runs a program the way PowerShell or cmd runs `$r = program ...` on a Windows whose console
// has the code page given (936 on a Chinese Windows): in a console of its own at that output
// code page, with the program's standard output and error going to files.
//   console_code_page_run CODE_PAGE OUT_FILE ERR_FILE PROGRAM [ARGS...]
// Exits with the program's exit status; 125 when it cannot run it.
#include <windows.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

// Arguments here are plain (no quotes, no trailing backslashes): quoted when they hold blanks.
std::wstring quoted(const std::wstring& arg) {
  return arg.find_first_of(L" \t") == std::wstring::npos && !arg.empty() ? arg : L"\"" + arg + L"\"";
}

HANDLE output_file(const wchar_t* path) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 5) return 125;
  const UINT code_page = static_cast<UINT>(std::wcstoul(argv[1], nullptr, 10));
  FreeConsole();
  if (!AllocConsole() || !SetConsoleOutputCP(code_page)) return 125;
  HANDLE out = output_file(argv[2]), err = output_file(argv[3]);
  if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) return 125;
  std::wstring command_line = quoted(argv[4]);
  for (int i = 5; i < argc; ++i) command_line += L" " + quoted(argv[i]);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = out;
  si.hStdError = err;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(argv[4], command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 125;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 125;
  GetExitCodeProcess(pi.hProcess, &code);
  return static_cast<int>(code);
}
