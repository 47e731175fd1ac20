#include "hostlib/X11HostWindow.h"

#include "hostlib/ExternalFileChooser.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>

namespace HostLib
{
namespace
{
// Xlib reports protocol errors to one process-wide handler, whose default
// ends the process. Calls that may fail for reasons outside our control (a
// parent window the host destroyed, a display that cannot share memory) run
// inside a trap that counts the errors of its own connection and hands any
// other connection's to the handler that was there before.
class ErrorTrap
{
public:
    explicit ErrorTrap(::Display* display) : mDisplay(display)
    {
        XSync(mDisplay, False);
        sDisplay = mDisplay;
        sErrors = 0;
        mPrevious = XSetErrorHandler(&Handle);
        sPrevious = mPrevious;
    }
    ~ErrorTrap()
    {
        XSync(mDisplay, False);
        XSetErrorHandler(mPrevious);
        sDisplay = nullptr;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    bool Failed()
    {
        XSync(mDisplay, False);
        return sErrors != 0;
    }

private:
    static int Handle(::Display* display, XErrorEvent* event)
    {
        if (display == sDisplay)
        {
            ++sErrors;
            return 0;
        }
        return sPrevious ? sPrevious(display, event) : 0;
    }

    ::Display* mDisplay;
    XErrorHandler mPrevious = nullptr;
    static inline ::Display* sDisplay = nullptr;
    static inline int sErrors = 0;
    static inline XErrorHandler sPrevious = nullptr;
};

// A colour channel of 8 bits placed under an arbitrary mask of the visual.
struct Channel
{
    int shift = 0;
    int bits = 8;

    explicit Channel(unsigned long mask)
    {
        if (mask == 0)
            return;
        shift = std::countr_zero(mask);
        bits = std::popcount(mask);
    }
    unsigned long Place(std::uint32_t value8) const
    {
        const unsigned long scaled = bits >= 8 ? static_cast<unsigned long>(value8) << (bits - 8)
                                               : static_cast<unsigned long>(value8) >> (8 - bits);
        return scaled << shift;
    }
};

std::uint32_t Modifiers(unsigned int state)
{
    std::uint32_t modifiers = 0;
    if (state & ShiftMask)
        modifiers |= kHostShift;
    if (state & ControlMask)
        modifiers |= kHostControl;
    return modifiers;
}

constexpr int kNoticeHeight = 22;
} // namespace

struct X11HostWindow::Connection
{
    ::Display* display = nullptr;
    Window window = 0;
    bool topLevel = false;
    bool gone = false; // destroyed with the host's window
    bool mapped = false;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool shared = false;
    // The image's bytes are our 0x00RRGGBB words as they stand.
    bool direct = false;
    Channel red{0}, green{0}, blue{0};
    Atom deleteWindow = 0;
    Cursor cursors[3] = {};
    HostCursor shownCursor = HostCursor::Arrow;

    ~Connection()
    {
        if (!display)
            return;
        if (image)
        {
            if (shared)
            {
                ErrorTrap trap(display);
                XShmDetach(display, &shm);
            }
            if (shared)
            {
                ::shmdt(shm.shmaddr);
                image->data = nullptr;
            }
            XDestroyImage(image);
        }
        for (Cursor cursor : cursors)
        {
            if (cursor)
                XFreeCursor(display, cursor);
        }
        if (gc)
            XFreeGC(display, gc);
        if (window && !gone)
        {
            // The host may have destroyed its window, and ours with it,
            // without our having heard yet.
            ErrorTrap trap(display);
            XDestroyWindow(display, window);
        }
        XCloseDisplay(display);
    }

