// The timer and serial port units have no visible control: each owns a hidden window of the
// form, where its timer ticks and its worker's notifications arrive.
#pragma once

#include "forms/unit.h"
#include "platform/backend.h"

namespace units {

// The unit's hidden window, placed as the template says; 0 when it cannot be created.
inline platform::Handle create_hidden_window(const forms::CreateContext& context) {
  platform::CreateParams params;
  params.kind = platform::WidgetKind::Hidden;
  params.parent = context.parent;
  params.geometry = context.geometry;
  return platform::backend().create(params);
}

}  // namespace units
