#include "forms/common/messageboxhandler.h"

#include "forms/common/programend.h"
#include "platform/messagebox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QMessageBox::Icon iconOf(int flags)
{
    switch (flags & 0xF0) {
    case MessageBoxFlag::IconError:
        return QMessageBox::Critical;
    case MessageBoxFlag::IconQuestion:
        return QMessageBox::Question;
    case MessageBoxFlag::IconWarning:
        return QMessageBox::Warning;
    case MessageBoxFlag::IconInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

struct ButtonSet
{
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton escape;
};

ButtonSet buttonsOf(int flags)
{
    switch (flags & 0x0F) {
    case 1: // OK and Cancel
        return {QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel};
    case MessageBoxFlag::YesNoCancel:
        return {QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel};
    case MessageBoxFlag::YesNo:
        return {QMessageBox::Yes | QMessageBox::No, QMessageBox::No};
    default:
        return {QMessageBox::Ok, QMessageBox::Ok};
    }
}

int windowsIdOf(int button)
{
    switch (button) {
    case QMessageBox::Ok:
        return MessageBoxResult::Ok;
    case QMessageBox::Cancel:
        return MessageBoxResult::Cancel;
    case QMessageBox::Yes:
        return MessageBoxResult::Yes;
    case QMessageBox::No:
        return MessageBoxResult::No;
    default:
        return 0;
    }
}
} // namespace

int ShowQtMessageBox(const QString &text, const QString &caption, int flags)
{
    const ButtonSet set = buttonsOf(flags);
    // Once the program is ending nobody is there to answer: the safe answer, as the escape
    // button gives it (No, Cancel, OK), and nothing shown.
    if (TProgramEnd::Begun())
        return windowsIdOf(set.escape);
    QMessageBox box(iconOf(flags), caption, text, set.buttons, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("CalbreyMessageBox"));
    box.setTextFormat(Qt::PlainText);
    // As on Windows, the first button is the default one unless the flags name the second.
    if (flags & MessageBoxFlag::DefaultButton2)
        box.setDefaultButton(set.buttons & QMessageBox::Yes ? QMessageBox::No
                                                            : QMessageBox::Cancel);
    else
        box.setDefaultButton(set.buttons & QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::Ok);
    box.setEscapeButton(set.escape);
    box.exec();
    const int id = windowsIdOf(box.standardButton(box.clickedButton()));
    return id != 0 ? id : windowsIdOf(set.escape);
}

void InstallQtMessageBoxHandler()
{
    SetMessageBoxHandler(&ShowQtMessageBox);
}
