#pragma once

#include "import/csvparser.h"

#include <QByteArray>
#include <QDialog>
#include <memory>

class TCsvColumnMapping;
class TCsvTableModel;

namespace Ui {
class TCSVImporter;
}

/// "CSV Importer": shows a CSV file in an editable grid (its first line as the column headers,
/// each with the field its column goes to) and, on OK, imports its rows as contacts into the
/// active profile. The file's encoding and separator are detected and can be changed, which
/// reads the file again; the field of a column can be chosen by hand (remembered per profile).
class TCSVImporter : public QDialog
{
    Q_OBJECT

public:
    explicit TCSVImporter(QWidget *parent = nullptr);
    ~TCSVImporter() override;

    /// Fills the grid from the file and returns true. Throws CalbreyError ("Cannot open file"
    /// and the name) when the file cannot be read.
    bool LoadFile(const QString &fileName);
    /// The grid's current cell goes back to the top-left, where the next import starts.
    void ResetCursor();

    /// OK: imports the rows (edits included), tells the user how many contacts were added
    /// and closes. Throws CalbreyError when book.db cannot be written; nothing is written then
    /// and the window stays open, as it does when the user cancels the import's progress.
    void Button1Click();
    /// Help: the help page on importing.
    void Button7Click();

    /// The format the grid shows the file in; another one reads it again (after asking,
    /// when cells were edited; false when the user keeps the edits).
    const TCsvFormat &Format() const { return m_format; }
    bool SetFormat(const TCsvFormat &format);
    /// The user chooses the key of a column (one of its TCsvColumnMapping::Choices).
    void ChooseColumnKey(int column, const QString &key);
    const TCsvColumnMapping &Mapping() const { return *m_mapping; }

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void readTable();
    void showFormat();
    void showColumnTargets();
    void showColumnChoice();
    int currentColumn() const;
    void formatChosen();
    void columnHeaderClicked(int column);
    void rememberChoices();
    void sizeColumns();

    std::unique_ptr<Ui::TCSVImporter> ui;
    TCsvTableModel *m_model;
    std::unique_ptr<TCsvColumnMapping> m_mapping;
    QByteArray m_bytes;
    TCsvFormat m_format;
};
