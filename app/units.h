// The main form's units that the tool's logic drives: their ids, data types and the
// property indices it uses.
#pragma once

#include <cstdint>

namespace app {

inline constexpr uint32_t kMainForm = 0x52010001;

struct UnitId {
  uint32_t id;
  uint32_t type;  // the unit's data type, carried in unit references
};

namespace type {
inline constexpr uint32_t kWindow = 0x00010001, kEditBox = 0x00010005, kLabel = 0x0001000A,
                          kButton = 0x0001000B, kComboBox = 0x0001000E, kTimer = 0x00010020,
                          kSerialPort = 0x00010027, kIpEditBox = 0x00030007;
}

namespace unit {
inline constexpr UnitId kForm{0x06010000, type::kWindow};
// Link
inline constexpr UnitId kPortBox{0x16010034, type::kComboBox};        // 组合框_端口设置
inline constexpr UnitId kLinkBaudBox{0x1601003B, type::kComboBox};    // 组合框_波特率设置
inline constexpr UnitId kConnectButton{0x1601003F, type::kButton};    // 按钮_连接设备
inline constexpr UnitId kSerialPort{0x1601004C, type::kSerialPort};   // 端口_串口
inline constexpr UnitId kRxWindowTimer{0x16010052, type::kTimer};     // 时钟_串口接收超时
inline constexpr UnitId kModePollTimer{0x160100E9, type::kTimer};     // 时钟_状态轮询
inline constexpr UnitId kMonitor{0x16010055, type::kEditBox};         // 编辑框_串口通信监测
inline constexpr UnitId kStatusLine{0x16010046, type::kLabel};        // 标签_通信状态显示
// Operation buttons
inline constexpr UnitId kReadButton{0x16010041, type::kButton};       // 按钮_读出所有设置
inline constexpr UnitId kSaveButton{0x16010042, type::kButton};       // 按钮_保存所有设置
inline constexpr UnitId kWriteButton{0x16010043, type::kButton};      // 按钮_写入所有设置
inline constexpr UnitId kResetButton{0x16010044, type::kButton};      // 按钮_恢复出厂设置
// The thirteen settings
inline constexpr UnitId kDeviceId{0x1601000E, type::kEditBox};        // 编辑框_设备ID
inline constexpr UnitId kServerIp{0x160100EF, type::kIpEditBox};      // IP编辑框_服务器IP
inline constexpr UnitId kServerPort{0x16010016, type::kEditBox};      // 编辑框_服务器端口
inline constexpr UnitId kDomain{0x16010019, type::kEditBox};          // 编辑框_服务器域名
inline constexpr UnitId kApn{0x160100E1, type::kComboBox};            // 组合框_GPRS接入点
inline constexpr UnitId kTransferMode{0x1601005E, type::kComboBox};   // 组合框_传输模式
inline constexpr UnitId kWorkBaud{0x160100E2, type::kComboBox};       // 组合框_工作波特率设置
inline constexpr UnitId kHeartbeat{0x1601002E, type::kEditBox};       // 编辑框_心跳间隔
inline constexpr UnitId kCharTimeout{0x1601002D, type::kEditBox};     // 编辑框_字符超时时长
inline constexpr UnitId kRing1{0x1601002C, type::kEditBox};           // 编辑框_振铃唤醒号码1
inline constexpr UnitId kRing2{0x16010030, type::kEditBox};           // 编辑框_振铃唤醒号码2
inline constexpr UnitId kSms1{0x1601002B, type::kEditBox};            // 编辑框_短信控制号码1
inline constexpr UnitId kSms2{0x16010031, type::kEditBox};            // 编辑框_短信控制号码2
}  // namespace unit

namespace prop {
inline constexpr int kDisabled = 6;
inline constexpr int kEditContent = 8, kLabelCaption = 8, kButtonCaption = 10, kComboContent = 9,
                     kComboSelection = 19, kIpAddress = 9, kTimerInterval = 8;
inline constexpr int kPortNumber = 8, kBaudRate = 9, kDataBits = 10, kStopBits = 11, kParity = 16;
}  // namespace prop

// The property holding a setting unit's value: content, or the IP box's address.
inline constexpr int value_property(UnitId u) {
  return u.type == type::kIpEditBox ? prop::kIpAddress
         : u.type == type::kComboBox ? prop::kComboContent
                                     : prop::kEditContent;
}

}  // namespace app
