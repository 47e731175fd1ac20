// Saving and loading the whole state of an instance: settings archives,
// programs, host chunks and default settings.

#include "core/CVLPluginSettingsMetaData.h"
#include "core/PluginCore.h"
#include "core/PluginPlatform.h"
#include "core/CVLPluginMetaClass.h"
#include "platform/SafeFile.h"
#include "serialization/XMLArchive.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <sstream>

namespace
{
using namespace PluginSettingsMessages;

constexpr std::int32_t kSeverityError = 2;
// The maker's name must appear this early in a chunk.
constexpr std::size_t kMakerCheckLength = 500;
constexpr std::size_t kChunkTail = 16;

// The value of key="value" in a line: the text between the first double quote
// after the key and the next one; empty when either is missing.
std::string KeyValue(const std::string& line, const char* key)
{
    const auto at = line.find(key);
    if (at == std::string::npos)
        return std::string();
    const auto open = line.find('"', at + std::strlen(key));
    if (open == std::string::npos)
        return std::string();
    const auto close = line.find('"', open + 1);
    if (close == std::string::npos)
        return std::string();
    return line.substr(open + 1, close - open - 1);
}

// The largest settings text and the NUL that ends it in a file.
constexpr std::size_t kMaxSettingsFileBytes = Serialization::kMaxSettingsTextBytes + 1;

// Decimal number of a program line; 0 when it is not a number.
long ProgramNumber(const std::string& text)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str())
        return 0;
    // strtol gives LONG_MIN for anything below it, which has no positive twin.
    if (value == LONG_MIN)
        return LONG_MAX;
    return value < 0 ? -value : value;
}

// Splits a text into lines without their line feeds. Lines are taken whole:
// a settings text may hold long lines (stored curves) that must not be cut.
std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size())
    {
        auto end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

} // namespace

void PluginCore::WriteSettings(std::ostream& out)
{
    const std::string archiveType =
        std::string(kSettingsArchiveTypePrefix) + mDescription->GetNotice() + ")";
    Serialization::XMLArchive archive(out, archiveType, true);
    archive.BeginWriting();
    CVLPluginSettingsMetaData metadata(*mDescription, mChannels);
    {
        Serialization::ObjectWriteScope scope(archive, metadata, "Settings Metadata");
        if (scope.IsNew())
            metadata.Save(archive);
    }
    SaveSatellites(archive);
    archive.EndWriting();
}

void PluginCore::ReadSettingsOrThrow(const std::string& text)
{
    Serialization::XMLArchive archive(text.c_str(), text.size(), nullptr);
    archive.BeginReading();
    CVLPluginSettingsMetaData metadata;
    archive.BeginReadObject("Settings Metadata", metadata.GetTypeName());
    metadata.Load(archive);
    archive.EndReadObject();
    LoadSatellites(archive);
}

bool PluginCore::ReadSettings(const std::string& text)
{
    // A text that fails half way would leave a mixture of old and new
    // settings: keep what was there instead.
    std::string before;
    try
    {
        before = CaptureSettingsText();
    }
    catch (...)
    {
    }
    const char* message = nullptr;
    try
    {
        ReadSettingsOrThrow(text);
        return true;
    }
    catch (const Serialization::XMLArchive::ParseException&)
    {
        message = kCorrupted;
    }
    catch (...)
    {
        message = "";
    }
    if (!before.empty())
    {
        try
        {
            ReadSettingsOrThrow(before);
        }
        catch (...)
        {
        }
    }
    ReportError(kUnableToLoad, message, 0, kSeverityError);
    return false;
}

std::string PluginCore::CaptureSettingsText()
{
    std::ostringstream out;
    WriteSettings(out);
    out << '\n';
    out.flush();
    const std::string text = out.str();
    // The archive ends its text with a NUL; the text is what comes before it.
    return text.substr(0, text.find('\0'));
}

