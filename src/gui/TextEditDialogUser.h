#pragma once
// The two sides of an in-place text entry: the frame that asked for it
// (a TextEditDialogUser) and the entry field the window shows. The field
// talks to the frame only through a proxy, which both sides hold; when the
// frame goes away first the proxy is cut off, so an answer that comes late
// reaches nobody.
//
// Threads: UI thread only.

#include <memory>
#include <string>

class TextEditDialogUser;

class TextEditDialogUserProxy
{
public:
    explicit TextEditDialogUserProxy(TextEditDialogUser* user) : mUser(user) {}
    // The user typed text and confirmed it.
    void Accept(const std::string& text);
    // The entry ended without a text (Escape, focus lost, a click elsewhere).
    void Cancel();
    bool IsConnected() const { return mUser != nullptr; }

private:
    friend class TextEditDialogUser;
    TextEditDialogUser* mUser = nullptr;
};

class TextEditDialogUser
{
public:
    TextEditDialogUser() = default;
    virtual ~TextEditDialogUser();
    TextEditDialogUser(const TextEditDialogUser&) = delete;
    TextEditDialogUser& operator=(const TextEditDialogUser&) = delete;

    virtual void OnTextEditAccepted(const std::string& text) = 0;
    virtual void OnTextEditCancelled() {}

protected:
    // A fresh proxy for one entry; an earlier one is cut off.
    std::shared_ptr<TextEditDialogUserProxy> NewTextEditProxy();

private:
    std::shared_ptr<TextEditDialogUserProxy> mProxy;
};
