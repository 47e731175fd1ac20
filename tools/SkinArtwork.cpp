// Draws the pictures of src/resources/pictures/ that the framework itself
// uses, with the editor's own raster, and writes them as PNG files:
//   8000, 8001  the in-editor message box (260 x 100): information, and
//               warnings and errors; dark studio palette, an icon at the left
//               of a header strip that the message text stays clear of
//   9900, 9901  small test pictures whose pixels src/resources/ResourceTable.h
//               documents
// Run by hand after changing a picture; the build embeds the files it finds.
//
//   quarvix-skin-artwork [OUTPUT_DIR]   (default: the source tree's pictures folder)

#include "gui/OGWorld.h"
#include "gui/PngImage.h"
#include "resources/ResourceTable.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace
{

CVLCanvas::ColorSpec Rgb(std::uint32_t rgb)
{
    return FromPixel(rgb);
}

// The palette of the skin.
constexpr std::uint32_t kPanel = 0x1f2226;
constexpr std::uint32_t kRaisedFace = 0x2a2e34;
constexpr std::uint32_t kBorder = 0x3a3f47;
constexpr std::uint32_t kBevelLight = 0x454b54;
constexpr std::uint32_t kLabelText = 0xc9ced6;
constexpr std::uint32_t kDimText = 0x7f8791;
constexpr std::uint32_t kAccent = 0xe8a33d;
constexpr std::uint32_t kDarkText = 0x16181b;
constexpr std::uint32_t kMessageBody = 0xdde1e6;

constexpr Rect kBox{0, 0, 260, 100};
// The header strip above the message; the message's first line starts lower.
constexpr std::int32_t kHeaderBottom = 21;
// The icon, 15 x 15, centred on column 13 and row 11.
constexpr Rect kIcon{6, 4, 21, 19};

void DrawBox(OGWorld& world, bool alert)
{
    world.SetForeColor(Rgb(kPanel));
    world.PaintRect(kBox);
    world.SetForeColor(Rgb(kRaisedFace));
    world.PaintRect({1, 1, kBox.right - 1, kHeaderBottom});
    // A one-pixel light edge on top of the strip, as raised faces have.
    world.SetForeColor(Rgb(kBevelLight));
    world.MoveTo({1, 1});
    world.LineTo({kBox.right - 2, 1});
    // The line under the strip carries the kind of message.
    world.SetForeColor(Rgb(alert ? kAccent : kDimText));
    world.MoveTo({1, kHeaderBottom});
    world.LineTo({kBox.right - 2, kHeaderBottom});
    // The message itself is drawn in black below the strip: a light body
    // keeps it readable.
    world.SetForeColor(Rgb(kMessageBody));
    world.PaintRect({1, kHeaderBottom + 1, kBox.right - 1, kBox.bottom - 1});
    world.SetForeColor(Rgb(kBorder));
    world.FrameRect(kBox);

    if (alert)
    {
        // An amber triangle, apex up, with a dark exclamation mark.
        world.SetForeColor(Rgb(kAccent));
        for (std::int32_t y = kIcon.top; y < kIcon.bottom; ++y)
        {
            const std::int32_t half = (y - kIcon.top) * 7 / (kIcon.Height() - 1);
            world.PaintRect({13 - half, y, 14 + half, y + 1});
        }
        world.SetForeColor(Rgb(kDarkText));
        world.PaintRect({12, 8, 15, 14});
        world.PaintRect({12, 15, 15, 17});
    }
    else
    {
        // A light disc with a dark "i".
        world.SetForeColor(Rgb(kLabelText));
        world.PaintOval(kIcon);
        world.SetForeColor(Rgb(kDarkText));
        world.PaintRect({12, 7, 15, 9});
        world.PaintRect({12, 10, 15, 16});
        world.PaintRect({11, 10, 12, 11});
    }

    world.SetTextFace(0, Rgb(kLabelText));
    world.MoveTo({27, 15});
    world.DrawString(alert ? "Attention" : "Information");
}

PixelBuffer TestMono()
{
    PixelBuffer pixels;
    pixels.Allocate(8, 4, true);
    for (std::int32_t x = 0; x < 8; ++x)
    {
        for (std::int32_t y = 0; y < 3; ++y)
            pixels.At(x, y) = (x >> y) & 1;
        pixels.At(x, 3) = 1;
    }
    return pixels;
}

PixelBuffer TestColour()
{
    PixelBuffer pixels;
    pixels.Allocate(4, 2);
    const std::uint32_t colours[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF,
                                     0x000000, 0x808080, 0x123456, 0xFEDCBA};
    for (std::size_t i = 0; i < 8; ++i)
        pixels.pixels[i] = colours[i];
    return pixels;
}

bool Save(const std::filesystem::path& file, const PixelBuffer& pixels)
{
    std::string error;
    if (!PngImage::Write(file, pixels, &error))
    {
        std::fprintf(stderr, "quarvix-skin-artwork: %s\n", error.c_str());
        return false;
    }
    std::printf("%s\n", file.c_str());
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    const std::filesystem::path folder = argc > 1 ? argv[1] : QUARVIX_PICTURE_DIR;
    bool ok = true;
    for (const bool alert : {false, true})
    {
        OGWorld world(kBox);
        DrawBox(world, alert);
        const char* name = alert ? "-message-alert.png" : "-message-info.png";
        const std::int32_t id =
            alert ? Resources::kErrorFrameAlertPicture : Resources::kErrorFrameInfoPicture;
        ok = Save(folder / (std::to_string(id) + name), world.GetPixels()) && ok;
    }
    ok = Save(folder / (std::to_string(Resources::kTestMonoPicture) + "-test-mono.png"),
              TestMono()) &&
         ok;
    ok = Save(folder / (std::to_string(Resources::kTestColourPicture) + "-test-colour.png"),
              TestColour()) &&
         ok;
    return ok ? 0 : 1;
}