    bool MakeImage(std::int32_t width, std::int32_t height)
    {
        // Shared memory only works when the server runs on this machine;
        // XShmAttach says so by failing.
        if (XShmQueryExtension(display))
        {
            image = XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr,
                                    &shm, static_cast<unsigned>(width), static_cast<unsigned>(height));
            if (image)
            {
                shm.shmid = ::shmget(IPC_PRIVATE,
                                     static_cast<std::size_t>(image->bytes_per_line) *
                                         static_cast<std::size_t>(height),
                                     IPC_CREAT | 0600);
                void* address = shm.shmid >= 0 ? ::shmat(shm.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
                if (address != reinterpret_cast<void*>(-1))
                {
                    shm.shmaddr = image->data = static_cast<char*>(address);
                    shm.readOnly = False;
                    ErrorTrap trap(display);
                    const bool attached = XShmAttach(display, &shm) && !trap.Failed();
                    // Marked for removal now: it goes when both sides let go.
                    ::shmctl(shm.shmid, IPC_RMID, nullptr);
                    if (attached)
                    {
                        shared = true;
                        return true;
                    }
                    ::shmdt(address);
                }
                else if (shm.shmid >= 0)
                {
                    ::shmctl(shm.shmid, IPC_RMID, nullptr);
                }
                image->data = nullptr;
                XDestroyImage(image);
                image = nullptr;
            }
        }
        image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                             static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
        if (!image)
            return false;
        // XDestroyImage frees the data with free().
        image->data = static_cast<char*>(
            std::calloc(static_cast<std::size_t>(image->bytes_per_line), static_cast<std::size_t>(height)));
        return image->data != nullptr;
    }
};

std::unique_ptr<X11HostWindow> X11HostWindow::Create(const Options& options, std::string& error)
{
    std::unique_ptr<X11HostWindow> window(new X11HostWindow(options));
    if (!window->Open(options, error))
        return nullptr;
    return window;
}

X11HostWindow::X11HostWindow(const Options& options)
    : mScene(options.width, options.height, options.background), mX(std::make_unique<Connection>()),
      mTitle(options.title), mClock(std::chrono::steady_clock::now())
{
}

X11HostWindow::~X11HostWindow()
{
    // The views' children go while the display is still there to hear of it.
    for (HostChildWindow* child : mScene.GetChildren())
        mScene.DestroyChildWindow(child);
}

bool X11HostWindow::Open(const Options& options, std::string& error)
{
    const std::string name = options.display.empty()
                                 ? std::string(std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "")
                                 : options.display;
    mX->display = XOpenDisplay(options.display.empty() ? nullptr : options.display.c_str());
    if (!mX->display)
    {
        error = name.empty() ? "No X display is set (DISPLAY is empty)."
                             : "Cannot open the X display \"" + name + "\".";
        return false;
    }
    ::Display* display = mX->display;
    const int screen = DefaultScreen(display);
    mX->visual = DefaultVisual(display, screen);
    mX->depth = DefaultDepth(display, screen);
    const std::int32_t width = mScene.GetWidth();
    const std::int32_t height = mScene.GetHeight();

    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None; // we paint every pixel ourselves
    attributes.border_pixel = 0;
    attributes.colormap = DefaultColormap(display, screen);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                            KeyPressMask | FocusChangeMask | StructureNotifyMask | LeaveWindowMask;
    mX->topLevel = options.parent == 0;
    const Window parent = mX->topLevel ? RootWindow(display, screen) : options.parent;
    {
        ErrorTrap trap(display);
        mX->window = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, mX->depth, InputOutput, mX->visual,
                                   CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
        if (trap.Failed())
        {
            mX->window = 0;
            char id[32];
            std::snprintf(id, sizeof id, "0x%lx", options.parent);
            error = std::string("Cannot make a window in the host's window ") + id + ".";
            return false;
        }
    }
    if (mX->topLevel)
    {
        XStoreName(display, mX->window, mTitle.c_str());
        mX->deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, mX->window, &mX->deleteWindow, 1);
        // The editor has one size.
        XSizeHints* hints = XAllocSizeHints();
        if (hints)
        {
            hints->flags = PMinSize | PMaxSize;
            hints->min_width = hints->max_width = width;
            hints->min_height = hints->max_height = height;
            XSetWMNormalHints(display, mX->window, hints);
            XFree(hints);
        }
    }
    mX->gc = XCreateGC(display, mX->window, 0, nullptr);
    if (!mX->gc || !mX->MakeImage(width, height))
    {
        error = "Cannot make the window's image on the X display.";
        return false;
    }
    const XImage& image = *mX->image;
    mX->direct = image.bits_per_pixel == 32 && image.byte_order == LSBFirst &&
                 image.bytes_per_line == width * 4 && mX->visual->red_mask == 0xff0000 &&
                 mX->visual->green_mask == 0x00ff00 && mX->visual->blue_mask == 0x0000ff;
    mX->red = Channel(mX->visual->red_mask);
    mX->green = Channel(mX->visual->green_mask);
    mX->blue = Channel(mX->visual->blue_mask);
    mX->cursors[static_cast<int>(HostCursor::Arrow)] = XCreateFontCursor(display, XC_left_ptr);
    mX->cursors[static_cast<int>(HostCursor::Hand)] = XCreateFontCursor(display, XC_hand2);
    mX->cursors[static_cast<int>(HostCursor::Text)] = XCreateFontCursor(display, XC_xterm);
    XDefineCursor(display, mX->window, mX->cursors[0]);
    XMapWindow(display, mX->window);
    mX->mapped = true;
    mExposed = mScene.GetClientRect();
    XFlush(display);
    return true;
}

unsigned long X11HostWindow::GetXWindow() const
{
    return mX->window;
}

bool X11HostWindow::UsesSharedMemory() const
{
    return mX->shared;
}

void X11HostWindow::Wait(std::int32_t milliseconds) const
{
    if (mClosed || XEventsQueued(mX->display, QueuedAfterFlush) > 0)
        return;
    pollfd connection{ConnectionNumber(mX->display), POLLIN, 0};
    ::poll(&connection, 1, std::max(milliseconds, 0));
}

bool X11HostWindow::Pump()
{
    if (mClosed)
        return false;
    HandleEvents();
    if (mClosed)
        return false;
    FollowClock();
    mScene.Paint();
    Present();
    return !mClosed;
}

void X11HostWindow::HandleEvents()
{
    ::Display* display = mX->display;
    while (!mClosed && XPending(display) > 0)
    {
        XEvent event;
        XNextEvent(display, &event);
        if (event.xany.window != mX->window)
            continue;
        switch (event.type)
        {
        case Expose:
            mExposed = HostRect::Bounds(mExposed, {event.xexpose.x, event.xexpose.y,
                                        event.xexpose.x + event.xexpose.width,
                                        event.xexpose.y + event.xexpose.height});
            break;
        case ButtonPress:
        case ButtonRelease:
        {
            const XButtonEvent& button = event.xbutton;
            // Wheel and other buttons mean nothing to the editor.
            if (button.button != Button1 && button.button != Button3)
                break;
            const auto which = button.button == Button1 ? OffscreenHostWindow::Button::Left
                                                        : OffscreenHostWindow::Button::Right;
            mPointerX = button.x;
            mPointerY = button.y;
            if (event.type == ButtonPress)
            {
                if (!mNotice.empty())
                {
                    mNotice.clear();
                    mExposed = mScene.GetClientRect();
                }
                mScene.MouseDown(button.x, button.y, which, Modifiers(button.state));
            }
            else
            {
                mScene.MouseUp(button.x, button.y, which, Modifiers(button.state));
            }
            UpdateCursor(mPointerX, mPointerY);
            break;
        }
        case MotionNotify:
        {
            // Only the newest position matters.
            while (XCheckTypedWindowEvent(display, mX->window, MotionNotify, &event))
            {
            }
            mPointerX = event.xmotion.x;
            mPointerY = event.xmotion.y;
            mScene.MouseMove(mPointerX, mPointerY, Modifiers(event.xmotion.state));
            UpdateCursor(mPointerX, mPointerY);
            break;
        }
        case LeaveNotify:
            mPointerX = mPointerY = -1;
            break;
        case KeyPress:
        {
            char text[32] = {};
            KeySym key = NoSymbol;
            const int length = XLookupString(&event.xkey, text, sizeof text - 1, &key, nullptr);
            const std::uint32_t modifiers = Modifiers(event.xkey.state);
            if (key == XK_Return || key == XK_KP_Enter)
                mScene.KeyDown(kHostKeyReturn, modifiers);
            else if (key == XK_Escape)
                mScene.KeyDown(kHostKeyEscape, modifiers);
            else if (key == XK_BackSpace)
                mScene.Type(std::string(1, kHostCharBackspace));
            else if (length > 0 && !(event.xkey.state & ControlMask))
            {
                std::string typed;
                for (int i = 0; i < length; ++i)
                {
                    const auto c = static_cast<unsigned char>(text[i]);
                    if (c >= 0x20 && c != 0x7f)
                        typed += text[i];
                }
                mScene.Type(typed);
            }
            break;
        }
        case FocusOut:
            // The pointer moving into a child of ours, or a grab that will
            // give the focus back, does not take it from us.
            if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
                event.xfocus.detail != NotifyPointer && mScene.GetFocus())
                mScene.SetFocus(nullptr);
            break;
        case ClientMessage:
            if (mX->topLevel && static_cast<Atom>(event.xclient.data.l[0]) == mX->deleteWindow)
                mClosed = true;
            break;
        case DestroyNotify:
            mX->gone = true;
            mClosed = true;
            break;
        case UnmapNotify:
            mX->mapped = false;
            break;
        case MapNotify:
            mX->mapped = true;
            break;
        default:
            break;
        }
    }
}

