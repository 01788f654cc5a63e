# The main form of dtu-setup, read by tools/formgen at build time and turned into the
# embedded form template plus main_form_ids.h.
#
# Line kinds
#   form      key=value ...            the form record (form id, reserved values)
#   handlers  slot slot ...            handler slots, in code-base order (enum order in C++)
#   defaults  <Type> key=value ...     settings every unit of that type starts from
#   unit      | columns ... |          one unit record, in template order (created in reverse)
#
# Unit columns (separated by "|"):
#   ident      C++ name; the header gets kId<ident>
#   id         unit id
#   name       unit name ("" for the form's own record)
#   type       Window EditBox Label GroupBox Button ComboBox Timer SerialPort IPEditBox
#   container  ident of the containing group box, or "form"
#   geometry   left top width height (relative to the container)
#   flags      V visible, D disabled, T tab stop, - none (units without a window carry none)
#   order      tab order; tab stops come first (0..19), then the rest in template order
#   text       caption / content / title / address, or -
#   events     event:handler_slot ...  (created, clicked, changed, focus_gained, focus_lost,
#              tick, data_received), or -
#   options    key=value ...; lists are comma separated; texts are quoted
#
# Numeric options: colours are 0x00BBGGRR (0xFF000000 = button face); align 0 left,
# 1 centred, 2 right; valign 0 top, 1 centred, 2 bottom; scroll 0 none, 1 horizontal,
# 2 vertical, 3 both; input 3 = digits and "-" only; effect 2 = raised text;
# font = "face",height,weight,charset.

form id=0x52010001 reserved_a=0x01640A84 reserved_b=0x19010006

handlers form_created connect_clicked data_received rx_window_tick mode_poll_tick read_clicked write_clicked reset_clicked save_clicked check_device_id check_server_port check_work_baud check_heartbeat check_char_timeout check_ring1 check_ring2 check_sms1 check_sms2 check_link_baud

defaults Window    border=1 option_a=1 background=0xFF000000 max_box=1 min_box=1 control_box=1 start=1 movable=1 option_b=0 enter_moves_focus=0 esc_closes=1 f1_help=0 help_context=0 taskbar=1 drag=0 option_g=0 on_top=0 option_h=1 icon=generated
defaults EditBox   border=1 text_colour=0x000000 background=0xFFFFFF hide_selection=1 max_length=0 multiline=0 scroll=0 align=1 input=0 password="*" case=0 adjuster=0 adjuster_min=0 adjuster_max=100
defaults Label     effect=0 frame_width=8 border=0 frame_colours=0x808080,0xFFFFFF,0x808080 text_colour=0x000000 background=0xFF000000 picture_mode=1 gradient=0 gradient_colours=0x808080,0xFFFFFF,0x808080 align=0 valign=1 wrap=0
defaults GroupBox  style=0 text_colour=0x000000 background=0xFF000000
defaults Button    button_type=0 align=1 valign=1
defaults ComboBox  style=1 max_length=0 sorted=0 extra_height=1 text_colour=0x000000 background=0xFFFFFF sel=0

