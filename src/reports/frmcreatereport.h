#pragma once

#include <QDialog>
#include <QSet>
#include <memory>

class QListView;
class QStringListModel;
namespace Ui {
class TCreateReport;
}

/// "Create Report": the user picks the contacts and their order, the sections, blank fields
/// and a font; the dialog writes the report, shows it in the viewer and closes. Nothing of the
/// choices is kept between uses.
class TCreateReport : public QDialog
{
    Q_OBJECT

public:
    explicit TCreateReport(QWidget *parent = nullptr);
    ~TCreateReport() override;

    /// The names of lbInclude, in report order.
    QStringList IncludedContacts() const;

    void Button1Click();      // Add
    void Button2Click();      // Add all
    void Button3Click();      // Remove
    void Button4Click();      // Remove all
    void SpeedButton1Click(); // up
    void SpeedButton2Click(); // down
    /// Create and display: the two checks, the report, the viewer; then the dialog closes.
    void Button5Click();

private:
    void FormCreate();
    /// Whether lbContactList draws the name grey: it is already included.
    bool IsIncluded(const QString &name) const;
    /// The selected row of the list, or -1.
    static int selectedRow(const QListView &list);
    void setIncluded(const QStringList &names, int selectRow = -1);
    void moveIncluded(int offset);
    /// The two checks before a report is made; false leaves the dialog open.
    bool readyToCreate();
    void createReport();

    std::unique_ptr<Ui::TCreateReport> ui;
    QStringListModel *m_contacts;
    QStringListModel *m_include;
    QSet<QString> m_included;
};
