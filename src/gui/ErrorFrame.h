#pragma once
// An error shown inside the editor: a 260 × 100 floating box centred a little
// above the middle of the window. It takes every click while it is shown; the
// first one dismisses it. It deletes itself from a one-shot timer, never from
// inside its own mouse handler.
//
// Threads: UI thread only.

#include "core/TimerClient.h"
#include "gui/Frame.h"

#include <cstdint>
#include <string>

namespace ErrorFrameLayout
{
inline constexpr std::int32_t kWidth = 260;
inline constexpr std::int32_t kHeight = 100;
// A text up to this wide goes on one line, centred; a wider one is wrapped.
inline constexpr std::int32_t kSingleLineWidth = 229;
inline constexpr std::int32_t kInformationPicture = 8000;
inline constexpr std::int32_t kErrorPicture = 8001;
} // namespace ErrorFrameLayout

class ErrorFrame : public Frame, public TimerClient<ErrorFrame>
{
public:
    // Severity 0 warning, 1 information, 2 error.
    ErrorFrame(Frame* master, const std::string& message, const std::string& detail, std::int32_t code,
               std::int32_t severity);

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    // The message, and the detail after a blank line when there is one.
    std::string GetText() const;
    const std::string& GetMessage() const { return mMessage; }
    const std::string& GetDetail() const { return mDetail; }
    std::int32_t GetCode() const { return mCode; }
    std::int32_t GetSeverity() const { return mSeverity; }

private:
    void Dismiss();

    std::string mMessage;
    std::string mDetail;
    std::int32_t mCode = 0;
    std::int32_t mSeverity = 0;
};
