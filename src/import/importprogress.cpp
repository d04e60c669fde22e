#include "import/importprogress.h"

#include "forms/common/programend.h"
#include "forms/main/programfont.h"

#include <limits>

namespace {

// Repainting the bar and looking for a click on Cancel this often is smooth and costs little.
constexpr qint64 kUpdateMs = 40;

int progressValue(qsizetype value)
{
    return int(qMin<qsizetype>(value, std::numeric_limits<int>::max()));
}

} // namespace

TImportProgressDialog::TImportProgressDialog(QWidget *parent)
    : m_dialog(QStringLiteral("Importing contacts..."), QStringLiteral("&Cancel"), 0, 1, parent)
{
    m_dialog.setObjectName(QStringLiteral("dlgImportProgress"));
    m_dialog.setWindowTitle(QStringLiteral("Importing"));
    m_dialog.setFont(ProgramFont(8));
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(500);
    m_dialog.setAutoClose(false);
    m_dialog.setAutoReset(false);
    m_dialog.setValue(0);
}

bool TImportProgressDialog::Advance(qsizetype done, qsizetype total)
{
    if (!m_sinceUpdate.isValid() || m_sinceUpdate.elapsed() >= kUpdateMs || done >= total) {
        m_dialog.setMaximum(progressValue(qMax<qsizetype>(total, 1)));
        // A window-modal dialog handles pending events here, a click on Cancel among them.
        m_dialog.setValue(progressValue(done));
        m_sinceUpdate.start();
    }
    // An import still running when the program ends is cancelled, so book.db stays as it was.
    return !m_dialog.wasCanceled() && !TProgramEnd::Begun();
}

void TImportProgressDialog::Finish()
{
    // Its delay would otherwise still bring it up, over the closing message, which it would
    // then keep from the user.
    m_dialog.reset();
    m_dialog.hide();
}
