#include "forms/main/frmmainform.h"

#include "profiles/untprofiles.h"

#include <QCloseEvent>

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    resize(596, 480);
    ApplyProfileToWindow();
}

TMainForm::~TMainForm() = default;

void TMainForm::ApplyProfileToWindow()
{
    setWindowTitle(QStringLiteral("Quenlark Calbrey, as ") + ActiveProfile->GetProfileInfo(2));
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    event->accept();
}