void X11HostWindow::FollowClock()
{
    using namespace std::chrono;
    const auto now = steady_clock::now();
    const auto elapsed = duration_cast<milliseconds>(now - mClock);
    if (elapsed.count() <= 0)
        return;
    mClock += elapsed;
    // After a stall (a dialog, a suspended host) the timers catch up on a
    // quarter of a second at most rather than firing for all of it.
    mScene.AdvanceTime(static_cast<std::uint32_t>(std::min<std::int64_t>(elapsed.count(), 250)));
}

void X11HostWindow::Present()
{
    if (mX->gone)
        return;
    mScene.ReadPixels(mFrame);
    const std::int32_t width = mScene.GetWidth();
    const std::int32_t height = mScene.GetHeight();
    HostRect changed = mExposed;
    mExposed = {};
    if (mShown.size() != mFrame.size())
    {
        changed = mScene.GetClientRect();
    }
    else
    {
        for (std::int32_t y = 0; y < height; ++y)
        {
            const std::uint32_t* now = mFrame.data() + static_cast<std::ptrdiff_t>(y) * width;
            const std::uint32_t* before = mShown.data() + static_cast<std::ptrdiff_t>(y) * width;
            if (std::equal(now, now + width, before))
                continue;
            std::int32_t left = 0;
            while (now[left] == before[left])
                ++left;
            std::int32_t right = width;
            while (now[right - 1] == before[right - 1])
                --right;
            changed = HostRect::Bounds(changed, {left, y, right, y + 1});
        }
    }
    if (changed.IsEmpty())
        return;
    PutRect(changed);
    std::swap(mShown, mFrame);
    if (!mNotice.empty())
        DrawNotice();
    XFlush(mX->display);
}

