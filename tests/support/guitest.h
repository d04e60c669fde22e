#pragma once

// What a window test needs: controls by objectName, commands by name, answers to the next
// modal dialog.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

/// The descendant of parent of type T named name; the test ends at once when it is missing.
template <typename T> T *child(const QObject &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("%s has no %s named %s", qPrintable(parent.objectName()),
               T::staticMetaObject.className(), name);
    return found;
}

/// Triggers the action of window named name, which must exist and be enabled.
inline void trigger(const QWidget &window, const char *name)
{
    QAction *action = child<QAction>(window, name);
    QVERIFY2(action->isEnabled(), name);
    action->trigger();
}

/// Runs fn on the next modal dialog once it is up; call it before the call that blocks in
/// exec(). fn must close the dialog.
inline void whenModal(std::function<void(QWidget *)> fn)
{
    auto *timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, fn = std::move(fn)] {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            timer->stop();
            timer->deleteLater();
            fn(modal);
        }
    });
    timer->start();
}

/// Runs fn on the next modal window that inherits className, once it is shown and ready() holds
/// (fn runs from the event loop, so it may block in a dialog of its own). Unlike whenModal it
/// waits past other modal windows, such as the dialog a file dialog opens over.
inline void whenModalOf(
    const char *className, std::function<void(QWidget &)> fn,
    const std::function<bool()> &ready = [] { return true; })
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, className, fn = std::move(fn), ready] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || !modal->inherits(className) || !ready())
            return;
        poll->stop();
        poll->deleteLater();
        fn(*modal);
    });
    poll->start();
}

/// Closes the next modal dialog with done(result).
inline void answerModal(int result)
{
    whenModal([result](QWidget *modal) {
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->done(result);
        else
            modal->close();
    });
}
