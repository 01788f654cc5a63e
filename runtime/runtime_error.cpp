// The runtime error: a fatal fault shown in the error box, after which the program ends with
// -1 without running its end-of-program routine.
#include <cstring>
#include <string>

#include "platform/backend.h"
#include "runtime/core_services.h"
#include "runtime/runtime_app.h"
#include "runtime/runtime_state.h"
#include "runtime/runtime_texts.h"

namespace rt {
namespace {

const uint32_t kCodeMessages[] = {texts::kCode1, texts::kCode2, texts::kCode3, texts::kCode4,
                                  texts::kCode5, texts::kCode6, texts::kCode7, texts::kCode8,
                                  texts::kCode9, texts::kCode10, texts::kCode11};

std::string compose(std::string_view message, int code) {
  std::string box(text(texts::kErrorHeader));
  if (code != 0) {
    box += text(texts::kErrorCodeLabel);
    box += std::to_string(code);
    box += "\r\n\r\n";
  }
  if (!message.empty()) {
    box += text(texts::kErrorMessageLabel);
    box += message;
    box += "\r\n";
  }
  return box;
}

// Shows the box on the calling (UI) thread and ends the program. The end-of-program routine
// is forgotten before the box: the box keeps dispatching, and an exit request arriving
// meanwhile must not run it either.
[[noreturn]] void show_and_exit(const std::string& box) {
  forget_end_routine();
  platform::backend().message_box(box, text(texts::kErrorCaption), platform::kMbIconError);
  exit_program(-1);
}

}  // namespace

void runtime_error(std::string_view message_gbk, int code) {
  raise_suppression();
  std::string box = compose(message_gbk, code);
  platform::Handle helper = helper_window();
  if (!on_ui_thread() && helper != 0) {
    // Window system calls belong to the UI thread: hand the box over and wait for the end.
    char* owned = new_text(box);
    platform::backend().post(helper, kRuntimeErrorMessage, 0, reinterpret_cast<intptr_t>(owned));
    detail::wait_for_process_end(-1);
  }
  show_and_exit(box);
}

void raise_runtime_error(int code) {
  std::string_view message;
  if (code >= 1 && code <= 11) message = text(kCodeMessages[code - 1]);
  runtime_error(message, code);
}

// Runs on the UI thread when a worker's runtime error arrives at the helper window.
void detail::show_forwarded_runtime_error(char* owned_box) {
  std::string box(text_view(owned_box));
  free(owned_box);
  show_and_exit(box);
}

}  // namespace rt
