// EditBox: a single- or multi-line text field with typing filters by input mode and the
// focus-lost normalisation of the numeric and date modes.
#pragma once

#include <cstddef>
#include <memory>
#include <string_view>

#include "forms/log_bound.h"
#include "forms/window_unit.h"

namespace forms {

class EditBox final : public WindowUnit {
 public:
  static std::unique_ptr<Unit> create(const CreateContext& context);

  bool get_property(int own_index, PropertyValue& out) override;
  bool set_property(int own_index, const PropertyValue& value) override;
  bool claims_key(platform::KeyPress key) const override;
  void on_notify(platform::Notify what) override;
  bool on_char(uint32_t ch) override;

  // Adds text at the end, as the traffic monitor does: caret to the end, scrolled into
  // view, the text inserted there; raises one content-changed event. An appended-to box is a
  // log that may run for a whole shift, so it keeps only its most recent text (LogBound):
  // past kLogLimit bytes the oldest whole lines go, down to kLogTrimTo, and trimming stays
  // rare. Costs in proportion to the appended and dropped text, never to the text kept.
  void append(std::string_view gbk);
  static constexpr size_t kLogLimit = size_t{1} << 20;
  static constexpr size_t kLogTrimTo = kLogLimit - kLogLimit / 8;
  // Sets the content and raises exactly one content-changed event, changed or not.
  void set_content(std::string_view gbk);

 private:
  EditBox(const CreateContext& context, EditBoxData data) : WindowUnit(context), d_(std::move(data)) {}
  void normalise_on_focus_lost();

  EditBoxData d_;
  bool ignore_change_ = false;
  bool appending_ = false;  // the changes reported now are the append's own
  LogBound log_{kLogLimit, kLogTrimTo};
};

}  // namespace forms
