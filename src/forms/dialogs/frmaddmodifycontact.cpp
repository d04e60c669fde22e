#include "forms/dialogs/frmaddmodifycontact.h"

struct TAddModifyUser::Private
{
    bool modify = false;
    QString contactName;
};

TAddModifyUser::TAddModifyUser(QWidget *parent) : QDialog(parent), d(std::make_unique<Private>())
{
    setObjectName(QStringLiteral("AddModifyUser"));
}

TAddModifyUser::~TAddModifyUser() = default;

void TAddModifyUser::PrepareForContact(bool modify, const QString &name)
{
    d->modify = modify;
    d->contactName = modify ? name : QString();
}
