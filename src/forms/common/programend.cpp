#include "forms/common/programend.h"

TProgramEnd &TProgramEnd::Instance()
{
    static TProgramEnd instance;
    return instance;
}

void TProgramEnd::Begin()
{
    TProgramEnd &end = Instance();
    if (end.m_begun)
        return;
    end.m_begun = true;
    emit end.begun();
}
