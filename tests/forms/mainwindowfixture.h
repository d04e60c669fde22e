#pragma once

// The main window on a test profile, shown and active, for the suites of its features.

#include "forms/common/programend.h"
#include "forms/main/contactlistview.h"
#include "forms/main/frmmainform.h"
#include "guitest.h"
#include "recordinglauncher.h"
#include "scriptedmessagebox.h"
#include "testprofile.h"

#include <memory>

struct MainWindowFixture
{
    std::unique_ptr<TestProfile> profile;
    std::unique_ptr<ScriptedMessageBox> boxes;
    std::unique_ptr<RecordingLauncher> launcher;
    std::unique_ptr<TMainForm> form;

    /// A new window on the book as it is; call from init().
    void open()
    {
        boxes = std::make_unique<ScriptedMessageBox>();
        launcher = std::make_unique<RecordingLauncher>();
        form = std::make_unique<TMainForm>();
        form->show();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
    }
    /// From cleanup(): no window or dialog is left behind.
    void close()
    {
        form.reset();
        TProgramEnd::ResetForTests();
        launcher.reset();
        boxes.reset();
        QVERIFY(QApplication::topLevelWidgets().isEmpty());
    }

    template <typename T = QWidget> T *control(const char *name) const
    {
        return child<T>(*form, name);
    }
    /// The user chooses the contact with a left click on its row.
    void clickRow(const QString &name) const
    {
        const int row = form->ListedContacts().indexOf(name);
        QVERIFY2(row >= 0, qPrintable(name));
        auto *list = control<TContactListView>("lbContactList");
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(row, 0)).center());
    }
    QString selected() const
    {
        return form->HasSelectedContact() ? form->SelectedContactName() : QString();
    }
};
