#include "gui/TextEditDialogUser.h"

void TextEditDialogUserProxy::Accept(const std::string& text)
{
    if (TextEditDialogUser* user = mUser)
    {
        // One answer per entry.
        mUser = nullptr;
        user->OnTextEditAccepted(text);
    }
}

void TextEditDialogUserProxy::Cancel()
{
    if (TextEditDialogUser* user = mUser)
    {
        mUser = nullptr;
        user->OnTextEditCancelled();
    }
}

TextEditDialogUser::~TextEditDialogUser()
{
    if (mProxy)
        mProxy->mUser = nullptr;
}

std::shared_ptr<TextEditDialogUserProxy> TextEditDialogUser::NewTextEditProxy()
{
    if (mProxy)
        mProxy->mUser = nullptr;
    mProxy = std::make_shared<TextEditDialogUserProxy>(this);
    return mProxy;
}
