// Writing all thirteen settings to the DTU, one acknowledged command at a time.
#pragma once

namespace app {

void on_write_clicked();

}  // namespace app
