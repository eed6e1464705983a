#pragma once
// Dialog templates and pictures as data: what each window holds, where, and
// how it looks, in dialog units. The Qt windows are built from these; the
// logic classes only know the ids of res/ids.h.
#include <cstdint>
#include <string>
#include <vector>

namespace ks::res {

enum class ControlKind {
    Static,
    Edit,
    Button,
    PictureButton,  // a push button showing a picture, sized to it
    ListBox,
    ComboBox,
    Radio,
    GroupBox,
    Frame,  // an empty framed area (the hole map)
    Icon,
};

// Control style flags.
enum ControlStyle : uint32_t {
    kCentre = 1u << 0,        // text centred
    kRight = 1u << 1,         // text right-aligned
    kSunken = 1u << 2,        // sunken edge
    kBorder = 1u << 3,        // plain border (edits)
    kMultiLine = 1u << 4,     // multi-line edit used for a single line
    kAutoHScroll = 1u << 5,
    kSorted = 1u << 6,        // combo / list items kept sorted
    kDefault = 1u << 7,       // the default push button
    kDisabled = 1u << 8,
    kDropDown = 1u << 9,      // combo with an edit field
    kBlackFrame = 1u << 10,
    kWordWrap = 1u << 11,     // static text wraps
    kGroupStart = 1u << 12,   // first radio of a group
};

// Window style flags.
enum WindowStyle : uint32_t {
    kCaption = 1u << 0,
    kSystemMenu = 1u << 1,
    kMinimiseBox = 1u << 2,
    kThinBorder = 1u << 3,  // one-pixel border, no caption
    kModalFrame = 1u << 4,
};

struct DlgRect {
    int x = 0, y = 0, width = 0, height = 0;
};

struct ControlTemplate {
    int id = 0;
    ControlKind kind = ControlKind::Static;
    std::string text;  // UTF-8
    DlgRect rect;      // dialog units
    uint32_t style = 0;
    std::vector<std::string> items;  // combo items, in resource order
    int bitmap = 0;                  // PictureButton: its picture at start-up
};

struct DialogTemplate {
    int id = 0;
    std::string caption;
    int width = 0, height = 0;  // dialog units
    std::string fontFace;
    int fontPoints = 0;
    uint32_t windowStyle = 0;
    // Pixels per dialog unit (the template font's base units, or the skin's
    // fit for the panels) and the client size in pixels.
    double unitX = 1.5, unitY = 1.5;
    int clientWidth = 0, clientHeight = 0;
    int backgroundBitmap = 0;      // picture laid from the top-left, 0: none
    int32_t backgroundRgb = -1;    // 0xRRGGBB solid fill, -1: platform default
    bool panel = false;            // placed by the panel skin over the main window
    bool aboutItem = false;        // window menu carries the about command (IDM_ABOUTBOX)
    bool reportItem = false;       // and the job report command (IDM_JOBREPORT) after it
    std::vector<ControlTemplate> controls;

    const ControlTemplate* Find(int controlId) const;
};

// Every template of the console: 100, 102, 103, 159, 160, 161, 162.
const std::vector<DialogTemplate>& Templates();
const DialogTemplate* FindTemplate(int templateId);

// Dialog units -> pixels for a template (rounded to the nearest pixel).
struct PixelRect {
    int x = 0, y = 0, width = 0, height = 0;
};
PixelRect ToPixels(const DialogTemplate& t, const DlgRect& r);

// Panel skin: where a panel lies over the main window and its size.
inline constexpr int kPanelOffsetX = 4;
inline constexpr int kPanelOffsetY = 52;
inline constexpr int kPanelWidth = 736;
inline constexpr int kPanelHeight = 620;
inline constexpr int32_t kPanelRgb = 0xACBACA;  // RGB(172,186,202)

// Name shown in message box titles.
inline constexpr const char* kAppName = "Kestrane";

// String table: the text of string resource `id` (UTF-8), empty when none.
std::string LoadString(int id);

// Pictures (bitmap resources). The pixels are drawn at run time; the data
// says what each shows.
enum class PictureTone {
    Command,     // a plain command button
    Launcher,    // opens a panel
    On,          // a switch or mode that is on
    Off,         // the same switch off
    Warning,     // abort / stop-type commands
    Background,  // window or panel backgrounds
};

struct PictureInfo {
    int id = 0;
    int width = 0, height = 0;
    std::string caption;  // text drawn on the picture (UTF-8)
    PictureTone tone = PictureTone::Command;
};
const std::vector<PictureInfo>& Pictures();
// The lines of the system notice (bitmap 210), in the operator's language;
// an empty line is a gap. What it tells the operator follows what the
// console does.
std::vector<std::string> SystemNoticeLines();
const PictureInfo* FindPicture(int bitmapId);

// Buttons whose picture follows a state: `onBitmap` while the state is on.
struct PictureSwap {
    int buttonId = 0;
    int onBitmap = 0;
    int offBitmap = 0;
    const char* meaning = "";
};
const std::vector<PictureSwap>& PictureSwaps();

}  // namespace ks::res
