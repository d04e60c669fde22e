#pragma once

#include <QString>
#include <functional>

/// Hands target to the desktop's handler of its kind: through xdg-open, or `gio open` where
/// there is no xdg-open. False when neither could be started. The handler is not waited for
/// (it may run as long as the browser it opens); when it ends with a failure status, onFailure
/// (when given) is called from the event loop. Not on Windows, whose shell answers at once.
bool OpenWithDesktopHandler(const QString &target, const std::function<void()> &onFailure);
