#include "ui/win32/pickers.h"

#include <commdlg.h>
#include <shlobj.h>

#include "platform/texts.h"
#include "res/templates.h"
#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {

namespace {

// For the ...A calls: as it is, or, when the code page lacks one of its
// characters, its short form.
std::string PathBytes(const std::wstring& path) {
    std::string bytes = AnsiPath(path);
    if (!bytes.empty() || path.empty()) return bytes;
    wchar_t shortPath[MAX_PATH] = {};
    if (::GetShortPathNameW(path.c_str(), shortPath, MAX_PATH) > 0) bytes = AnsiPath(shortPath);
    return bytes;
}

// The folder picker opens at the current folder, as the Qt one does.
int CALLBACK StartAtCurrentFolder(HWND picker, UINT msg, LPARAM, LPARAM) {
    if (msg == BFFM_INITIALIZED) {
        wchar_t here[MAX_PATH] = {};
        if (::GetCurrentDirectoryW(MAX_PATH, here) > 0) ::SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(here));
    }
    return 0;
}

}  // namespace

void ShowMessage(HWND owner, const std::string& text) {
    ::MessageBoxW(owner, Wide(text).c_str(), Wide(res::kAppName).c_str(), MB_OK);
}

void ShowWarning(HWND owner, const std::string& title, const std::string& text) {
    ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), MB_OK | MB_ICONWARNING);
}

std::wstring OpenFileFilter(const std::string& filter) {
    std::wstring out;
    size_t start = 0;
    int field = 0;
    std::wstring label;
    while (start <= filter.size()) {
        size_t end = filter.find('|', start);
        if (end == std::string::npos) end = filter.size();
        const std::wstring part = Wide(filter.substr(start, end - start));
        start = end + 1;
        if (field++ % 2 == 0) {
            if (part.empty()) break;  // the "||" that ends the list
            label = part;
        } else if (!part.empty()) {
            out += label;
            out += L'\0';
            out += part;
            out += L'\0';
        }
    }
    out += L'\0';
    return out;
}

bool ChooseOpenFile(HWND owner, const OpenFileRequest& request, OpenFileResult* result) {
    const std::wstring filter = OpenFileFilter(request.filter);
    const std::wstring folder = Wide(request.startFolder);
    const std::wstring title = Wide(Tr("window", KS_TEXT("window", "打开")));
    wchar_t path[4096] = {};
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter.size() > 1 ? filter.c_str() : nullptr;
    ofn.lpstrFile = path;
    ofn.nMaxFile = 4096;
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&ofn)) return false;
    const std::string bytes = PathBytes(path);
    if (bytes.empty()) return false;
    if (result != nullptr) {
        result->path = bytes;
        const size_t slash = bytes.find_last_of("\\/");
        result->name = slash == std::string::npos ? bytes : bytes.substr(slash + 1);
    }
    return true;
}

bool ChooseFolder(HWND owner, const std::string& title, std::string* folder) {
    const std::wstring caption = Wide(title);
    BROWSEINFOW info{};
    info.hwndOwner = owner;
    info.lpszTitle = caption.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    info.lpfn = &StartAtCurrentFolder;
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&info);
    if (chosen == nullptr) return false;
    wchar_t path[MAX_PATH] = {};
    const bool ok = ::SHGetPathFromIDListW(chosen, path) != FALSE;
    ::CoTaskMemFree(chosen);
    const std::string bytes = ok ? PathBytes(path) : std::string();
    if (bytes.empty()) return false;
    if (folder != nullptr) *folder = bytes;
    return true;
}

}  // namespace ks::ui::win32
