#include "gui/TextLayout.h"

#include <algorithm>

namespace
{

bool IsSpace(char c)
{
    return c == ' ' || c == '\t';
}

// The longest beginning of word that fits in width with the ellipsis after
// it, cut between characters (never inside a UTF-8 sequence).
std::string_view CutWithEllipsis(std::string_view word, std::int32_t width,
                                 const std::function<std::int32_t(std::string_view)>& measure)
{
    const std::int64_t room = static_cast<std::int64_t>(width) - measure(kEllipsis);
    std::size_t length = word.size();
    while (length > 0)
    {
        if (length == word.size() || (static_cast<unsigned char>(word[length]) & 0xC0u) != 0x80u)
        {
            if (measure(word.substr(0, length)) <= room)
                break;
        }
        --length;
    }
    return word.substr(0, length);
}

void WrapParagraph(std::string_view paragraph, std::int32_t width,
                   const std::function<std::int32_t(std::string_view)>& measure,
                   std::vector<TextLine>& lines)
{
    const std::size_t size = paragraph.size();
    std::size_t at = 0;
    bool firstLine = true;
    do
    {
        // A wrapped line starts at its first word; the paragraph's first line
        // keeps its leading spaces.
        if (!firstLine)
        {
            while (at < size && IsSpace(paragraph[at]))
                ++at;
        }
        firstLine = false;
        const std::size_t start = at;
        std::size_t end = at; // after the last word that fits
        bool ellipsis = false;
        bool anyWord = false;
        while (true)
        {
            std::size_t wordStart = end;
            while (wordStart < size && IsSpace(paragraph[wordStart]))
                ++wordStart;
            if (wordStart == size)
                break;
            std::size_t wordEnd = wordStart;
            while (wordEnd < size && !IsSpace(paragraph[wordEnd]))
                ++wordEnd;
            if (measure(paragraph.substr(start, wordEnd - start)) <= width)
            {
                end = wordEnd;
                anyWord = true;
                continue;
            }
            if (!anyWord)
            {
                // Not even this word fits a line of its own.
                const std::string_view cut =
                    CutWithEllipsis(paragraph.substr(start, wordEnd - start), width, measure);
                lines.push_back({cut, true});
                ellipsis = true;
                end = wordEnd;
            }
            break;
        }
        if (!ellipsis)
            lines.push_back({paragraph.substr(start, end - start), false});
        at = end;
        while (at < size && IsSpace(paragraph[at]))
            ++at;
    } while (at < size);
}

} // namespace

std::vector<TextLine> WrapText(std::string_view text, std::int32_t width,
                               const std::function<std::int32_t(std::string_view)>& measure)
{
    // A reversed rectangle has no room at all.
    width = std::max<std::int32_t>(width, 0);
    std::vector<TextLine> lines;
    std::size_t from = 0;
    while (true)
    {
        const std::size_t feed = text.find('\n', from);
        std::string_view paragraph = text.substr(
            from, feed == std::string_view::npos ? std::string_view::npos : feed - from);
        if (!paragraph.empty() && paragraph.back() == '\r')
            paragraph.remove_suffix(1);
        WrapParagraph(paragraph, width, measure, lines);
        if (feed == std::string_view::npos)
            break;
        from = feed + 1;
    }
    return lines;
}
