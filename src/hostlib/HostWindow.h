#pragma once
// The host's window system, as a plug-in view sees it: the host window it is
// given to show itself in, the child windows it puts there, and the messages
// those children receive. There is no platform window system underneath; this
// is the part of one that a view needs, with the rules views are written for:
//
// - A host window has a client area of fixed size. Children lie over it in
//   creation order, the newest on top, each with its own 32-bit pixel surface
//   that its owner draws into through the child's device context. What the
//   host window shows is its own background with the children over it.
// - Every child has a message procedure and a word of user data. Messages are
//   sent at once, never queued: a paint when the host paints and the child has
//   something to paint (a new child has all of itself), a timer when the
//   host's time passes the timer's due time, mouse and keys as the host
//   forwards them, in the child's own client coordinates.
// - One child at most holds the mouse capture and then receives every mouse
//   message; one child at most has the keyboard focus and receives key and
//   character messages; without a focused child the host window itself has
//   the focus. Focus changes send KillFocus to the child that loses it and
//   SetFocus to the one that gains it.
// - Timers belong to a child: an id and an interval in milliseconds of the
//   host's time. They stop with KillTimer or when the child goes.
// - Any child pointer handed back to the window system after its child was
//   destroyed is ignored, so a view may keep one it is unsure of (a previous
//   capture holder) without checking.
// - File dialogs are the host's: a view asks its host window to run one.
// - The pointer's shape over a child is the child's to choose; a child that
//   never chooses shows the arrow.
//
// Binary interface as EffectEngine.h: abstract classes with virtual functions
// and standard library types. The host program owns the window
// (OffscreenHostWindow.h); the module reaches it only through this header,
// given as the window of EffectInstance::OpenWindow.
//
// Threads: the host's main thread only.

#include <cstdint>
#include <string>
#include <vector>

namespace HostLib
{

// (left, top, right, bottom); right and bottom are outside.
struct HostRect
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    friend bool operator==(const HostRect&, const HostRect&) = default;
    std::int32_t Width() const { return right - left; }
    std::int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return left >= right || top >= bottom; }
    bool Contains(std::int32_t x, std::int32_t y) const
    {
        return x >= left && x < right && y >= top && y < bottom;
    }
    // The smallest rectangle holding both; an empty one adds nothing.
    static HostRect Bounds(const HostRect& a, const HostRect& b)
    {
        if (a.IsEmpty())
            return b;
        if (b.IsEmpty())
            return a;
        return {a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
    }
};

enum class HostMessageType : std::int32_t
{
    Create,          // sent by CreateChildWindow once the child exists
    Destroy,         // sent by DestroyChildWindow before the child goes
    Paint,           // update: what to paint, already taken off the child's update area
    Timer,           // timerId
    MouseMove,       // x, y, modifiers
    LeftButtonDown,  // x, y, modifiers
    LeftButtonUp,    //
    RightButtonDown, //
    RightButtonUp,   //
    KeyDown,         // key, modifiers
    Character,       // character (a typed character; 8 is backspace)
    SetFocus,        // the child now has the keyboard focus
    KillFocus,       // the child lost it
};

// Modifier keys held with a mouse or key message.
inline constexpr std::uint32_t kHostShift = 1;
inline constexpr std::uint32_t kHostControl = 2;

// Key codes of KeyDown; other keys come with codes of the host's choosing.
inline constexpr std::int32_t kHostKeyReturn = 13;
inline constexpr std::int32_t kHostKeyEscape = 27;
inline constexpr char kHostCharBackspace = 8;

struct HostMessage
{
    HostMessageType type = HostMessageType::Create;
    std::int32_t x = 0; // mouse: client coordinates of the receiving child
    std::int32_t y = 0;
    std::uint32_t modifiers = 0;
    std::int32_t key = 0;
    char character = 0;
    std::uintptr_t timerId = 0;
    HostRect update; // paint: client coordinates
};

// Where a child's pixels are drawn: rows top to bottom, each pixel a
// 0x00RRGGBB word, stride words apart.
struct HostDeviceContext
{
    std::uint32_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0;
};

class HostChildWindow
{
public:
    // In the host window's client coordinates.
    virtual HostRect GetRect() const = 0;
    virtual void* GetUserData() const = 0;
    // Adds rect (client coordinates) to what the next paint asks for.
    virtual void Invalidate(const HostRect& rect) = 0;

protected:
    // Children are destroyed through HostWindow::DestroyChildWindow.
    ~HostChildWindow() = default;
};

// window: the child the message is for (still valid while the procedure
// runs, unless the procedure destroys it).
using HostWindowProc = std::intptr_t (*)(HostChildWindow& window, const HostMessage& message);

// The pointer shapes a child may ask for.
enum class HostCursor : std::int32_t
{
    Arrow,
    Hand, // over something to click
    Text, // over text being typed
};

struct HostFileDialog
{
    struct Filter
    {
        std::string label;   // "Settings Files (*.quarvix)"
        std::string pattern; // "*.quarvix"
    };
    bool save = false;
    std::vector<Filter> filters;
    std::string defaultName;      // proposed file name (save)
    std::string extension;        // added to a chosen name without one (save), ".quarvix"
    std::string initialDirectory; // empty: the host's choice
};

class HostWindow
{
public:
    virtual HostRect GetClientRect() const = 0;

    // A child over rect (client coordinates), sent Create before this
    // returns; null when the window system cannot make one.
    virtual HostChildWindow* CreateChildWindow(const HostRect& rect, HostWindowProc procedure,
                                               void* userData) = 0;
    // Sends Destroy, then stops its timers, takes back its capture and focus
    // (without further messages) and frees it.
    virtual void DestroyChildWindow(HostChildWindow* window) = 0;

    // The child's device context, until ReleaseDC; null when none can be had.
    virtual HostDeviceContext* GetDC(HostChildWindow& window) = 0;
    virtual void ReleaseDC(HostChildWindow& window, HostDeviceContext* context) = 0;

    // A periodic timer; setting one again with the same id restarts it.
    // False when the window system has no timer left.
    virtual bool SetTimer(HostChildWindow& window, std::uintptr_t id,
                          std::uint32_t milliseconds) = 0;
    virtual void KillTimer(HostChildWindow& window, std::uintptr_t id) = 0;

    // Returns the child that held the capture before (null: none).
    virtual HostChildWindow* SetCapture(HostChildWindow* window) = 0;
    virtual void ReleaseCapture() = 0;
    virtual HostChildWindow* GetCapture() const = 0;

    // null: the host window itself. Returns the child that had the focus.
    virtual HostChildWindow* SetFocus(HostChildWindow* window) = 0;
    virtual HostChildWindow* GetFocus() const = 0;

    // Calls the child's procedure now.
    virtual std::intptr_t SendMessage(HostChildWindow& window, const HostMessage& message) = 0;
    // What the host window does with a child's message the child leaves to it.
    virtual std::intptr_t DefaultProcessing(HostChildWindow& window,
                                            const HostMessage& message) = 0;

    // The pointer's shape while it is over the child.
    virtual void SetCursor(HostChildWindow& window, HostCursor cursor) = 0;

    // Shows a file dialog and waits for it; the chosen path, or false when
    // the user cancels.
    virtual bool RunFileDialog(const HostFileDialog& dialog, std::string& path) = 0;

    // Milliseconds of the host's time since the window was made.
    virtual std::uint64_t GetTime() const = 0;

protected:
    // The host that made the window destroys it.
    ~HostWindow() = default;
};

} // namespace HostLib
