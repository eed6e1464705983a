// What the Win32 windows make of the logic's bytes: operator texts are
// UTF-8, paths come in the ANSI code page, and a text may hold both (a
// title with a path); the open-file dialog's filter in Windows' own form.
#include <gtest/gtest.h>

#include <iterator>

#include "ui/win32/pickers.h"
#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {
namespace {

TEST(Win32Text, Utf8StaysWholeAroundBytesOfTheCodePage) {
    EXPECT_EQ(Wide("加工文件:plate.NC"), L"加工文件:plate.NC");
    EXPECT_EQ(Utf8(L"通信中断"), "通信中断");
    // "工" in GBK is no UTF-8: it is read in the code page, and the UTF-8
    // on either side of it comes through unharmed.
    const std::string path = "\xB9\xA4";
    const std::wstring inCodePage = Wide(path);
    ASSERT_FALSE(inCodePage.empty());
    EXPECT_EQ(Wide("加工:" + path + "\\件"), L"加工:" + inCodePage + L"\\件");
    // What the operator types goes back as the code page's bytes where it can.
    EXPECT_EQ(TypedBytes(L"C:\\jobs\\plate00.NC"), "C:\\jobs\\plate00.NC");
    if (::GetACP() != CP_UTF8) {
        EXPECT_EQ(TypedBytes(inCodePage), path);
    }
}

TEST(Win32Text, OpenFileFilterInWindowsForm) {
    const wchar_t expected[] = L"加工文件(*.dxf)\0*.dxf\0所有文件(*.*)\0*.*\0";  // and the final NUL
    EXPECT_EQ(OpenFileFilter("加工文件(*.dxf)|*.dxf|所有文件(*.*)|*.*||"), std::wstring(expected, std::size(expected)));
    EXPECT_EQ(OpenFileFilter(""), std::wstring(1, L'\0'));
}

}  // namespace
}  // namespace ks::ui::win32
