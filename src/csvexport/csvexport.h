#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

class TProfile;

/// The column sets a CSV export writes, each the one its program reads back.
enum class TCsvLayout
{
    /// Outlook's and Windows Mail's names ("First Name", "E-mail Address", "Business Phone",
    /// ..., "Notes"); UTF-8 with a byte-order mark, so Excel takes the file for UTF-8.
    Outlook,
    /// Google Contacts' names ("E-mail 1 - Value", "Phone 1 - Label", ...; several values of
    /// one kind in one cell, joined by " ::: "); UTF-8 without a byte-order mark.
    Google,
};

/// The header line's names of a layout, in order.
QStringList CsvExportHeaders(TCsvLayout layout);

/// The named contacts of profile as a CSV file (RFC 4180: CR LF after every row, a field
/// quoted when it holds a comma, a double quote or a line break, a double quote inside one
/// doubled; a multi-line value keeps its line breaks inside the quotes), handed to take in
/// pieces, in order.
void ForEachCsvExportBlock(const TProfile &profile, const QStringList &names, TCsvLayout layout,
                           const std::function<void(const QByteArray &)> &take);

/// The whole file of ForEachCsvExportBlock().
QByteArray WriteCsvContacts(const TProfile &profile, const QStringList &names, TCsvLayout layout);

/// WriteCsvContacts() into fileName, replacing it atomically. Throws CalbreyError ("Unable to
/// write to" and the name) when it cannot be written; an earlier file is then unchanged.
void ExportCsvFile(const TProfile &profile, const QStringList &names, TCsvLayout layout,
                   const QString &fileName);
