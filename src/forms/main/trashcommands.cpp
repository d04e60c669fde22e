#include "forms/main/trashcommands.h"

#include "app/untcommon.h"
#include "forms/dialogs/frmdeletedcontacts.h"
#include "forms/main/maincommands.h"
#include "forms/main/mainwindowhost.h"
#include "import/frmimportexists.h"
#include "import/importprogress.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/trash.h"
#include "profiles/undohistory.h"
#include "profiles/untprofiles.h"

#include <QMenu>
#include <algorithm>

namespace {

// Longer actions (a contact with a very long name) are cut, so the menu stays a menu.
constexpr qsizetype kLongestAction = 48;

// Whether anything of the record is left to undo: its entries may have been restored, deleted
// for good or purged meanwhile.
bool anythingLeft(const TProfile &profile, const TUndoRecord &record)
{
    const auto inTrash = [&profile](const QString &id) {
        return profile.Trash().Entry(id).has_value();
    };
    const auto inBook = [&profile](const QString &name) {
        return profile.ContactExists(name);
    };
    return std::any_of(record.trashed.begin(), record.trashed.end(), inTrash) ||
           std::any_of(record.added.begin(), record.added.end(), inBook);
}

} // namespace

TTrashCommands::TTrashCommands(TMainWindowHost &window, TMainCommands &commands)
    : QObject(&window.Window()), m_window(window), m_undo(commands.actUndo)
{
    commands.Bind(commands.actUndo, [this] { actUndoExecute(); });
    commands.Bind(commands.actDeletedContacts, [this] { actDeletedContactsExecute(); });
    connect(&UndoHistory(), &TUndoHistory::Changed, this, &TTrashCommands::UpdateUndo);
    // Another profile may have become the active one since.
    connect(commands.Contact1, &QMenu::aboutToShow, this, &TTrashCommands::UpdateUndo);
    UpdateUndo();
}

QString TTrashCommands::UndoText(const QString &action)
{
    if (action.isEmpty())
        return QStringLiteral("&Undo");
    QString shown = action;
    if (shown.size() > kLongestAction)
        shown = shown.first(kLongestAction - 1) + QChar(0x2026);
    return QStringLiteral("&Undo ") + shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

void TTrashCommands::UpdateUndo()
{
    const std::optional<TUndoRecord> record =
        ActiveProfile ? UndoHistory().Last(*ActiveProfile) : std::nullopt;
    m_undo->setText(UndoText(record ? record->action : QString()));
    m_undo->setEnabled(record.has_value());
}

void TTrashCommands::actUndoExecute()
{
    const std::optional<TUndoRecord> record =
        ActiveProfile ? UndoHistory().Last(*ActiveProfile) : std::nullopt;
    if (!record) {
        UpdateUndo();
        return;
    }
    if (!anythingLeft(*ActiveProfile, *record)) {
        UndoHistory().Forget(*ActiveProfile);
        ShowMessageBox(QStringLiteral("The contacts of the last action are no longer in the "
                                      "trash, so it cannot be undone."),
                       QStringLiteral("Nothing to undo"), MessageBoxFlag::Information);
        return;
    }
    try {
        TContactExistsQuestion question(&m_window.Window());
        TImportProgressDialog progress(&m_window.Window());
        progress.Dialog().setWindowTitle(QStringLiteral("Undo"));
        progress.Dialog().setLabelText(QStringLiteral("Undoing ") + record->action +
                                       QStringLiteral("..."));
        UndoHistory().Undo(*ActiveProfile, question, &progress);
    } catch (const CalbreyError &error) {
        ShowGeneralError(error.message());
    }
    m_window.ReloadContactList(true);
}

void TTrashCommands::actDeletedContactsExecute()
{
    if (!ActiveProfile)
        return;
    TDeletedContacts window(&m_window.Window());
    window.exec();
    if (window.ContactsRestored())
        m_window.ReloadContactList(true);
}
