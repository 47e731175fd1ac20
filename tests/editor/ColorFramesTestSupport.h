#pragma once
// An editor over a mono or stereo plug-in object whose page holds the colour
// frames a test builds, and a skin drawn here with every place those frames
// read from it: backgrounds, the swatch columns of the colour maps, the
// picker's palette, the mono and third-octave patches, the panel-colour pixel.
// With QUARVIX_SNAPSHOT_DIR set, Snapshot() writes the window there as a PNG.

#include "editor/QVXColorMaps.h"
#include "gui/EditorTestSupport.h"
#include "gui/OGWorld.h"
#include "gui/PngImage.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "resources/ResourceTable.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace ColorFramesTest
{

using CVLCanvas::ColorSpec;

constexpr ColorSpec Rgb(std::uint32_t rgb)
{
    return FromPixel(rgb);
}

// Where each frame's background starts in the test skin.
inline constexpr Point kLegendSource{20, 400};
inline constexpr Point kSelectorSource{400, 20};
inline constexpr std::int32_t kSelectorWidth = 64;
inline constexpr std::int32_t kSelectorHeight = 270;
inline constexpr Point kPanelSource{300, 320};
inline constexpr std::int32_t kPanelWidth = 224;
inline constexpr std::int32_t kPanelHeight = 80;

inline constexpr ColorSpec kSkinPanel = Rgb(0x1f2226);
inline constexpr ColorSpec kSkinFace = Rgb(0x2a2e34);
inline constexpr ColorSpec kSkinBorder = Rgb(0x3a3f47);
inline constexpr ColorSpec kSkinText = Rgb(0xc9ced6);
// The colour at (546, 328): close to the panel, but its own, so that a cover
// painted with any other colour shows.
inline constexpr ColorSpec kSkinCoverColor = Rgb(0x24282d);
inline constexpr ColorSpec kMonoPatchColor = Rgb(0x262a30);
inline constexpr ColorSpec kThirdOctavePatchColor = Rgb(0x2c3036);

// The palette of the picker: red across, green down, every pixel its own.
inline ColorSpec PaletteColor(std::int32_t x, std::int32_t y)
{
    const auto r = static_cast<std::uint16_t>(x * 3);
    return {r, static_cast<std::uint16_t>(y * 3), static_cast<std::uint16_t>(255 - r)};
}

inline void Label(OGWorld& skin, Point at, const char* text)
{
    skin.SetTextFace(1, kSkinText);
    skin.MoveTo(at);
    skin.DrawString(text);
}

inline std::unique_ptr<OGWorld> MakeTestSkin()
{
    auto skin = std::make_unique<OGWorld>(Rect{0, 0, 700, 470});
    OGWorld& s = *skin;
    s.SetForeColor(kSkinPanel);
    s.PaintRect({0, 0, 700, 470});

    // Colour-map selector: two columns of sixteen 7-pixel swatches, each a
    // map from quiet (left) to loud (right).
    const Point sel = kSelectorSource;
    for (const Rect column : {Rect{6, 6, 56, 118}, Rect{6, 136, 56, 248}})
        for (int map = 0; map < kColorMapCount; ++map)
            for (std::int32_t x = column.left; x < column.right; ++x)
            {
                const int row = kColorMapRowCount - 1 -
                                (x - column.left) * (kColorMapRowCount - 1) / (column.Width() - 1);
                s.SetForeColor(ColorMapColors(map)[static_cast<std::size_t>(row)]);
                const std::int32_t top = column.top + 7 * map;
                s.PaintRect({sel.x + x, sel.y + top, sel.x + x + 1, sel.y + top + 7});
            }
    Label(s, {sel.x + 7, sel.y + 131}, "R");
    s.SetForeColor(kSkinCoverColor);
    s.PaintRect({546, 328, 547, 329});

    // Legend: a face with scale marks every 10 dB under the strips.
    const Point leg = kLegendSource;
    s.SetForeColor(kSkinFace);
    s.PaintRect({leg.x, leg.y, leg.x + 278, leg.y + 40});
    s.SetForeColor(kSkinBorder);
    s.FrameRect({leg.x, leg.y, leg.x + 278, leg.y + 40});
    s.SetForeColor(kSkinText);
    for (int db = 0; db <= 100; db += 10)
    {
        s.MoveTo({leg.x + 238 - 2 * db, leg.y + 21});
        s.LineTo({leg.x + 238 - 2 * db, leg.y + 23});
    }
    Label(s, {leg.x + 38, leg.y + 33}, "-100");
    Label(s, {leg.x + 246, leg.y + 33}, "dB");

    // Curve colour panel: row labels, column heads, the picker's palette.
    const Point pan = kPanelSource;
    s.SetForeColor(kSkinFace);
    s.PaintRect({pan.x, pan.y, pan.x + kPanelWidth, pan.y + kPanelHeight});
    const char* rows[] = {"Live", "Peak", "Avg", "M1", "M2", "M3"};
    const char* side[] = {"BG", "Grid", "Text", "Info"};
    for (int row = 0; row < 6; ++row)
    {
        Label(s, {pan.x + 3, pan.y + 20 + 11 * row}, rows[row]);
        if (row < 4)
            Label(s, {pan.x + 77, pan.y + 20 + 11 * row}, side[row]);
    }
    Label(s, {pan.x + 28, pan.y + 9}, "L");
    Label(s, {pan.x + 39, pan.y + 9}, "R");
    Label(s, {pan.x + 49, pan.y + 9}, "M");
    const Rect palette{pan.x + 132, pan.y + 6, pan.x + 218, pan.y + 74};
    for (std::int32_t y = palette.top; y < palette.bottom; ++y)
        for (std::int32_t x = palette.left; x < palette.right; ++x)
        {
            s.SetForeColor(PaletteColor(x - palette.left, y - palette.top));
            s.PaintRect({x, y, x + 1, y + 1});
        }

    // The patches: a plain face where the second channel's swatches were,
    // and the third-octave view's name for the average row.
    s.SetForeColor(kMonoPatchColor);
    s.PaintRect({666, 372, 687, 404});
    s.SetForeColor(kThirdOctavePatchColor);
    s.PaintRect({663, 452, 689, 462});
    Label(s, {666, 460}, "Avg3");
    return skin;
}

class ColorFrameFixture : public ::testing::Test
{
protected:
    // Opens a width x height editor on an instance with `channels` inputs and
    // outputs, the page filled in grey and holding what build adds.
    void Open(std::int32_t channels, std::int32_t width, std::int32_t height,
              std::function<void(EditorTest::SolidFrame& page)> build)
    {
        mPlugin =
            std::make_unique<EditorTest::TestPlugin>(mPlatform, ChannelConfig{channels, channels});
        mPlugin->build = [=, this](PluginUIRoot& root)
        {
            auto* page = new EditorTest::SolidFrame(root.GetMasterFrame(), {0, 0, width, height},
                                                    EditorTest::kGrey);
            build(*page);
            return page;
        };
        mEditor = std::make_unique<OffscreenEditor>(*mPlugin, width, height);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        mEditor->Paint();
    }

    QVXSpecConfig& Config() const { return *FindSpecConfig(mPlugin.get()); }
    ColorSpec Pixel(std::int32_t x, std::int32_t y) const { return mEditor->GetPixel({x, y}); }
    ColorSpec SkinPixel(std::int32_t x, std::int32_t y) const
    {
        ColorSpec color;
        return mSkin->GetPixel({x, y}, color), color;
    }

    void Snapshot(const std::string& name) const
    {
        const char* folder = std::getenv("QUARVIX_SNAPSHOT_DIR");
        std::string error;
        EXPECT_TRUE(
            !folder ||
            mEditor->SavePng((std::filesystem::path(folder) / (name + ".png")).string(), &error))
            << error;
    }

    FakeClock mClock;
    RecordingPlatform mPlatform;
    std::unique_ptr<OGWorld> mSkin = MakeTestSkin();
    std::unique_ptr<EditorTest::TestPlugin> mPlugin;
    std::unique_ptr<OffscreenEditor> mEditor;
};

// Picture 5901 as the module embeds it, read without the code under test.
inline PixelBuffer ColorMapPicture()
{
    PixelBuffer picture;
    std::string error;
    EXPECT_TRUE(PngImage::DecodeResource(Resources::kColorMapPicture, picture, &error)) << error;
    return picture;
}

} // namespace ColorFramesTest
