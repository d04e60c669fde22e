#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class TMainWindowHost;

/// What an export command of the main window does once its dialog was accepted: takes the
/// contact selected (selectedOnly) or every contact of the active profile, asks for the file
/// (title, filter, default extension), writes it with write(names, fileName) under a wait
/// cursor, and tells how it went: "Nothing to export", a failure in the general error box, or
/// "Export complete" with the count and the file.
void RunContactExport(TMainWindowHost &window, bool selectedOnly, const QString &title,
                      const QString &filter, const QString &extension,
                      const std::function<void(const QStringList &, const QString &)> &write);
