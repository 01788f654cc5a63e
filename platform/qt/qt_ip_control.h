// The IP address control: four small number fields 0-255 separated by dots inside one
// sunken box. Blank when every field is empty.
#pragma once

#include <QFrame>
#include <array>
#include <cstdint>
#include <functional>

class QLineEdit;
class QLabel;

namespace platform::qt {

class IpAddressWidget final : public QFrame {
 public:
  explicit IpAddressWidget(QWidget* parent);

  void set_address(const uint8_t parts[4]);
  void clear_address();
  bool blank() const;
  // Empty fields read as 0; a field holding more than 255 reads as 255.
  void address(uint8_t parts[4]) const;
  QLineEdit* field(int index) const { return fields_[static_cast<size_t>(index)]; }

  // Called after every edit the user makes.
  std::function<void()> on_edited;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  int index_of(QObject* field) const;
  void clamp_field(int index);
  void move_to(int index, bool caret_at_end);
  void lay_out();

  std::array<QLineEdit*, 4> fields_{};
  std::array<QLabel*, 3> dots_{};
};

}  // namespace platform::qt
