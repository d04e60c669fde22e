#pragma once

#include "import/contactimport.h"

#include <QList>
#include <QString>
#include <functional>

class QWidget;

/// What the user is told of the contacts an import left out because their names cannot be
/// stored, by their numbers (positions from 0, shown from 1): "2 rows were not imported ...:
/// rows 4 and 9." noun names one item of the source ("row", "card").
QString UnstorableReport(const QList<qsizetype> &unstorable, const QString &noun);

/// Imports contactAt(0) to contactAt(count - 1) into the active profile in one batch, clashes
/// asked in the clash dialog and progress shown over parent; then says how many were added
/// and, through UnstorableReport, which were left out. A cancelled import says nothing.
/// Throws CalbreyError as TContactImport::Run does.
TImportResult ImportWithReport(QWidget *parent, qsizetype count,
                               const std::function<TImportedContact(qsizetype)> &contactAt,
                               const QString &noun);
