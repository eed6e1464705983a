#include "res/picture_art.h"

#include "platform/texts.h"
#include "res/ids.h"
#include "res/templates.h"

namespace ks::res {

namespace {

constexpr const char* kArtFace = "微软雅黑";
constexpr Rgba kWhite{255, 255, 255};
constexpr Rgba kBlack{0, 0, 0};
constexpr Rgba kPanelGround{172, 186, 202};

struct Palette {
    Rgba top, bottom, edge, text;
};

// Clearly different families: blue launchers, slate commands, red warnings,
// green/amber "on" switches and dark grey "off" switches.
Palette PaletteFor(PictureTone tone, int id) {
    switch (tone) {
        case PictureTone::Launcher: return {{74, 128, 190}, {33, 78, 138}, {16, 40, 78}, kWhite};
        case PictureTone::Warning: return {{214, 74, 58}, {150, 32, 24}, {84, 14, 10}, kWhite};
        case PictureTone::On:
            if (id == IDB_LOCKED) return {{255, 196, 64}, {214, 140, 10}, {110, 70, 0}, kBlack};
            return {{110, 236, 130}, {40, 172, 72}, {10, 80, 30}, kBlack};
        case PictureTone::Off: return {{84, 88, 96}, {44, 46, 52}, {20, 22, 26}, {200, 204, 210}};
        case PictureTone::Command:
        case PictureTone::Background: break;
    }
    if (id == IDB_START) return {{58, 170, 110}, {24, 112, 66}, {8, 60, 32}, kWhite};
    return {{96, 112, 130}, {52, 64, 80}, {22, 28, 38}, kWhite};
}

// The word under the caption of a switch picture.
std::string StateWord(int id, PictureTone tone) {
    if (id == IDB_LOCKED) return Tr("pictures", KS_TEXT("pictures", "已锁"));
    if (id == IDB_UNLOCKED) return Tr("pictures", KS_TEXT("pictures", "未锁"));
    if (tone == PictureTone::On) return Tr("pictures", KS_TEXT("pictures", "开"));
    if (tone == PictureTone::Off) return Tr("pictures", KS_TEXT("pictures", "关"));
    return {};
}

ArtStep Shape(ArtShape shape, BoxF box) {
    ArtStep s;
    s.shape = shape;
    s.box = box;
    return s;
}

ArtStep Filled(ArtShape shape, BoxF box, Rgba colour) {
    ArtStep s = Shape(shape, box);
    s.fill = ArtFill::Solid;
    s.from = colour;
    return s;
}

ArtStep Text(BoxF box, std::string text, int pixelSize, bool bold, Rgba colour, TextAlign align = TextAlign::Centre,
             bool shrinkToFit = false) {
    ArtStep s = Shape(ArtShape::Text, box);
    s.text = std::move(text);
    s.face = kArtFace;
    s.pixelSize = pixelSize;
    s.bold = bold;
    s.pen = colour;
    s.align = align;
    s.shrinkToFit = shrinkToFit;
    return s;
}

ArtStep Card(BoxF box, Rgba fill) {
    ArtStep s = Filled(ArtShape::RoundedRect, box, fill);
    s.radius = 6;
    s.pen = {80, 96, 118};
    s.penWidth = 1;
    return s;
}

PictureArt ButtonArt(const PictureInfo& info) {
    PictureArt art{info.width, info.height, {}, {}};
    const Palette pal = PaletteFor(info.tone, info.id);
    const BoxF body{0.5, 0.5, info.width - 1.0, info.height - 1.0};
    const double radius = info.height / 5.0;

    ArtStep plate = Shape(ArtShape::RoundedRect, body);
    plate.radius = radius;
    plate.fill = ArtFill::Vertical;
    plate.from = pal.top;
    plate.to = pal.bottom;
    art.steps.push_back(plate);
    // A thin highlight along the top gives the raised panel look.
    ArtStep highlight = Shape(ArtShape::Line, {body.x + radius, body.y + 1.5, body.width - 2 * radius, 0});
    highlight.pen = {255, 255, 255, 90};
    highlight.penWidth = 1;
    art.steps.push_back(highlight);
    ArtStep edge = Shape(ArtShape::RoundedRect, body);
    edge.radius = radius;
    edge.pen = pal.edge;
    edge.penWidth = 1;
    art.steps.push_back(edge);

    const std::string state = StateWord(info.id, info.tone);
    if (state.empty()) {
        art.steps.push_back(Text({body.x + 4, body.y, body.width - 8, body.height}, info.caption,
                                 info.height >= 45 ? 18 : 15, true, pal.text, TextAlign::Centre, true));
        return art;
    }

    // Switches: a lamp on the left, the caption and the state word beside it.
    const double lamp = info.height * 0.36;
    const BoxF lampBox{6, (info.height - lamp) / 2.0, lamp, lamp};
    const bool on = info.tone == PictureTone::On;
    ArtStep bulb = Shape(ArtShape::Ellipse, lampBox);
    bulb.fill = ArtFill::Radial;
    // The glow fades from the middle to half way between its two colours at
    // the rim (the picture's light reaches twice the lamp's radius).
    bulb.from = on ? Rgba{255, 255, 230} : Rgba{70, 70, 70};
    bulb.to = on ? Rgba{252, 248, 155} : Rgba{50, 50, 50};
    bulb.pen = on ? Rgba{90, 80, 0} : Rgba{10, 10, 10};
    bulb.penWidth = 1;
    art.steps.push_back(bulb);

    const double textLeft = lampBox.x + lampBox.width + 3;
    const BoxF textBox{textLeft, 1, info.width - textLeft - 3, info.height - 2.0};
    if (info.height >= 35) {
        const double split = textBox.width * 0.66;
        art.steps.push_back(Text({textBox.x, textBox.y, split, textBox.height}, info.caption, 16, true, pal.text,
                                 TextAlign::Centre, true));
        art.steps.push_back(Text({textBox.x + split, textBox.y, textBox.width - split, textBox.height}, state, 15,
                                 true, pal.text, TextAlign::Centre, true));
    } else {
        const double split = textBox.height * 0.58;
        art.steps.push_back(Text({textBox.x, textBox.y, textBox.width, split}, info.caption, 13, true, pal.text,
                                 TextAlign::Centre, true));
        // Readable at a glance: "Off" as plainly as "关".
        art.steps.push_back(Text({textBox.x, textBox.y + split - 1, textBox.width, textBox.height - split + 1}, state,
                                 12, true, pal.text, TextAlign::Centre, true));
    }
    return art;
}

PictureArt BackgroundArt(int width, int height) {
    PictureArt art{width, height, {20, 26, 36}, {}};
    ArtStep sky = Shape(ArtShape::Rect, {0, 0, double(width), double(height)});
    sky.fill = ArtFill::Vertical;
    sky.from = {36, 46, 60};
    sky.to = {20, 26, 36};
    art.steps.push_back(sky);

    // Header band behind the status bar, with an accent line.
    art.steps.push_back(Filled(ArtShape::Rect, {0, 0, double(width), 28}, {24, 32, 44}));
    art.steps.push_back(Filled(ArtShape::Rect, {0, 28, double(width), 2}, {64, 140, 210}));

    // Well around the hole map and the right-hand column.
    art.steps.push_back(Card({1.5, 31.5, 739, 618}, {14, 18, 26}));
    art.steps.push_back(Card({745.5, 31.5, 272, 147}, {40, 52, 68}));   // coordinates
    art.steps.push_back(Card({745.5, 182.5, 272, 234}, {40, 52, 68}));  // hole list
    art.steps.push_back(Card({745.5, 419.5, 272, 232}, {40, 52, 68}));  // run buttons

    // Footer band behind the main buttons.
    art.steps.push_back(Filled(ArtShape::Rect, {0, 652, double(width), height - 652.0}, {26, 34, 46}));
    art.steps.push_back(Filled(ArtShape::Rect, {0, 652, double(width), 1}, {64, 140, 210}));
    return art;
}

// Outlined rows for the file processing panel, named at their top left; no
// fill of their own, so that the labels' panel-coloured brush blends in.
PictureArt FilePanelArt(int width, int height) {
    PictureArt art{width, height, kPanelGround, {}};
    const DialogTemplate* t = FindTemplate(IDD_FILE_PROCESS);
    const int rows[][2] = {{17, 50}, {74, 107}, {126, 161}, {247, 281}};
    const char* names[] = {KS_TEXT("pictures", "图纸"), KS_TEXT("pictures", "孔径"), KS_TEXT("pictures", "输出"),
                           KS_TEXT("pictures", "加工")};
    constexpr Rgba kInk{40, 56, 80};
    for (int i = 0; i < 4; ++i) {
        const PixelRect px = ToPixels(*t, {8, rows[i][0], 406, rows[i][1] - rows[i][0]});
        ArtStep outline = Shape(ArtShape::RoundedRect, {px.x + 0.5, px.y + 0.5, double(px.width), double(px.height)});
        outline.radius = 6;
        outline.pen = {112, 126, 146};
        outline.penWidth = 1;
        art.steps.push_back(outline);
        const BoxF label{px.x + 12.0, px.y - 7.0, 36, 14};
        art.steps.push_back(Filled(ArtShape::Rect, label, kPanelGround));
        art.steps.push_back(Text(label, Tr("pictures", names[i]), 12, true, kInk));
    }
    const PixelRect hint = ToPixels(*t, {20, 290, 300, 20});
    art.steps.push_back(Text({double(hint.x), double(hint.y), double(hint.width), double(hint.height)},
                             Tr("pictures", KS_TEXT("pictures", "选好输出文件夹即开始转换；退出时保存全部设置。")), 13,
                             false, kInk, TextAlign::Left));
    return art;
}

PictureArt NoticeArt(int width, int height) {
    PictureArt art{width, height, kPanelGround, {}};
    art.steps.push_back(Text({20, 6, width - 40.0, 30}, Tr("pictures", KS_TEXT("pictures", "关于系统")), 20, true,
                             {24, 36, 54}, TextAlign::Left));
    art.steps.push_back(Filled(ArtShape::Rect, {20, 36, width - 40.0, 2}, {90, 110, 136}));
    double y = 60;
    for (const std::string& line : SystemNoticeLines()) {
        if (line.empty()) {
            y += 14;
            continue;
        }
        art.steps.push_back(Text({36, y, width - 72.0, 26}, line, 16, false, {20, 28, 40},
                                 TextAlign::Left, true));
        y += 30;
    }
    return art;
}

}  // namespace

PictureArt ArtOf(int bitmapId) {
    const PictureInfo* info = FindPicture(bitmapId);
    if (info == nullptr) return {};
    switch (bitmapId) {
        case IDB_BACKGROUND: return BackgroundArt(info->width, info->height);
        case IDB_FILE_PANEL: return FilePanelArt(info->width, info->height);
        case IDB_SYSTEM_NOTICE: return NoticeArt(info->width, info->height);
        default: return ButtonArt(*info);
    }
}

PictureArt IconArt(int size) {
    PictureArt art{size, size, {}, {}};
    const double s = size;
    ArtStep plate = Filled(ArtShape::RoundedRect, {s * 0.06, s * 0.06, s * 0.88, s * 0.88}, {33, 78, 138});
    plate.radius = s * 0.16;
    art.steps.push_back(plate);
    const double r = s * 0.07;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            art.steps.push_back(Filled(ArtShape::Ellipse, {s * (0.28 + 0.22 * i) - r, s * (0.28 + 0.22 * j) - r, 2 * r, 2 * r},
                                       {255, 220, 60}));
    return art;
}

}  // namespace ks::res