void X11HostWindow::PutRect(const HostRect& rect)
{
    XImage& image = *mX->image;
    const std::int32_t width = mScene.GetWidth();
    for (std::int32_t y = rect.top; y < rect.bottom; ++y)
    {
        const std::uint32_t* from = mFrame.data() + static_cast<std::ptrdiff_t>(y) * width;
        if (mX->direct)
        {
            std::memcpy(image.data + static_cast<std::ptrdiff_t>(y) * image.bytes_per_line + rect.left * 4,
                        from + rect.left, static_cast<std::size_t>(rect.Width()) * 4);
            continue;
        }
        for (std::int32_t x = rect.left; x < rect.right; ++x)
        {
            const std::uint32_t pixel = from[x];
            XPutPixel(&image, x, y,
                      mX->red.Place((pixel >> 16) & 0xff) | mX->green.Place((pixel >> 8) & 0xff) |
                          mX->blue.Place(pixel & 0xff));
        }
    }
    if (mX->shared)
    {
        XShmPutImage(mX->display, mX->window, mX->gc, &image, rect.left, rect.top, rect.left, rect.top,
                     static_cast<unsigned>(rect.Width()), static_cast<unsigned>(rect.Height()), False);
        // The server reads the segment later; it must be done before the
        // next frame writes into it.
        XSync(mX->display, False);
    }
    else
    {
        XPutImage(mX->display, mX->window, mX->gc, &image, rect.left, rect.top, rect.left, rect.top,
                  static_cast<unsigned>(rect.Width()), static_cast<unsigned>(rect.Height()));
    }
}

