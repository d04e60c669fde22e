#pragma once

#include <QDialog>
#include <memory>

class TCsvTableModel;

namespace Ui {
class TCSVImporter;
}

/// "CSV Importer": shows a CSV file in an editable grid (its first line as the column headers)
/// and, on OK, imports its rows as contacts into the active profile.
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

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void sizeColumns();

    std::unique_ptr<Ui::TCSVImporter> ui;
    TCsvTableModel *m_model;
};
