#pragma once

#include "import/contactimport.h"

#include <QElapsedTimer>
#include <QProgressDialog>

/// The progress of an import as a window-modal progress dialog with Cancel. It appears only
/// when the import takes longer than half a second, and keeps the window responsive. The end
/// of the program cancels it.
class TImportProgressDialog : public TImportProgress
{
public:
    explicit TImportProgressDialog(QWidget *parent);
    bool Advance(qsizetype done, qsizetype total) override;
    /// The import is over: the dialog goes, and one that has not come up yet never does.
    void Finish();

    QProgressDialog &Dialog() { return m_dialog; }

private:
    QProgressDialog m_dialog;
    QElapsedTimer m_sinceUpdate;
};
