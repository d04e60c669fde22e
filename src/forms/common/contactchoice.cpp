#include "forms/common/contactchoice.h"

#include <QRadioButton>

namespace {
// A long name is cut short in the middle rather than stretching the dialog.
constexpr int kNameWidth = 220;
} // namespace

void SetUpSelectedContactChoice(QRadioButton &choice, const std::optional<QString> &selected)
{
    if (selected) {
        QString name = choice.fontMetrics().elidedText(*selected, Qt::ElideMiddle, kNameWidth);
        // An ampersand of the name is shown, not taken as a mnemonic.
        name.replace(QLatin1Char('&'), QLatin1String("&&"));
        choice.setText(choice.text() + QStringLiteral(" (") + name + QLatin1Char(')'));
    }
    choice.setEnabled(selected.has_value());
}
