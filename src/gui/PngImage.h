#pragma once
// PNG pictures to and from pixel buffers, through libpng's simplified
// interface (which keeps libpng's error jumps inside libpng).
//
// Reading: any PNG the library reads, as 8-bit sRGB; transparent parts are
// composited on black. A PNG with one bit per pixel whose pixels are all
// black or white becomes a one-bit buffer (black 0, white 1); every other
// one a colour buffer. Sides beyond PixelBuffer::kMaxSide are refused.
// Writing: a colour buffer as 8-bit RGB, a one-bit buffer as a 1-bit
// black-and-white palette image, so it reads back one-bit. Files are written
// through Platform::SafeWriteFile: a failed write leaves the target as it was.
//
// Every function returns false on failure, with libpng's (or the file
// system's) reason in *error when error is given, and leaves image as it was.
//
// Threads: any thread but the real-time one; no shared state.

#include "gui/PixelBuffer.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

class RasterContext;

namespace PngImage
{

bool Decode(std::span<const std::uint8_t> bytes, PixelBuffer& image, std::string* error = nullptr);
bool Read(const std::filesystem::path& path, PixelBuffer& image, std::string* error = nullptr);
// A picture of the module's resource table.
bool DecodeResource(std::int32_t resourceId, PixelBuffer& image, std::string* error = nullptr);

bool Encode(const PixelBuffer& image, std::string& bytes, std::string* error = nullptr);
bool Write(const std::filesystem::path& path, const PixelBuffer& image,
           std::string* error = nullptr);
// A snapshot of everything the context's buffer holds; false without a buffer.
bool Write(const std::filesystem::path& path, const RasterContext& context,
           std::string* error = nullptr);

} // namespace PngImage
