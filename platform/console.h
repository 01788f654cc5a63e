// What a console program needs of its terminal: whole lines of text written in the
// terminal's encoding, and the user's (or the system's) request to stop the program.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class ConsoleStream { Out, Error };

// How text going to a file or a pipe is encoded (a console window shows Unicode whatever is
// chosen). System: as the system's console programs write it: on Windows in the console's
// output code page (what PowerShell and cmd read a program's redirected output in: 936 on a
// Chinese Windows), in UTF-8 for a process without a console; on POSIX in UTF-8. Utf8: UTF-8
// everywhere (for callers that read it so, and for a parent reading its children).
enum class ConsoleEncoding { System, Utf8 };
void set_console_encoding(ConsoleEncoding encoding);

// Writes UTF-8 text, converted to what the terminal shows or, redirected, to the encoding
// chosen above (on POSIX it is written as it stands). A character the encoding lacks is
// written as the system writes it ('?', or a look-alike). One call is written in one piece
// where the system allows, so the lines of several programs sharing a terminal do not run
// into each other.
void console_write(ConsoleStream stream, std::string_view utf8);

// True once a write to standard output failed (a full disk, a reader that went away): the
// program must not then end as if all went well. `why`: what the system said.
bool console_output_lost(std::string* why = nullptr);

// The program's arguments after its name, as UTF-8: on POSIX `argv` as it stands; on Windows
// the wide command line, so that names and values outside the ANSI code page arrive whole.
// Called first by a console program: it also makes a write to a reader that went away fail
// (and count as lost output) rather than end the program.
std::vector<std::string> console_arguments(int argc, char** argv);

// Calls `on_stop` on a thread of its own each time the program is asked to stop (Ctrl-C,
// or the system ending it), with the exit status such a stop conventionally gives (130,
// 143) and what asked ("SIGINT", "SIGTERM"). Call once, before any other thread starts.
void watch_stop_requests(std::function<void(int exit_status, const char* what)> on_stop);

}  // namespace platform