# ident                | id         | name                   | type       | container       | geometry          | flags | order | text                                              | events                          | options
unit | Form                 | 0x06010000 | ""                     | Window     | form            | 50 50 591 617     | V     | 0     | "GPRS/CDMA DTU 设置软件   Varnel通信科技有限公司 " | created:form_created            |
unit | LabelWebAddress      | 0x16010615 | "标签1"                | Label      | form            | 368 552 184 24    | V     | 20    | "www.dtu-setup.example"                           | -                               | effect=2 text_colour=0x0000FF font="微软雅黑",-14,400,134
unit | LabelRequired3       | 0x16010238 | "标签_必须填写3"       | Label      | GroupOther      | 270 70 16 24      | V     | 21    | "*"                                               | -                               |
unit | LabelRequired2       | 0x16010237 | "标签_必须填写2"       | Label      | GroupOther      | 270 47 16 24      | V     | 22    | "*"                                               | -                               |
unit | LabelRequired1       | 0x16010235 | "标签_必须填写1"       | Label      | GroupOther      | 270 22 16 24      | V     | 23    | "*"                                               | -                               |
unit | LabelRequired        | 0x16010234 | "标签_必须填写"        | Label      | GroupBasic      | 270 142 13 24     | V     | 24    | "*"                                               | -                               |
unit | IpEditServerIp       | 0x160100EF | "IP编辑框_服务器IP"    | IPEditBox  | GroupBasic      | 120 48 144 20     | VT    | 4     | "192.168.0.1"                                     | -                               |
unit | TimerModePoll        | 0x160100E9 | "时钟_状态轮询"        | Timer      | GroupSerial     | 200 16 26 26      | -     | 25    | -                                                 | tick:mode_poll_tick             |
unit | ComboWorkBaud        | 0x160100E2 | "组合框_工作波特率设置" | ComboBox   | GroupOther      | 119 24 144 20     | VT    | 9     | ""                                                | focus_lost:check_work_baud      | items="300","600","1200","2400","4800","9600","19200","38400","57600","115200" values=9600,19200,115200
unit | ComboApn             | 0x160100E1 | "组合框_GPRS接入点"    | ComboBox   | GroupBasic      | 119 120 145 20    | VT    | 7     | ""                                                | -                               | items="uniwap","cmwap","cmnet"
unit | ComboTransferMode    | 0x1601005E | "组合框_传输模式"      | ComboBox   | GroupBasic      | 119 144 145 20    | VT    | 8     | ""                                                | -                               | items="TCP","UDP"
unit | LabelCharTimeoutHint | 0x1601005D | "标签_字符时长提示"    | Label      | GroupOther      | 290 70 219 24     | V     | 26    | "（默认值：120；单位：ms）"                       | -                               |
unit | LabelHeartbeatHint   | 0x1601005C | "标签_心跳间隔提示"    | Label      | GroupOther      | 290 46 219 24     | V     | 27    | "（默认值：120；单位：s）"                        | -                               |
unit | LabelWorkBaudHint    | 0x1601005B | "标签_工作波特率提示"  | Label      | GroupOther      | 290 21 219 24     | V     | 28    | "（默认值：9600；单位：bps）"                     | -                               |
unit | LabelTransferModeHint| 0x1601005A | "标签_传输模式提示"    | Label      | GroupBasic      | 112 168 136 24    | V     | 29    | "（传输模式默认值：TCP）"                         | -                               |
unit | EditMonitor          | 0x16010055 | "编辑框_串口通信监测"  | EditBox    | GroupMonitor    | 7 15 512 80       | V     | 30    | ""                                                | -                               | multiline=1 scroll=2 align=0
unit | TimerRxWindow        | 0x16010052 | "时钟_串口接收超时"    | Timer      | GroupSerial     | 416 16 26 26      | -     | 31    | -                                                 | tick:rx_window_tick             |
unit | SerialPort           | 0x1601004C | "端口_串口"            | SerialPort | GroupSerial     | 128 8 26 26       | -     | 32    | -                                                 | data_received:data_received     |
unit | LabelStatusText      | 0x16010046 | "标签_通信状态显示"    | Label      | form            | 138 552 166 24    | V     | 33    | "未连接........"                                  | -                               |
unit | LabelStatus          | 0x16010045 | "标签_通信状态"        | Label      | form            | 25 552 80 24      | V     | 34    | "当前通信状态："                                  | -                               |
unit | ButtonReset          | 0x16010044 | "按钮_恢复出厂设置"    | Button     | GroupOperations | 120 115 100 50    | VT    | 19    | "恢复出厂设置"                                    | clicked:reset_clicked           |
unit | ButtonWrite          | 0x16010043 | "按钮_写入所有设置"    | Button     | GroupOperations | 8 115 100 50      | VT    | 18    | "写入所有设置"                                    | clicked:write_clicked           |
unit | ButtonSave           | 0x16010042 | "按钮_保存所有设置"    | Button     | GroupOperations | 120 36 100 50     | VT    | 17    | "保存所有设置"                                    | clicked:save_clicked            |
unit | ButtonRead           | 0x16010041 | "按钮_读出所有设置"    | Button     | GroupOperations | 8 36 100 50       | VT    | 16    | "读出所有设置"                                    | clicked:read_clicked            |
unit | LabelDeviceId        | 0x16010040 | "标签_设备ID"          | Label      | GroupBasic      | 58 24 48 24       | V     | 35    | "设备ID："                                        | -                               |
unit | ButtonConnect        | 0x1601003F | "按钮_连接设备"        | Button     | GroupSerial     | 440 8 80 32       | VT    | 2     | "连接设备"                                        | clicked:connect_clicked         |
unit | GroupOperations      | 0x1601003D | "分组框_操作面板"      | GroupBox   | form            | 323 72 232 200    | V     | 36    | "操作面板"                                        | -                               |
unit | ComboLinkBaud        | 0x1601003B | "组合框_波特率设置"    | ComboBox   | GroupSerial     | 310 16 120 20     | VT    | 1     | ""                                                | focus_lost:check_link_baud      | items="300","600","1200","2400","4800","9600","19200","38400","57600","115200" values=2400,4800,9600,19200,38400,57600,115200
unit | LabelLinkBaud        | 0x1601003C | "标签_波特率设置"      | Label      | GroupSerial     | 226 16 72 24      | V     | 37    | "波特率设置："                                    | -                               |
unit | LabelPort            | 0x16010035 | "标签_端口设置"        | Label      | GroupSerial     | 12 16 56 24       | V     | 38    | "端口设置："                                      | -                               |
unit | ComboPort            | 0x16010034 | "组合框_端口设置"      | ComboBox   | GroupSerial     | 83 16 120 20      | VT    | 0     | ""                                                | -                               | sel=1 items="COM1","COM2","COM3","COM4","COM5","COM6","COM7","COM8","COM9","COM10","COM11","COM12","COM13","COM14","COM15"
unit | LabelRing2           | 0x1601002F | "标签_振铃唤醒号码2"   | Label      | GroupOther      | 272 96 85 24      | V     | 39    | "振铃唤醒号码2："                                 | -                               |
unit | EditRing2            | 0x16010030 | "编辑框_振铃唤醒号码2" | EditBox    | GroupOther      | 374 96 144 20     | VT    | 13    | "13000000002"                                     | focus_lost:check_ring2          | input=3
unit | EditSms2             | 0x16010031 | "编辑框_短信控制号码2" | EditBox    | GroupOther      | 374 120 144 20    | VT    | 15    | "13000000002"                                     | focus_lost:check_sms2           | input=3
unit | LabelSms2            | 0x16010032 | "标签_短信控制号码2"   | Label      | GroupOther      | 272 120 83 24     | V     | 40    | "短信控制号码2："                                 | -                               |
unit | LabelWorkBaud        | 0x16010024 | "标签_工作波特率"      | Label      | GroupOther      | 24 23 83 24       | V     | 41    | "工作波特率UB："                                  | -                               |
unit | LabelHeartbeat       | 0x16010025 | "标签_心跳间隔"        | Label      | GroupOther      | 36 47 65 24       | V     | 42    | "心跳间隔HT："                                    | -                               |
unit | LabelCharTimeout     | 0x16010026 | "标签_字符超时时长"    | Label      | GroupOther      | 12 71 90 24       | V     | 43    | "字符超时时长OT："                                | -                               |
unit | LabelRing1           | 0x16010027 | "标签_振铃唤醒号码1"   | Label      | GroupOther      | 17 96 85 24       | V     | 44    | "振铃唤醒号码1："                                 | -                               |
unit | LabelSms1            | 0x16010028 | "标签_短信控制号码1"   | Label      | GroupOther      | 17 120 83 24      | V     | 45    | "短信控制号码1："                                 | -                               |
unit | EditSms1             | 0x1601002B | "编辑框_短信控制号码1" | EditBox    | GroupOther      | 119 120 144 20    | VT    | 14    | "13000000001"                                     | focus_lost:check_sms1           | input=3
unit | EditRing1            | 0x1601002C | "编辑框_振铃唤醒号码1" | EditBox    | GroupOther      | 119 96 144 20     | VT    | 12    | "13000000001"                                     | focus_lost:check_ring1          | input=3
unit | EditCharTimeout      | 0x1601002D | "编辑框_字符超时时长"  | EditBox    | GroupOther      | 119 72 144 20     | VT    | 11    | "120"                                             | focus_lost:check_char_timeout   | input=3
unit | EditHeartbeat        | 0x1601002E | "编辑框_心跳间隔"      | EditBox    | GroupOther      | 119 48 144 20     | VT    | 10    | "120"                                             | focus_lost:check_heartbeat      | input=3
unit | LabelApn             | 0x1601001B | "标签_GPRS接入点APN"   | Label      | GroupBasic      | 16 120 82 24      | V     | 46    | "GPRS接入点APN："                                 | -                               |
unit | LabelTransferMode    | 0x1601001C | "标签_传输模式TM"      | Label      | GroupBasic      | 34 144 64 24      | V     | 47    | "传输模式TM："                                    | -                               |
unit | EditServerPort       | 0x16010016 | "编辑框_服务器端口"    | EditBox    | GroupBasic      | 120 72 144 20     | VT    | 5     | "20"                                              | focus_lost:check_server_port    | input=3
unit | LabelServerPort      | 0x16010017 | "标签_服务器端口PORT"  | Label      | GroupBasic      | 10 72 90 24       | V     | 48    | "服务器端口PORT："                                | -                               |
unit | LabelDomain          | 0x16010018 | "标签_服务器域名"      | Label      | GroupBasic      | 34 96 66 24       | V     | 49    | "服务器域名："                                    | -                               |
unit | EditDomain           | 0x16010019 | "编辑框_服务器域名"    | EditBox    | GroupBasic      | 120 96 144 20     | VT    | 6     | "dtu.example.net"                                 | -                               |
unit | LabelServerIp        | 0x16010010 | "标签_服务器IP"        | Label      | GroupBasic      | 46 48 58 24       | V     | 50    | "服务器IP："                                      | -                               |
unit | EditDeviceId         | 0x1601000E | "编辑框_设备ID"        | EditBox    | GroupBasic      | 120 24 144 20     | VT    | 3     | "DT0001"                                          | focus_lost:check_device_id      |
unit | GroupMonitor         | 0x16010005 | "分组框_串口通信监测"  | GroupBox   | form            | 27 440 528 100    | V     | 51    | "串口通信监测"                                    | -                               |
unit | GroupOther           | 0x16010004 | "分组框_其他设置"      | GroupBox   | form            | 27 280 528 152    | V     | 52    | "其他设置"                                        | -                               |
unit | GroupBasic           | 0x16010003 | "分组框_基本设置"      | GroupBox   | form            | 27 72 288 200     | V     | 53    | "基本设置"                                        | -                               |
unit | GroupSerial          | 0x16010002 | "分组框_串口设置"      | GroupBox   | form            | 27 16 528 48      | V     | 54    | "串口设置"                                        | -                               |
