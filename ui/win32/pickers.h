#pragma once
// The system's own dialogs the logic asks for: the message boxes, the
// open-file dialog and the folder picker. Internal to ui/win32.
#include "ui/win32/windows_h.h"

#include <string>

#include "ui/dialog_view.h"

namespace ks::ui::win32 {

void ShowMessage(HWND owner, const std::string& text);
// Titled, with the warning sign: something asked for was not done.
void ShowWarning(HWND owner, const std::string& title, const std::string& text);

// The filter "label|pattern|...||" in the form GetOpenFileName takes
// ("label\0pattern\0...\0\0"); patterns match without regard to case there.
std::wstring OpenFileFilter(const std::string& filter);

// Paths come back as bytes of the ANSI code page, for the ...A calls of the
// layers below (a name that page cannot hold as its short 8.3 form).
bool ChooseOpenFile(HWND owner, const OpenFileRequest& request, OpenFileResult* result);
bool ChooseFolder(HWND owner, const std::string& title, std::string* folder);

}  // namespace ks::ui::win32
