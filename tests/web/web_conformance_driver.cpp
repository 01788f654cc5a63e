// The page's side of the conformance suite: input as the browser delivers it to the page's
// controls (key presses, typed characters as input events, a list item clicked), each then
// dispatched by the program as its loop would, and waiting on the page's own clock.
#include <emscripten.h>

#include "platform/web/web_backend.h"
#include "platform/web/web_text.h"
#include "tests/platform/conformance_driver.h"

namespace conformance {
namespace {

EM_JS(void, web_test_key, (platform::Handle h, const char* key, int shift), {
  const c = Module.dtu.controls;
  const r = c.windows.get(h);
  const target = (r && c.focusTarget(r)) || document.activeElement || document.body;
  const init = { key: UTF8ToString(key), shiftKey: shift !== 0, bubbles: true, cancelable: true };
  target.dispatchEvent(new KeyboardEvent('keydown', init));
  target.dispatchEvent(new KeyboardEvent('keyup', init));
});

EM_JS(void, web_test_type, (platform::Handle h, const char* text), {
  const c = Module.dtu.controls;
  const r = c.windows.get(h);
  const target = r && (r.field || (r.combo && r.combo.input));
  if (!target) return;
  for (const ch of UTF8ToString(text)) {
    target.dispatchEvent(new InputEvent('beforeinput', { inputType: 'insertText', data: ch, bubbles: true, cancelable: true }));
  }
});

// Through the open list: the item clicked.
EM_JS(void, web_test_choose, (platform::Handle h, int index), {
  const r = Module.dtu.controls.windows.get(h);
  if (!r || !r.combo) return;
  r.combo.openList();
  const item = r.combo.list && r.combo.list.children[index];
  if (item) item.dispatchEvent(new MouseEvent('click', { bubbles: true }));
});

const char* key_name(platform::Key key) {
  switch (key) {
    case platform::Key::Tab: return "Tab";
    case platform::Key::Enter: return "Enter";
    case platform::Key::Escape: return "Escape";
    case platform::Key::F1: return "F1";
    case platform::Key::Other: return "Shift";
  }
  return "Shift";
}

class WebDriver final : public Driver {
 public:
  platform::Backend& backend() override { return backend_; }
  void press_key(platform::Handle focus, platform::Key key, bool shift) override {
    web_test_key(focus, key_name(key), shift);
    backend_.process_pending();
  }
  void type_text(platform::Handle window, const std::string& gbk) override {
    web_test_type(window, platform::web::to_utf8(gbk).c_str());
    backend_.process_pending();
  }
  void choose_item(platform::Handle combo, int index) override {
    web_test_choose(combo, index);
    backend_.process_pending();
  }
  bool caret_in_view(platform::Handle edit) override { return backend_.caret_in_view(edit); }

 private:
  platform::web::WebBackend backend_;
};

}  // namespace

std::unique_ptr<Driver> make_windowed_driver() { return std::make_unique<WebDriver>(); }
const char* const kWindowedDriverName = "Web";

}  // namespace conformance
