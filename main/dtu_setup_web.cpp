// The tool in the browser: the page's backend. The program's life is the page's: it ends
// when its form is closed (Esc, the close box), and the page says so.
#include "main/tool.h"
#include "platform/backend.h"
#include "platform/web/web_backend.h"

int main() {
  platform::web::WebBackend backend;
  platform::set_backend(&backend);
  const int code = tool::run();
  backend.ended(code);
  return code;
}
