cmake_minimum_required(VERSION 3.25)  # policies of today: GLOB_RECURSE does not follow symbolic links
# Checks that every Windows program in BUILD_DIR (or those in PROGRAMS, comma-separated) runs
# on Windows 7 to 11 as it stands: it imports only DLLs that come with Windows (the C++
# runtime, libgcc and winpthread are linked in, so a program copied alone to a PC runs), and
# none of the functions below, which Windows 7 lacks: a program importing one would not even
# start there. The code looks those up at run time (GetProcAddress) and does without them.
set(windows_dlls kernel32 user32 gdi32 advapi32 shell32 ole32 oleaut32 comctl32 comdlg32 msvcrt ws2_32 winmm
    imm32 uxtheme shlwapi version ntdll bcrypt)
set(newer_than_windows_7
    # DPI (Windows 8.1, 10)
    GetDpiForWindow GetDpiForSystem GetDpiForMonitor GetSystemDpiForProcess SetProcessDpiAwareness
    SetProcessDpiAwarenessContext SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext
    GetWindowDpiAwarenessContext AdjustWindowRectExForDpi GetSystemMetricsForDpi SystemParametersInfoForDpi
    EnableNonClientDpiScaling
    # threads, time and synchronisation (Windows 8, 10)
    SetThreadDescription GetThreadDescription GetSystemTimePreciseAsFileTime WaitOnAddress WakeByAddressSingle
    WakeByAddressAll InitializeSynchronizationBarrier EnterSynchronizationBarrier GetCurrentThreadStackLimits
    SetCoalescableTimer
    # files and I/O (Windows 8)
    CreateFile2 GetOverlappedResultEx
    # loading (Windows 8; Windows 7 only with an update)
    SetDefaultDllDirectories AddDllDirectory RemoveDllDirectory
    # processes and memory (Windows 8, 8.1)
    SetProcessMitigationPolicy GetProcessMitigationPolicy PrefetchVirtualMemory DiscardVirtualMemory
    OfferVirtualMemory GetFirmwareType)
if(PROGRAMS)
  string(REPLACE "," ";" programs "${PROGRAMS}")
else()
  file(GLOB_RECURSE programs ${BUILD_DIR}/*.exe)
  list(FILTER programs EXCLUDE REGEX "/wine-prefix/|/CMakeFiles/|/import-probe/")
endif()
if(NOT programs)
  message(FATAL_ERROR "no Windows program found in ${BUILD_DIR}")
endif()
set(failures "")
foreach(program ${programs})
  file(RELATIVE_PATH rel ${BUILD_DIR} ${program})
  execute_process(COMMAND ${OBJDUMP} -p ${program} OUTPUT_VARIABLE dump RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(APPEND failures "${rel}: objdump failed")
    continue()
  endif()
  string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${dump}")
  foreach(line ${imports})
    string(REGEX REPLACE "DLL Name: ([^.]+)\\.[dD][lL][lL].*" "\\1" dll "${line}")
    string(TOLOWER "${dll}" dll)
    if(NOT dll IN_LIST windows_dlls AND NOT dll MATCHES "^api-ms-win-")
      list(APPEND failures "${rel} imports ${dll}.dll")
    endif()
  endforeach()
  # The import table's lines: "<address> <hint> <name>", under their DLL's name.
  string(REGEX MATCHALL "\n\t[0-9a-fA-F]+[ \t]+[0-9]+[ \t]+[A-Za-z_][A-Za-z0-9_@]*" functions "${dump}")
  foreach(line ${functions})
    string(REGEX REPLACE ".*[ \t]([A-Za-z_][A-Za-z0-9_@]*)$" "\\1" function "${line}")
    if(function IN_LIST newer_than_windows_7)
      list(APPEND failures "${rel} imports ${function}, which Windows 7 lacks")
    endif()
  endforeach()
endforeach()
if(failures)
  list(REMOVE_DUPLICATES failures)
  list(JOIN failures "\n" text)
  message(FATAL_ERROR "Programs that would not start on every Windows from 7 to 11:\n${text}")
endif()
list(LENGTH programs count)
message(STATUS "${count} programs import only Windows' own DLLs and only what Windows 7 has")
