#include "platform/win32/serial_error.h"

#include <windows.h>

namespace platform::win32 {

SerialError map_serial_error(uint32_t win32_error) {
  switch (win32_error) {
    case ERROR_SUCCESS:
      return SerialError::None;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST:
      return SerialError::NotFound;
    // A COM port's driver refuses a second opener with "access denied".
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY:
    case ERROR_ALREADY_EXISTS:
      return SerialError::Busy;
    case ERROR_PRIVILEGE_NOT_HELD:
      return SerialError::Permission;
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return SerialError::Unsupported;
    // What a USB adapter pulled out mid-session answers.
    case ERROR_GEN_FAILURE:
    case ERROR_BAD_COMMAND:
    case ERROR_NOT_READY:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_BROKEN_PIPE:
    case ERROR_HANDLE_EOF:
    case ERROR_INVALID_HANDLE:
      return SerialError::Gone;
    default:
      return SerialError::Io;
  }
}

}  // namespace platform::win32
