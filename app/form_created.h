// What the tool does once the main form and all its units exist.
#pragma once

namespace app {

void on_form_created();

}  // namespace app
