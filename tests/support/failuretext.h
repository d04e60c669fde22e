#pragma once

#include "platform/calbreyerror.h"

#include <QString>
#include <functional>

/// The message of the CalbreyError action throws, or "<no failure>" when it throws none.
inline QString FailureOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const CalbreyError &error) {
        return error.message();
    }
    return QStringLiteral("<no failure>");
}
