#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <span>

struct ReportField;

/// One report page of contacts of ActiveProfile, built line by line in memory and saved to a
/// file in one piece (by default the program folder's report.html). Contact data is only read.
///
/// Calling order: construct, set the options, WriteHeader, WriteContact (or WriteContacts) in
/// report order, WriteFooter, SaveReport.
class TReportGenerator
{
public:
    TReportGenerator();
    ~TReportGenerator();
    TReportGenerator(const TReportGenerator &) = delete;
    TReportGenerator &operator=(const TReportGenerator &) = delete;

    // The options, set before WriteHeader.
    bool IncludeHome = false;
    bool IncludeWork = false;
    bool IncludeNotes = false;
    /// Also write field lines whose stored value is empty.
    bool ShowBlankFields = false;
    /// Put into the page's style sheet as typed (empty allowed).
    QString FontName;

    /// The page so far, one entry a line.
    QStringList Lines() const;
    /// True once a contact block has been written.
    bool ContactWritten() const { return m_contactWritten; }

    void WriteHeader();
    /// One contact block for the book.db section of that name.
    void WriteContact(const QString &name);
    /// WriteContact for each name in turn, with one look at book.db for all of them.
    void WriteContacts(const QStringList &names);
    void WriteFooter();

    /// Writes the page to fileName, or to the program folder's report file when fileName is
    /// empty, replacing the file atomically: UTF-8 with a byte-order mark (so that no browser
    /// guesses another encoding for accented names), CR LF after every line. False after its
    /// own error message, with an earlier file of that name unchanged.
    bool SaveReport(const QString &fileName);

private:
    void AddLine(const QString &text);
    qsizetype LineCount() const { return m_lineStarts.size(); }
    void RemoveLastLine();
    /// The line of each field whose value is to be written, in order; values holds the
    /// contact's fields in the order of the contact field table.
    void WriteFields(std::span<const ReportField> fields, const QStringList &values);
    /// A heading, the fields and the close; a section without a field line leaves no trace.
    void WriteSection(const QString &title, std::span<const ReportField> fields,
                      const QStringList &values);
    void WriteOtherEmails(const QString &label, const QString &value);
    void WriteNotes(const QString &label, const QString &notes);
    bool ShouldWrite(const QString &value) const;

    // The page is kept as it is saved, UTF-8 with CR LF after each line, and the offset at
    // which each line starts: a report of many contacts has hundreds of thousands of lines.
    QByteArray m_page;
    QList<qsizetype> m_lineStarts;
    bool m_contactWritten = false;
};

/// The error box of a report that cannot be saved under fileName.
void ShowCannotSaveReport(const QString &fileName);
/// Saves a copy of the program folder's report file as fileName, with the separator picture
/// copied beside it when that folder has none yet, so the copy shows its separators. False
/// after the error message; nothing is replaced then.
bool SaveReportCopy(const QString &fileName);
