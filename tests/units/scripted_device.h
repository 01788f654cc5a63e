// A serial device driven step by step by a test: it holds received bytes back until the
// test raises an event, counts purges and waits, and lets the test choose write results.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/serial.h"

namespace units::test {

class ScriptedDevice final : public platform::SerialDevice {
 public:
  // ---- the test's side (UI thread)
  // Bytes reach the driver's queue without waking the worker.
  void put_bytes(const std::string& bytes) {
    std::lock_guard l(mu_);
    rx_.insert(rx_.end(), bytes.begin(), bytes.end());
  }
  void raise(uint32_t events) {
    std::lock_guard l(mu_);
    events_ |= events;
    cv_.notify_all();
  }
  // Waits (real time, bounded) until the worker has taken everything and sits in
  // wait_event again: what it found is queued by then.
  bool wait_parked() {
    std::unique_lock l(mu_);
    return cv_.wait_for(l, std::chrono::seconds(5), [this] { return parked_ && events_ == 0 && !woken_; });
  }
  void set_write_result(platform::WriteResult r, bool use_actual_size) {
    std::lock_guard l(mu_);
    write_result_ = r;
    whole_write_ = use_actual_size;
  }
  int purges() const { std::lock_guard l(mu_); return purges_; }
  std::vector<std::string> writes() const { std::lock_guard l(mu_); return writes_; }
  size_t unread() const { std::lock_guard l(mu_); return rx_.size(); }

  // ---- the device
  // What configure answers from now on.
  void refuse_settings(platform::SerialError error) {
    std::lock_guard l(mu_);
    configure_result_ = error;
  }

  platform::SerialError configure(const platform::LineSettings&) override {
    std::lock_guard l(mu_);
    return configure_result_;
  }
  void purge() override {
    std::lock_guard l(mu_);
    rx_.clear();
    ++purges_;
  }
  uint32_t wait_event() override {
    std::unique_lock l(mu_);
    parked_ = true;
    cv_.notify_all();
    cv_.wait(l, [this] { return events_ != 0 || woken_; });
    parked_ = false;
    if (woken_) {
      woken_ = false;
      return 0;
    }
    const uint32_t e = events_;
    events_ = 0;
    return e;
  }
  void wake() override {
    std::lock_guard l(mu_);
    woken_ = true;
    cv_.notify_all();
  }
  platform::ErrorStatus clear_errors() override {
    std::lock_guard l(mu_);
    platform::ErrorStatus s;
    s.queued = rx_.size();
    return s;
  }
  bool read_byte(uint8_t& b) override {
    std::lock_guard l(mu_);
    if (rx_.empty()) return false;
    b = static_cast<uint8_t>(rx_.front());
    rx_.pop_front();
    return true;
  }
  platform::ModemStatus modem_status() override { return {}; }
  platform::WriteResult write(const uint8_t* data, size_t size) override {
    std::lock_guard l(mu_);
    writes_.emplace_back(reinterpret_cast<const char*>(data), size);
    platform::WriteResult r = write_result_;
    if (whole_write_) r.written = size;
    return r;
  }

 private:
  mutable std::mutex mu_;
  std::condition_variable cv_;
  std::deque<char> rx_;
  uint32_t events_ = 0;
  bool woken_ = false, parked_ = false;
  int purges_ = 0;
  std::vector<std::string> writes_;
  platform::WriteResult write_result_{true, 0};
  bool whole_write_ = true;
  platform::SerialError configure_result_ = platform::SerialError::None;
};

}  // namespace units::test
