// Child processes on Windows: CreateProcessW with both output streams on pipes, each child
// detached from the console (the console's Ctrl+C reaches only the parent, which passes it
// on through the child's stop events), one reading thread per pipe feeding one queue, and
// the lines handed out on the waiting thread. The children live in a job that ends them when
// this process ends however it ends (Task Manager, a CI time-out): none keeps its COM port.
// Whatever a child starts inherits its pipe ends and is in the job too: once every child has
// ended, the job is ended, so such a grandchild cannot keep a stream open and the wait for
// the streams' ends waiting.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <thread>
#include <utility>
#include <vector>

#include "platform/child_processes.h"
#include "platform/mutex.h"
#include "platform/win32/stop_events.h"
#include "platform/win32/wide_text.h"

namespace platform {

namespace {

// One argument as the C runtime's command-line parser (CommandLineToArgvW) reads it back:
// quoted when it holds blanks or quotes, backslashes doubled before a quote.
std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring q = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    q.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    q.push_back(c);
  }
  q.append(backslashes * 2, L'\\');
  q.push_back(L'"');
  return q;
}

std::string system_message(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message;
  if (n > 0 && text) message = win32::wide_to_utf8(std::wstring_view(text, n)).value_or("");
  if (text) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
    message.pop_back();
  return message.empty() ? "system error " + std::to_string(code) : message;
}

void close_handle(HANDLE& h) {
  if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
  h = nullptr;
}

struct Child {
  HANDLE process = nullptr;
  HANDLE stop_events[2] = {nullptr, nullptr};  // interrupt, terminate
  HANDLE pipes[2] = {nullptr, nullptr};        // our ends of standard output and error
  bool ended = false;
  int status = 0;
};

// What a reading thread hands the waiting one: bytes of one stream, or its end (empty).
struct Chunk {
  size_t child;
  int stream;
  std::string bytes;
};

// A job whose children end when its last handle closes, i.e. when this process ends; null
// when the system will not make one.
HANDLE make_job() {
  HANDLE job = CreateJobObjectW(nullptr, nullptr);  // the handle is not inherited by the children
  if (!job) return nullptr;
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    CloseHandle(job);
    return nullptr;
  }
  return job;
}

// Starts the child suspended and puts it in `job` before it runs a single instruction (so
// whatever it starts is in the job too). Where this process is itself in a job that holds
// its children (Windows 7 has no nested jobs), the child leaves that job if it may; if it may
// not, it runs in the outer job alone, which then decides its end.
bool create_in_job(HANDLE job, const std::wstring& program, std::wstring& command_line, STARTUPINFOW& si,
                   PROCESS_INFORMATION& pi) {
  const DWORD flags = DETACHED_PROCESS | CREATE_SUSPENDED;
  auto create = [&](DWORD extra) {
    return CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, flags | extra, nullptr,
                          nullptr, &si, &pi) != 0;
  };
  if (!create(0)) return false;
  if (job && !AssignProcessToJobObject(job, pi.hProcess)) {
    PROCESS_INFORMATION away{};
    std::swap(away, pi);
    if (create(CREATE_BREAKAWAY_FROM_JOB) && AssignProcessToJobObject(job, pi.hProcess)) {
      TerminateProcess(away.hProcess, 1);
    } else {
      if (pi.hProcess) TerminateProcess(pi.hProcess, 1);
      if (pi.hProcess) CloseHandle(pi.hProcess);
      if (pi.hThread) CloseHandle(pi.hThread);
      pi = away;  // the first, in the outer job
      away = {};
    }
    if (away.hProcess) CloseHandle(away.hProcess);
    if (away.hThread) CloseHandle(away.hThread);
  }
  ResumeThread(pi.hThread);
  return true;
}

}  // namespace

struct ChildProcesses::State {
  Mutex mutex;  // guards children's handles and `ended` against stop() from another thread
  std::vector<Child> children;
  Mutex queue_mutex;
  std::condition_variable queue_ready;
  std::deque<Chunk> queue GUARDED_BY(queue_mutex);
  std::vector<std::thread> readers;
  size_t open_streams = 0;  // streams whose end wait_all has not yet seen
  unsigned serial = 0;  // makes each child's stop-event names unique
  HANDLE job = nullptr;  // made with the first child
};

ChildProcesses::ChildProcesses() : state_(std::make_unique<State>()) {}

ChildProcesses::~ChildProcesses() {
  // Ending a child closes its pipes' other ends, which ends the reading threads' reads; the
  // job first, which ends what the children started too (and holds the same pipe ends).
  if (state_->job) TerminateJobObject(state_->job, 1);
  for (Child& c : state_->children) {
    if (!c.ended && c.process) {
      TerminateProcess(c.process, 1);
      WaitForSingleObject(c.process, INFINITE);
    }
  }
  for (std::thread& t : state_->readers)
    if (t.joinable()) t.join();
  for (Child& c : state_->children) {
    close_handle(c.pipes[0]);
    close_handle(c.pipes[1]);
    close_handle(c.process);
    close_handle(c.stop_events[0]);
    close_handle(c.stop_events[1]);
  }
  close_handle(state_->job);
}

size_t ChildProcesses::size() const {
  MutexLock lock(state_->mutex);
  return state_->children.size();
}

