#pragma once
// What a host is told this plug-in is, for every suite that checks it where a
// host sees it: names at every display length (longest first, one per line),
// codes as their four characters, controls and settings chunk. Plain text
// only: the host program's suite includes nothing of the product.

#include <string>
#include <string_view>

namespace ProductIdentity
{
inline constexpr std::string_view kManufacturer = "Corvanel Sound";
inline constexpr std::string_view kPluginNames =
    "QVX Spectrum Analyzer\nQVX Spectrum An\nQVX Spectrum\nQVX Spec\nQVXSpec\nSpecA\nSpAn\nSpA";
inline constexpr std::string_view kMonoNames =
    "QVX Spectrum Analyzer 1ch\nQVX Spectrum 1ch\nQVX Spectrum 1\nQVX Spec\nQVXSpec\nSpecA\nSpAn\nSpA";
inline constexpr std::string_view kStereoNames =
    "QVX Spectrum Analyzer 2ch\nQVX Spectrum 2ch\nQVX Spectrum 2\nQVX Spec\nQVXSpec\nSpecA\nSpAn\nSpA";
inline constexpr std::string_view kManufacturerNames = "Corvanel Sound\nCVL";
inline constexpr char kManufacturerId[] = "Crvn";
inline constexpr char kProductId[] = "QvxS";
inline constexpr char kStereoType[] = "StRT"; // real-time, 2 in / 2 out, registered first
inline constexpr char kMonoType[] = "mnRT";   // real-time, 1 in / 1 out
inline constexpr char kBypassId[] = "bypa";
inline constexpr std::string_view kBypassNames = "Master Bypass\nMstr Byp\nMByp\nByp";
inline constexpr char kResetControlId[] = "ctaa"; // "Reset", the first parameter's control
inline constexpr std::string_view kResetNames = "Reset\nRset\nRes";
inline constexpr char kChunkId[] = "cvqx";
inline constexpr std::string_view kChunkName = "Quarvix Chunk v1";
// The description's one-line text, up to the run-time class name at its end.
inline constexpr std::string_view kDescriptionText =
    "Name = QVX Spectrum Analyzer;Version = 1.0.1;IOConfigs = /2,2/1,1;SupportsSidechain = 0;"
    "NumberOfPrograms = 1;NumberOfParameters = 1;ParametersRepresentCompleteState = 0;metaclass = ";
inline constexpr std::string_view kErrorCaption = "Corvanel Sound: QVX Spectrum Analyzer";

// The alternatives of a names text on one line, as the host program lists them.
inline std::string Listed(std::string_view names)
{
    std::string line;
    for (char c : names)
        line += c == '\n' ? std::string(" | ") : std::string(1, c);
    return line;
}
} // namespace ProductIdentity