bool PluginCore::LoadDefaultSettings(const std::string& name)
{
    std::string text;
    if (!mPlatform.LoadDefaultSettings(name, text))
        return false;
    mDefaultSettingsText = text;
    std::string before;
    try
    {
        before = CaptureSettingsText();
        ReadSettingsOrThrow(text);
        return true;
    }
    catch (...)
    {
    }
    // Keep the state as it was rather than half of the defaults.
    try
    {
        if (!before.empty())
            ReadSettingsOrThrow(before);
    }
    catch (...)
    {
    }
    return false;
}

bool PluginCore::SaveDefaultSettings(const std::string& name)
{
    std::string text;
    try
    {
        text = CaptureSettingsText();
    }
    catch (...)
    {
        return false;
    }
    return mPlatform.SaveDefaultSettings(name, text);
}

bool PluginCore::LoadDefaultSettingsCommand(const std::string& name)
{
    if (LoadDefaultSettings(name))
        return true;
    ReportError(kCantLoadDefaults, "", 0, kSeverityError);
    return false;
}

bool PluginCore::SaveDefaultSettingsCommand(const std::string& name)
{
    const bool saved = SaveDefaultSettings(name);
    ReportError(saved ? kDefaultsSaved : kCantSaveDefaults, "", 0, kSeverityError);
    return saved;
}

bool PluginCore::ReadSettingsFile(const std::string& path)
{
    // One descriptor from open to end, so a file saved by another program
    // meanwhile is read whole or not at all; a directory, a read error or a
    // file too large to be settings is reported, never thrown.
    std::string text;
    std::string error;
    if (!Platform::ReadWholeFile(path, text, error, kMaxSettingsFileBytes))
    {
        ReportError(kUnableToLoad, "", 0, kSeverityError);
        return false;
    }
    // The file ends with the NUL it was written with.
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return ReadSettings(text);
}

bool PluginCore::WriteSettingsFile(const std::string& path)
{
    std::string text;
    try
    {
        text = CaptureSettingsText();
    }
    catch (...)
    {
        ReportError(kUnableToSave, "", 0, kSeverityError);
        return false;
    }
    // The file keeps the NUL that ends the archive text.
    text.push_back('\0');
    if (!Platform::SafeWriteFile(path, text))
    {
        ReportError(kUnableToSave, kCannotCreateFile, 0, kSeverityError);
        return false;
    }
    return true;
}

const std::string& PluginCore::GetProgramText(std::int32_t index) const
{
    static const std::string kNone;
    if (index < 0 || index >= GetProgramCount())
        return kNone;
    return mProgramTexts[static_cast<std::size_t>(index)];
}

std::string PluginCore::BuildProgramsText(const std::string& currentState) const
{
    std::string text = "<!-- Corvanel Sound ";
    text.append(mDescription->GetSignature()).append(" Program Settings -->\n");
    for (std::int32_t i = 0; i < GetProgramCount(); ++i)
    {
        // The current program is written as the state it has now, not as the
        // text it was loaded from.
        const std::string& programText =
            i == mCurrentProgram ? currentState : mProgramTexts[static_cast<std::size_t>(i)];
        text.append("<program number=\"").append(std::to_string(i)).append("\" name=\"");
        text.append(mProgramNames[static_cast<std::size_t>(i)]).append("\">\n");
        text.append(programText);
        if (!programText.empty() && programText.back() != '\n')
            text.push_back('\n');
        text.append("</program>\n");
    }
    return text;
}

const char* PluginCore::GetChunk(bool currentProgramOnly)
{
    try
    {
        std::string state = CaptureSettingsText();
        if (mDescription->KeepsProgramTexts())
            mProgramTexts[static_cast<std::size_t>(mCurrentProgram)] = state;
        mCurrentText = state;
        const std::string chunk = currentProgramOnly ? state : BuildProgramsText(state);
        std::vector<char> buffer(chunk.size() + kChunkTail, '\0');
        std::copy(chunk.begin(), chunk.end(), buffer.begin());
        mChunkBuffer.swap(buffer);
        mChunkLength = chunk.size();
        return mChunkBuffer.data();
    }
    catch (const std::bad_alloc&)
    {
        ReportError(kNoMemoryToSave, "", 0, kSeverityError);
    }
    catch (...)
    {
    }
    return nullptr;
}

