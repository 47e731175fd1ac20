#include "gui/PngImage.h"

#include "gui/RasterContext.h"
#include "platform/SafeFile.h"
#include "resources/ResourceTable.h"

#include <png.h>

#include <algorithm>
#include <new>
#include <vector>

namespace PngImage
{

namespace
{

bool Fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Frees what libpng holds for the image on every way out.
class ImageHolder
{
public:
    ImageHolder() : mImage{} { mImage.version = PNG_IMAGE_VERSION; }
    ~ImageHolder() { png_image_free(&mImage); }
    ImageHolder(const ImageHolder&) = delete;
    ImageHolder& operator=(const ImageHolder&) = delete;

    png_image* operator->() { return &mImage; }
    png_image& Get() { return mImage; }
    std::string Message() const { return mImage.message[0] ? mImage.message : "libpng failed"; }

private:
    png_image mImage;
};

// The bit depth the header gives (the first chunk of every PNG is IHDR,
// whose ninth byte of data is the bit depth); 0 when there is no header.
int BitDepth(std::span<const std::uint8_t> bytes)
{
    static constexpr std::uint8_t kIhdr[] = {'I', 'H', 'D', 'R'};
    if (bytes.size() < 33 || !std::equal(std::begin(kIhdr), std::end(kIhdr), bytes.begin() + 12))
        return 0;
    return bytes[24];
}

} // namespace

bool Decode(std::span<const std::uint8_t> bytes, PixelBuffer& image, std::string* error)
{
    ImageHolder png;
    if (!png_image_begin_read_from_memory(&png.Get(), bytes.data(), bytes.size()))
        return Fail(error, png.Message());
    if (png->width > static_cast<png_uint_32>(PixelBuffer::kMaxSide) ||
        png->height > static_cast<png_uint_32>(PixelBuffer::kMaxSide))
        return Fail(error, "picture of " + std::to_string(png->width) + " x " +
                               std::to_string(png->height) + " pixels is too large");
    png->format = PNG_FORMAT_RGB;
    std::vector<std::uint8_t> rgb;
    PixelBuffer decoded;
    try
    {
        rgb.assign(PNG_IMAGE_SIZE(png.Get()), 0);
    }
    catch (const std::bad_alloc&)
    {
        return Fail(error, "out of memory");
    }
    if (!png_image_finish_read(&png.Get(), nullptr, rgb.data(), 0, nullptr))
        return Fail(error, png.Message());
    const auto width = static_cast<std::int32_t>(png->width);
    const auto height = static_cast<std::int32_t>(png->height);

    bool oneBit = BitDepth(bytes) == 1;
    for (std::size_t i = 0; oneBit && i < rgb.size(); ++i)
        oneBit = rgb[i] == 0 || rgb[i] == 0xFF;
    if (!decoded.Allocate(width, height, oneBit))
        return Fail(error, "out of memory");
    for (std::size_t i = 0; i < decoded.pixels.size(); ++i)
    {
        const std::uint8_t* p = rgb.data() + 3 * i;
        decoded.pixels[i] = oneBit ? (p[0] ? 1u : 0u)
                                   : (static_cast<std::uint32_t>(p[0]) << 16) |
                                         (static_cast<std::uint32_t>(p[1]) << 8) | p[2];
    }
    image = std::move(decoded);
    return true;
}

bool Read(const std::filesystem::path& path, PixelBuffer& image, std::string* error)
{
    std::string bytes;
    std::string reason;
    // A PNG of the largest buffer is well below this.
    constexpr std::size_t kMaxFileBytes = std::size_t{1} << 30;
    if (!Platform::ReadWholeFile(path, bytes, reason, kMaxFileBytes))
        return Fail(error, reason);
    return Decode({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, image,
                  error);
}

bool DecodeResource(std::int32_t resourceId, PixelBuffer& image, std::string* error)
{
    const auto bytes = Resources::FindResource(resourceId);
    if (bytes.empty())
        return Fail(error, "no picture " + std::to_string(resourceId));
    return Decode(bytes, image, error);
}

bool Encode(const PixelBuffer& image, std::string& bytes, std::string* error)
{
    if (image.IsEmpty())
        return Fail(error, "an empty picture cannot be written");
    if (image.pixels.size() !=
        static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
        return Fail(error, "picture size does not match its pixels");
    ImageHolder png;
    png->width = static_cast<png_uint_32>(image.width);
    png->height = static_cast<png_uint_32>(image.height);
    std::vector<std::uint8_t> samples;
    static constexpr std::uint8_t kBlackAndWhite[] = {0, 0, 0, 0xFF, 0xFF, 0xFF};
    const void* colormap = nullptr;
    try
    {
        if (image.oneBit)
        {
            // Two palette entries make libpng write one bit per pixel.
            png->format = PNG_FORMAT_RGB_COLORMAP;
            png->colormap_entries = 2;
            colormap = kBlackAndWhite;
            samples.resize(image.pixels.size());
            for (std::size_t i = 0; i < samples.size(); ++i)
                samples[i] = image.pixels[i] ? 1 : 0;
        }
        else
        {
            png->format = PNG_FORMAT_RGB;
            samples.resize(image.pixels.size() * 3);
            for (std::size_t i = 0; i < image.pixels.size(); ++i)
            {
                samples[3 * i] = static_cast<std::uint8_t>(image.pixels[i] >> 16);
                samples[3 * i + 1] = static_cast<std::uint8_t>(image.pixels[i] >> 8);
                samples[3 * i + 2] = static_cast<std::uint8_t>(image.pixels[i]);
            }
        }
        png_alloc_size_t size = 0;
        if (!png_image_write_to_memory(&png.Get(), nullptr, &size, 0, samples.data(), 0, colormap))
            return Fail(error, png.Message());
        std::string encoded(size, '\0');
        if (!png_image_write_to_memory(&png.Get(), encoded.data(), &size, 0, samples.data(), 0,
                                       colormap))
            return Fail(error, png.Message());
        encoded.resize(size);
        bytes = std::move(encoded);
    }
    catch (const std::bad_alloc&)
    {
        return Fail(error, "out of memory");
    }
    return true;
}

bool Write(const std::filesystem::path& path, const PixelBuffer& image, std::string* error)
{
    std::string bytes;
    if (!Encode(image, bytes, error))
        return false;
    std::string reason;
    if (!Platform::SafeWriteFile(path, bytes, &reason))
        return Fail(error, path.string() + ": " + reason);
    return true;
}

bool Write(const std::filesystem::path& path, const RasterContext& context, std::string* error)
{
    const PixelBuffer* buffer = context.GetBuffer();
    if (!buffer)
        return Fail(error, "the context has no pixels");
    return Write(path, *buffer, error);
}

} // namespace PngImage
