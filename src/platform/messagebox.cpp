#include "platform/messagebox.h"

#include <QTextStream>

namespace {
MessageBoxHandler &installedHandler()
{
    static MessageBoxHandler handler;
    return handler;
}
} // namespace

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

int RunMessageBox(const QString &text, const QString &caption, int flags)
{
    if (installedHandler())
        return installedHandler()(text, caption, flags);
    QTextStream(stderr) << caption << ": " << text << Qt::endl;
    switch (flags & 0x0F) {
    case MessageBoxFlag::YesNo:
        return MessageBoxResult::No;
    case MessageBoxFlag::YesNoCancel:
        return MessageBoxResult::Cancel;
    default:
        return MessageBoxResult::Ok;
    }
}
