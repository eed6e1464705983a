#include "platform/open_document.h"

#include "platform/windows_h.h"
#include <shellapi.h>

namespace ks {

// Paths are bytes of the ANSI code page here, as for every other file call
// of the Windows build. ShellExecute answers above 32 when it started the
// associated program.
bool OpenWithDesktop(const std::string& path) {
    const HINSTANCE result = ::ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

}  // namespace ks