void X11HostWindow::ShowNotice(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    mNotice = message;
    mExposed = mScene.GetClientRect();
}

void X11HostWindow::DrawNotice()
{
    ::Display* display = mX->display;
    XSetForeground(display, mX->gc,
                   mX->red.Place(0x8c) | mX->green.Place(0x1c) | mX->blue.Place(0x1c));
    XFillRectangle(display, mX->window, mX->gc, 0, 0, static_cast<unsigned>(mScene.GetWidth()),
                   kNoticeHeight);
    XSetForeground(display, mX->gc, mX->red.Place(0xff) | mX->green.Place(0xff) | mX->blue.Place(0xff));
    XDrawString(display, mX->window, mX->gc, 8, 15, mNotice.c_str(), static_cast<int>(mNotice.size()));
}

void X11HostWindow::UpdateCursor(std::int32_t x, std::int32_t y)
{
    if (mX->gone)
        return;
    const HostCursor shape = mScene.GetCursorAt(x, y);
    if (shape == mX->shownCursor)
        return;
    mX->shownCursor = shape;
    XDefineCursor(mX->display, mX->window, mX->cursors[static_cast<int>(shape)]);
}

HostChildWindow* X11HostWindow::SetFocus(HostChildWindow* window)
{
    HostChildWindow* previous = mScene.SetFocus(window);
    // Typing goes to the window that has the display's focus.
    if (window && mScene.GetFocus() && mX->mapped && !mX->gone)
    {
        ErrorTrap trap(mX->display);
        XSetInputFocus(mX->display, mX->window, RevertToParent, CurrentTime);
    }
    return previous;
}

void X11HostWindow::SetCursor(HostChildWindow& window, HostCursor cursor)
{
    mScene.SetCursor(window, cursor);
    UpdateCursor(mPointerX, mPointerY);
}

bool X11HostWindow::RunFileDialog(const HostFileDialog& dialog, std::string& path)
{
    const FileChooserResult result = RunExternalFileChooser(dialog, mTitle);
    // The chooser may have covered the window for a long while.
    mClock = std::chrono::steady_clock::now();
    mExposed = mScene.GetClientRect();
    switch (result.outcome)
    {
    case FileChooserResult::Outcome::Chosen:
        path = result.path;
        return true;
    case FileChooserResult::Outcome::Cancelled:
        return false;
    case FileChooserResult::Outcome::Unavailable:
    case FileChooserResult::Outcome::Failed:
        ShowNotice(result.message);
        return false;
    }
    return false;
}

} // namespace HostLib
