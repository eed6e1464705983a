#pragma once
// Why a serial port would not open, in the few classes a technician can act
// on. Drivers report errno values (the Win32 driver translates its error
// codes into the same values), so one mapping serves every platform.
#include <string>

namespace ks {

enum class PortOpenError {
    None,              // opened, or never tried
    NoDevice,          // nothing at that name: adapter unplugged, wrong port
    PermissionDenied,  // the user may not open the device
    Busy,              // another program (or another port object) holds it
    NotASerialPort,    // the name exists but is no terminal device
    Other,
};

// 0 gives None; any code without a class of its own gives Other.
PortOpenError ClassifyOpenErrno(int err);

// Short reason with what to do about it, marked for the catalogues (context
// "link"), e.g. "permission denied (add the user to the dialout group and
// log in again)" in English. Empty for None and Other, where the system's
// own text is all there is to say.
const char* PortOpenErrorText(PortOpenError error);

// What follows "cannot open <port> at <framing>" in a message: the reason
// in the operator's language and the system's text, e.g. "no such device [system: No such file or
// directory]". Empty when there is nothing to add (no reason and no code).
std::string DescribePortOpenError(PortOpenError error, int err);

}  // namespace ks
