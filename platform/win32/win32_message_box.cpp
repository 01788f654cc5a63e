// The modal message box: MessageBoxW with no owner, task-modal (every window of the tool is
// disabled while it is open), the buttons, icon and default button the style asks for; its
// answers are the button ids the application knows. The box's own loop keeps dispatching
// the queue's wake-ups and the timers (they go to the hidden message window), and afterwards
// the form's frame is made active again.
#include "platform/win32/win32_backend_state.h"
#include "platform/win32/win32_window_backend.h"

namespace platform::win32 {

int Win32WindowBackend::message_box(std::string_view text_gbk, std::string_view caption_gbk, uint32_t style) {
  const std::wstring text = widen(text_gbk), caption = widen(caption_gbk);
  UINT flags = (style & (MB_TYPEMASK | MB_ICONMASK | MB_DEFMASK)) | MB_SETFOREGROUND;
  flags |= (style & kMbSystemModal) ? MB_SYSTEMMODAL : MB_TASKMODAL;
  int answer;
  {
    struct OpenBox {  // counted even when a handler run inside the box ends the program
      int& count;
      explicit OpenBox(int& c) : count(c) { ++count; }
      ~OpenBox() { --count; }
    } open(state_->message_boxes_open);
    answer = MessageBoxW(nullptr, text.c_str(), caption.c_str(), flags);
  }
  state_->reactivate_frame();
  return answer;
}

}  // namespace platform::win32
