#pragma once

#include "import/csvcolumns.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

/// The importer's columns and the keys they go to: the field table's, or the one the user
/// chose for the column's header. Choices are remembered per profile by header (without
/// regard to letter case), so the next file with the same header goes the same way.
class TCsvColumnMapping
{
public:
    /// remembered: (header, key) as the profile keeps them; a key that is no choice of
    /// CsvColumnChoices() is left out.
    TCsvColumnMapping(const QStringList &fieldTable,
                      const QList<std::pair<QString, QString>> &remembered);

    /// The headers of the file shown (a file read again may have others).
    void SetHeaders(const QStringList &headers);
    const QStringList &Headers() const { return m_headers; }

    /// Each column's key, as the import takes them (ChosenColumnKeys).
    QStringList Keys() const;
    /// What the mapping row shows for each column.
    QStringList TargetTexts() const;

    /// What the user can choose for a column: the field table's own key first where no
    /// choice stands for it (the contact name, a label-driven column, a label), then
    /// CsvColumnChoices().
    QList<TCsvColumnChoice> Choices(qsizetype column) const;
    /// The key of Choices() that the column has now.
    QString Chosen(qsizetype column) const;
    /// The user chooses key for the column's header; the table's own choice forgets it.
    void Choose(qsizetype column, const QString &key);

    /// What the profile must store to remember the choices for this file's headers as they
    /// are now: (header, key), an empty key to forget. Empty when nothing changed.
    QList<std::pair<QString, QString>> ChangedChoices() const;
    /// The choices as they are now have been stored.
    void ChoicesStored();

private:
    QString key(qsizetype column) const;

    QStringList m_fieldTable;
    QStringList m_headers;
    QStringList m_tableKeys;
    QHash<QString, QString> m_choices;    // by CsvChoiceHeader
    QHash<QString, QString> m_remembered; // as the profile has them
};
