#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// What the import does with the values of a column, as its key in the field table (or the
/// user's choice, in the same form) says:
///   key          Field: the value fills the field (a later column of the same key wins, and
///                an empty cell writes an empty value);
///   +key         AddLine: the value is a further line of a multi-line field;
///   ?key         Fill: the value fills the field unless an earlier column of the row has
///                filled it; then an e-mail address joins the other addresses and anything
///                else is kept as an extra;
///   @map         ByLabel: the row's label for the column (the cell under the header with
///                "Label", or "Type", in place of its last part) picks the key, looked up in
///                the table as the line "@map <label>", else "@map *"; none keeps it as extra;
///   .label       Label: the label of other columns, not imported itself;
///   .category    Category: the first of its values is the category, the others are kept;
///   .extra       Extra: kept in the contact's extra key as the property X-CSV-<header>;
///   .skip        Skip: not imported;
///   N/A          (a header the table does not know) Extra, or Skip when the header is blank.
/// ByLabel, Fill and Category values are split at " ::: " first, the way Google puts several
/// values in one cell (Category values at ";" too, as Outlook does).
/// The key of a column whose header the field table does not know.
inline constexpr char CsvUnknownColumn[] = "N/A";

enum class TCsvColumnKind
{
    Field,
    AddLine,
    Fill,
    ByLabel,
    Label,
    Category,
    Extra,
    Skip,
};

struct TCsvColumnRule
{
    TCsvColumnKind kind = TCsvColumnKind::Skip;
    /// The field key (Field, AddLine, Fill) or the label map (ByLabel).
    QString key;

    static TCsvColumnRule FromKey(const QString &key, const QString &header);
};

/// The keys a user can choose for a column: keep as extra, skip, and each of the 34 contact
/// fields (the other e-mail addresses as added lines), with the text the importer shows.
struct TCsvColumnChoice
{
    QString key;
    QString text;
};
const QList<TCsvColumnChoice> &CsvColumnChoices();
inline constexpr char CsvExtraKey[] = ".extra";
inline constexpr char CsvSkipKey[] = ".skip";
/// A key that CsvColumnChoices() offers.
bool IsCsvColumnChoice(const QString &key);
/// The choice that stands for a column key (the field a "+key", "?key" or ".category" fills),
/// or the empty string when none does (the contact name, a label-driven column, a label).
QString CsvChoiceOf(const QString &key);

/// What the importer's mapping row shows for a column key: the field's name, or what the
/// rule does ("(keep as extra)", "(skip)", "(contact name)", "(field by label)", "(label)").
QString CsvColumnTargetText(const QString &key, const QString &header);

/// The form of a header that the user's choices are found by: headers match without regard
/// to letter case, as in the field table.
QString CsvChoiceHeader(const QString &header);

/// The vCard property a column's values are kept as: "X-CSV-" and the header in capitals,
/// each run of other characters than letters and digits a hyphen (accents dropped);
/// "X-CSV-COLUMN-<n>" (n from 1) for a header that leaves nothing.
QString CsvExtraPropertyName(const QString &header, qsizetype column);
