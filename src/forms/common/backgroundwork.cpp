#include "forms/common/backgroundwork.h"

TBackgroundWork &TBackgroundWork::Instance()
{
    static TBackgroundWork instance;
    return instance;
}

void TBackgroundWork::StopAll()
{
    emit Instance().stopRequested();
}