void PluginCore::ReportChunkErrorOnce(const char* message)
{
    if (mChunkErrorReported)
        return;
    mChunkErrorReported = true;
    ReportError(kUnableToLoad, message, 0, kSeverityError);
}

void PluginCore::SetChunk(const char* data, std::int32_t length, bool currentProgramOnly)
{
    if (!data || length <= 0)
        return;
    const auto size = static_cast<std::size_t>(length);
    const std::string_view head(data, std::min(size, kMakerCheckLength));
    if (head.find(mDescription->GetManufacturer()) == std::string_view::npos)
    {
        ReportChunkErrorOnce(kCorrupted);
        return;
    }
    if (std::memchr(data, '\r', size))
    {
        ReportChunkErrorOnce(kCarriageReturns);
        return;
    }

    std::string target;
    if (currentProgramOnly)
    {
        // Stop at a terminating NUL, if the host kept one.
        const void* nul = std::memchr(data, '\0', size);
        target.assign(data, nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : size);
    }
    else
    {
        bool currentFilled = false;
        if (!ParseProgramsText(std::string(data, size), &currentFilled))
            return;
        // The programs are kept, and the current one takes effect when the
        // text brought it.
        if (currentFilled)
            target = mProgramTexts[static_cast<std::size_t>(mCurrentProgram)];
    }
    if (mDescription->KeepsProgramTexts())
        mProgramTexts[static_cast<std::size_t>(mCurrentProgram)] = target;
    if (!target.empty())
        ApplySettingsText(target);
}

bool PluginCore::ParseProgramsText(const std::string& text, bool* currentFilled)
{
    const std::vector<std::string> lines = Lines(text);
    const std::string signature = mDescription->GetSignature();
    std::size_t i = 0;
    for (; i < lines.size(); ++i)
    {
        const std::string& line = lines[i];
        if (line.find("<!-- Corvanel Sound ") != std::string::npos &&
            line.find(" Program Settings -->") != std::string::npos && line.find(signature) != std::string::npos)
            break;
    }
    if (i == lines.size())
    {
        ReportChunkErrorOnce(kNoHeader);
        return false;
    }

    for (++i; i < lines.size(); ++i)
    {
        if (lines[i].find("<program") == std::string::npos)
            continue;
        const long number = ProgramNumber(KeyValue(lines[i], "number"));
        if (number >= GetProgramCount())
            continue;
        const auto index = static_cast<std::size_t>(number);
        mProgramNames[index] = KeyValue(lines[i], "name");
        std::string programText;
        for (++i; i < lines.size() && lines[i].find("</program>") == std::string::npos; ++i)
            programText.append(lines[i]).push_back('\n');
        mProgramTexts[index] = std::move(programText);
        if (currentFilled && number == mCurrentProgram)
            *currentFilled = true;
    }
    if (!mProgramTexts.empty() && !mProgramTexts[0].empty())
        mCurrentText = mProgramTexts[0];
    return true;
}

void PluginCore::ApplySettingsText(const std::string& text)
{
    ClearPendingParameterChanges();
    if (ReadSettings(text))
        mCurrentText = text;
}

void PluginCore::SetCurrentProgram(std::int32_t index)
{
    // An index the host has no program for would leave every later program
    // query reading past the list.
    if (index == mCurrentProgram || index < 0 || index >= GetProgramCount())
        return;
    try
    {
        if (mDescription->KeepsProgramTexts())
            mProgramTexts[static_cast<std::size_t>(mCurrentProgram)] = CaptureSettingsText();
        mCurrentProgram = index;
        std::string& incoming = mProgramTexts[static_cast<std::size_t>(index)];
        if (incoming.empty())
            incoming = mCurrentText;
        if (!incoming.empty())
            ApplySettingsText(incoming);
    }
    catch (const std::bad_alloc&)
    {
        ReportError(kNoMemory, "", 0, kSeverityError);
    }
}
