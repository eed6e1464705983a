// The pictures' one description, which both window layers paint: every
// picture has its size, its caption and, for switches, the state word; the
// two pictures of a switch differ in their fill.
#include "res/picture_art.h"

#include <gtest/gtest.h>

#include "res/ids.h"
#include "res/templates.h"

namespace ks::res {
namespace {

bool DrawsText(const PictureArt& art, const std::string& text) {
    for (const ArtStep& s : art.steps)
        if (s.shape == ArtShape::Text && s.text == text) return true;
    return false;
}

TEST(PictureArt, EveryPictureHasItsSizeAndCaption) {
    for (const PictureInfo& info : Pictures()) {
        const PictureArt art = ArtOf(info.id);
        EXPECT_EQ(art.width, info.width) << info.id;
        EXPECT_EQ(art.height, info.height) << info.id;
        if (info.tone != PictureTone::Background) {
            EXPECT_TRUE(DrawsText(art, info.caption)) << info.id;
        }
    }
    EXPECT_TRUE(DrawsText(ArtOf(IDB_LOCKED), "已锁"));
    EXPECT_TRUE(DrawsText(ArtOf(IDB_PUMP_OFF), "关"));
    EXPECT_EQ(ArtOf(9999).width, 0);
    EXPECT_EQ(IconArt(32).width, 32);
}

TEST(PictureArt, TheTwoPicturesOfASwitchDifferInTheirPlate) {
    for (const PictureSwap& swap : PictureSwaps()) {
        const ArtStep on = ArtOf(swap.onBitmap).steps.at(0);
        const ArtStep off = ArtOf(swap.offBitmap).steps.at(0);
        EXPECT_FALSE(on.from == off.from && on.to == off.to) << swap.meaning;
    }
}

}  // namespace
}  // namespace ks::res
