// The timer unit: raises its Tick event every `Interval` milliseconds on the UI thread. A
// hidden child window of the form owns the platform timer and receives its expiries.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "forms/unit.h"
#include "runtime/window_router.h"

namespace units {

inline constexpr uint32_t kTimerId = 1000;
inline constexpr int32_t kEventTick = 0;

// The saved-settings block: version 1, then the interval. False when the block is rejected
// (a version above 1, or too short); the interval is then 0.
bool load_timer_block(std::span<const uint8_t> block, int32_t& interval);
std::vector<uint8_t> save_timer_block(int32_t interval);

class TimerUnit final : public forms::Unit, private rt::WindowReceiver {
 public:
  // Null when the saved-settings block is rejected or the window cannot be created.
  static std::unique_ptr<forms::Unit> create(const forms::CreateContext& context);
  ~TimerUnit() override;

  platform::Handle window() const override { return window_; }
  bool get_property(int own_index, forms::PropertyValue& out) override;
  bool set_property(int own_index, const forms::PropertyValue& value) override;
  std::vector<uint8_t> save_settings() const override { return save_timer_block(interval_); }

  void on_notify(platform::Notify what) override;
  void on_timer(uint32_t timer_id) override;

  int32_t interval() const { return interval_; }
  bool running() const { return running_; }

 private:
  TimerUnit(const forms::CreateContext& context, int32_t interval);
  void set_interval(int32_t value);

  platform::Handle window_ = 0;
  int32_t interval_ = 0;
  bool design_mode_ = false;
  bool running_ = false;  // a platform timer is set for the window
};

}  // namespace units