bool ChildProcesses::start(const std::string& program, const std::vector<std::string>& args, std::string& error) {
  const std::optional<std::wstring> wide_program = win32::path_to_wide(program);
  if (!wide_program || wide_program->empty()) {
    error = "the program's path is not valid text";
    return false;
  }
  std::wstring command_line = quoted(*wide_program);
  for (const std::string& arg : args) {
    const std::optional<std::wstring> wide = win32::utf8_to_wide(arg);
    if (!wide) {
      error = "an argument is not valid UTF-8";
      return false;
    }
    command_line += L" " + quoted(*wide);
  }

  Child c;
  const std::wstring base = L"Local\\dtu-setup.stop." + std::to_wstring(GetCurrentProcessId()) + L"." +
                            std::to_wstring(++state_->serial) + L"." + std::to_wstring(GetTickCount());
  c.stop_events[0] = CreateEventW(nullptr, FALSE, FALSE, win32::interrupt_event_name(base).c_str());
  c.stop_events[1] = CreateEventW(nullptr, FALSE, FALSE, win32::terminate_event_name(base).c_str());
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE child_ends[2] = {nullptr, nullptr};
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0,
                             nullptr);
  bool ok = c.stop_events[0] && c.stop_events[1] && input != INVALID_HANDLE_VALUE;
  for (int s = 0; ok && s < 2; ++s) {
    ok = CreatePipe(&c.pipes[s], &child_ends[s], &inherit, 0) &&
         SetHandleInformation(c.pipes[s], HANDLE_FLAG_INHERIT, 0);
  }
  DWORD failure = ok ? ERROR_SUCCESS : GetLastError();
  if (ok) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = input;
    si.hStdOutput = child_ends[0];
    si.hStdError = child_ends[1];
    PROCESS_INFORMATION pi{};
    // Started one at a time from one thread: each child inherits only its own pipe ends.
    SetEnvironmentVariableW(win32::kStopEventVariable, base.c_str());
    if (!state_->job) state_->job = make_job();
    ok = create_in_job(state_->job, *wide_program, command_line, si, pi);
    failure = ok ? ERROR_SUCCESS : GetLastError();
    SetEnvironmentVariableW(win32::kStopEventVariable, nullptr);
    if (ok) {
      CloseHandle(pi.hThread);
      c.process = pi.hProcess;
    }
  }
  close_handle(input);
  close_handle(child_ends[0]);
  close_handle(child_ends[1]);
  if (!ok) {
    close_handle(c.pipes[0]);
    close_handle(c.pipes[1]);
    close_handle(c.stop_events[0]);
    close_handle(c.stop_events[1]);
    error = system_message(failure);
    return false;
  }
  MutexLock lock(state_->mutex);
  const size_t index = state_->children.size();
  State* state = state_.get();
  for (int s = 0; s < 2; ++s) {
    state_->readers.emplace_back([state, index, s, pipe = c.pipes[s]] {
      char buf[4096];
      for (;;) {
        DWORD n = 0;
        const bool read = ReadFile(pipe, buf, sizeof buf, &n, nullptr) && n > 0;
        MutexLock queue_lock(state->queue_mutex);
        state->queue.push_back({index, s, read ? std::string(buf, n) : std::string()});
        state->queue_ready.notify_one();
        if (!read) return;
      }
    });
  }
  state_->children.push_back(c);
  state_->open_streams += 2;
  return true;
}

void ChildProcesses::wait_all(const std::function<void(size_t, ChildStream, std::string_view)>& on_line) {
  State& st = *state_;
  const size_t count = st.children.size();
  std::vector<std::string> partial(count * 2);
  // Once every child has ended, what they started goes too: it may hold their streams open.
  std::thread job_ender;
  if (st.job && count > 0) {
    std::vector<HANDLE> processes;
    for (const Child& c : st.children) processes.push_back(c.process);
    job_ender = std::thread([processes, job = st.job] {
      for (HANDLE p : processes) WaitForSingleObject(p, INFINITE);
      TerminateJobObject(job, 1);
    });
  }
  while (st.open_streams > 0) {
    Chunk chunk;
    {
      MutexLock lock(st.queue_mutex);
      while (st.queue.empty()) lock.wait(st.queue_ready);
      chunk = std::move(st.queue.front());
      st.queue.pop_front();
    }
    const auto stream = chunk.stream == 0 ? ChildStream::Out : ChildStream::Error;
    std::string& text = partial[chunk.child * 2 + static_cast<size_t>(chunk.stream)];
    if (chunk.bytes.empty()) {  // the stream's end: a last line without its line break
      if (!text.empty()) on_line(chunk.child, stream, text);
      text.clear();
      --st.open_streams;
      continue;
    }
    text += chunk.bytes;
    size_t start = 0, nl;
    while ((nl = text.find('\n', start)) != std::string::npos) {
      // The C runtime's text-mode streams end their lines in CR LF.
      const size_t end = nl > start && text[nl - 1] == '\r' ? nl - 1 : nl;
      on_line(chunk.child, stream, std::string_view(text).substr(start, end - start));
      start = nl + 1;
    }
    text.erase(0, start);
  }
  for (std::thread& t : st.readers) t.join();
  st.readers.clear();
  if (job_ender.joinable()) job_ender.join();
  for (Child& c : st.children) {
    WaitForSingleObject(c.process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(c.process, &code);
    MutexLock lock(st.mutex);
    c.ended = true;
    // As on POSIX, 0-255: an exit with -1, or an exception's code, gives 255.
    c.status = code > 255 ? 255 : static_cast<int>(code);
  }
}

int ChildProcesses::exit_status(size_t child) const { return state_->children.at(child).status; }

void ChildProcesses::stop(size_t child, ChildStop how) {
  MutexLock lock(state_->mutex);
  if (child >= state_->children.size()) return;
  const Child& c = state_->children[child];
  if (!c.ended) SetEvent(c.stop_events[how == ChildStop::Interrupt ? 0 : 1]);
}

void ChildProcesses::stop_all(ChildStop how) {
  MutexLock lock(state_->mutex);
  for (const Child& c : state_->children)
    if (!c.ended) SetEvent(c.stop_events[how == ChildStop::Interrupt ? 0 : 1]);
}

}  // namespace platform
