#include "forms/dialogs/frmaddmodifycontact.h"

#include "app/untcommon.h"
#include "app/untexecute.h"
#include "forms/common/filedialogs.h"
#include "forms/main/programfont.h"
#include "platform/atomicfile.h"
#include "platform/calbreyerror.h"
#include "platform/messagebox.h"
#include "profiles/contactfields.h"
#include "profiles/untprofiles.h"
#include "ui_frmaddmodifycontact.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>

namespace {
const QLatin1String iconKey("aIcon");
const QLatin1String notesKey("aNotes");

const QString notesFilter = QStringLiteral("Text Files|*.txt|All Files|*.*");
const char *const followTag = "tag";

QString fieldText(const QWidget *control)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentText();
    return QString();
}

// Loaded texts show their beginning: a long country or address must not open scrolled to
// its end in a narrow field.
void setFieldText(QWidget *control, const QString &text)
{
    QLineEdit *edit = qobject_cast<QLineEdit *>(control);
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        combo->setEditText(text);
        edit = combo->lineEdit();
    } else if (edit) {
        edit->setText(text);
    }
    if (edit)
        edit->setCursorPosition(0);
}

// The memo's text with CR LF line breaks, the form the contact store expects. The raw text is
// used because toPlainText() turns non-breaking spaces into plain ones.
QString memoText(const QPlainTextEdit *memo)
{
    QString text = memo->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QString withNewlines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QWidget *controlFor(const QWidget &dialog, const ContactField &field)
{
    return dialog.findChild<QWidget *>(field.editorControl);
}

// Draws each picture 3 pixels in from the left on the item's background.
class IconItemDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect,
                          selected ? option.palette.highlight() : option.palette.base());
        const QImage picture = index.data(Qt::UserRole).value<QImage>();
        painter->drawImage(option.rect.topLeft() + QPoint(3, 0), picture);
    }
    QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override
    {
        return {32 + 6, 32};
    }
};
} // namespace

struct TAddModifyUser::Private
{
    Ui::AddModifyUser ui;
    bool modify = false;
    QString contactName;
    // The stored picture number when it names no picture, kept unless the user picks one.
    int storedIcon = 0;
};

TAddModifyUser::TAddModifyUser(QWidget *parent) : QDialog(parent), d(std::make_unique<Private>())
{
    Ui::AddModifyUser &ui = d->ui;
    ui.setupUi(this);
    setFont(ProgramFont(8));
    setFixedSize(495, 435);
    ui.pRealName->setProperty(followTag, 0);
    ui.aContactIcon->setItemDelegate(new IconItemDelegate(ui.aContactIcon));

    connect(ui.aContactName, &QLineEdit::textChanged, this, &TAddModifyUser::aContactNameChange);
    connect(ui.wCompany, &QLineEdit::textChanged, this, &TAddModifyUser::wCompanyChange);
    connect(ui.Button1, &QPushButton::clicked, this, &TAddModifyUser::Button1Click);
    connect(ui.Button2, &QPushButton::clicked, this, &QDialog::reject);

    const auto pageButton = [this](QAbstractButton *button, QWidget *page) {
        connect(button, &QAbstractButton::clicked, this,
                [this, page] { d->ui.Pages->setCurrentWidget(page); });
    };
    pageButton(ui.btnNext1, ui.tabHome);
    pageButton(ui.btnBack1, ui.tabPersonal);
    pageButton(ui.btnNext2, ui.tabWork);
    pageButton(ui.btnBack2, ui.tabHome);
    pageButton(ui.Button3, ui.tabNotes);
    pageButton(ui.Button4, ui.tabWork);

    const auto quickButton = [this](QAbstractButton *button, QLineEdit *field,
                                    void (*launch)(const QString &)) {
        connect(button, &QAbstractButton::clicked, this,
                [field, launch] { launch(field->text()); });
    };
    quickButton(ui.sbMail1, ui.pEmailAddress, &SendEmail);
    quickButton(ui.sbMail2, ui.hEmail, &SendEmail);
    quickButton(ui.sbMail3, ui.wEmail, &SendEmail);
    quickButton(ui.sbGlobe1, ui.pHomePage, &OpenWebPage);
    quickButton(ui.sbGlobe2, ui.hWebSite, &OpenWebPage);
    quickButton(ui.sbGlobe3, ui.wWebSite, &OpenWebPage);

    connect(ui.ToolButton2, &QToolButton::clicked, this, &TAddModifyUser::ToolButton2Click);
    connect(ui.ToolButton3, &QToolButton::clicked, this, &TAddModifyUser::ToolButton3Click);
    connect(ui.ToolButton4, &QToolButton::clicked, ui.mNotes, &QPlainTextEdit::copy);
    connect(ui.ToolButton5, &QToolButton::clicked, ui.mNotes, &QPlainTextEdit::cut);
    connect(ui.ToolButton6, &QToolButton::clicked, ui.mNotes, &QPlainTextEdit::paste);
    connect(ui.ToolButton7, &QToolButton::clicked, ui.mNotes, &QPlainTextEdit::undo);

    FormCreate();
    ui.aContactName->setFocus();
}

TAddModifyUser::~TAddModifyUser() = default;

void TAddModifyUser::FormCreate()
{
    Ui::AddModifyUser &ui = d->ui;
    const auto glyph = [](const char *resource) {
        QImage image;
        LoadResourceBitmap(QLatin1String(resource), image);
        return QIcon(QPixmap::fromImage(image));
    };
    const QIcon globe = glyph("QUICK_BMP_GLOBE");
    const QIcon mail = glyph("QUICK_BMP_MAIL");
    for (QToolButton *button : {ui.sbGlobe1, ui.sbGlobe2, ui.sbGlobe3})
        button->setIcon(globe);
    for (QToolButton *button : {ui.sbMail1, ui.sbMail2, ui.sbMail3})
        button->setIcon(mail);
    const std::pair<QToolButton *, const char *> toolGlyphs[] = {
        {ui.ToolButton2, "NOTES_OPEN"},  {ui.ToolButton3, "NOTES_SAVE"},
        {ui.ToolButton4, "NOTES_COPY"},  {ui.ToolButton5, "NOTES_CUT"},
        {ui.ToolButton6, "NOTES_PASTE"}, {ui.ToolButton7, "NOTES_UNDO"},
    };
    for (const auto &[button, resource] : toolGlyphs)
        button->setIcon(glyph(resource));

    ui.Pages->setCurrentWidget(ui.tabPersonal);

    if (ActiveProfile) {
        QStringList categories;
        ActiveProfile->GetCategories(categories);
        if (!categories.isEmpty())
            categories.removeFirst();
        for (const QString &category : std::as_const(categories)) {
            if (ui.aContactCat->findText(category, Qt::MatchFixedString) < 0)
                ui.aContactCat->addItem(category);
        }
    }
    ui.aContactCat->setCurrentIndex(-1);

    QStringList countries;
    LoadCountryList(countries);
    for (QComboBox *combo : {ui.hCountry, ui.wCountry}) {
        combo->addItems(countries);
        combo->setCurrentIndex(-1);
    }

    QList<QImage> pictures;
    LoadUserIconList(pictures);
    for (const QImage &picture : std::as_const(pictures)) {
        ui.aContactIcon->addItem(QIcon(QPixmap::fromImage(picture)), QString());
        ui.aContactIcon->setItemData(ui.aContactIcon->count() - 1, picture, Qt::UserRole);
    }
    ui.aContactIcon->setCurrentIndex(0);
}

void TAddModifyUser::PrepareForContact(bool modify, const QString &name)
{
    Ui::AddModifyUser &ui = d->ui;
    const QString profileName = ActiveProfile ? ActiveProfile->GetProfileInfo(2) : QString();
    d->modify = modify;
    if (!modify) {
        d->contactName.clear();
        setWindowTitle(QStringLiteral("Add Contact for ") + profileName);
        ui.aContactName->setFocus();
        return;
    }

    d->contactName = name;
    const TProfile &profile = *ActiveProfile;
    // Field by field in the order of the key table; the name goes in first, so the real name
    // follows it and is then overwritten by its own stored value.
    for (const ContactField &field : ContactFields) {
        if (field.key == iconKey) {
            const int icon = profile.ReadIntField(name, field.key);
            d->storedIcon = icon;
            ui.aContactIcon->setCurrentIndex(icon >= 0 && icon < ui.aContactIcon->count() ? icon
                                                                                          : -1);
            continue;
        }
        QWidget *control = controlFor(*this, field);
        if (auto *memo = qobject_cast<QPlainTextEdit *>(control)) {
            const QString text = field.key == notesKey
                                     ? profile.ReadNotes(name)
                                     : profile.ReadMultiLineField(name, field.key);
            memo->setPlainText(withNewlines(text));
        } else {
            // The name shown is always the one the contact is stored under, so that OK writes
            // back to the same section even when its "aContactName" key says otherwise.
            setFieldText(control,
                         control == ui.aContactName ? name : profile.ReadField(name, field.key));
        }
    }

    setWindowTitle(QStringLiteral("Modify Contact \"") + name + QStringLiteral("\" for ") +
                   profileName);
    ui.aContactName->setEnabled(false);
    ui.pRealName->setFocus();
}

void TAddModifyUser::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (const QScreen *shown = screen())
        move(shown->availableGeometry().center() - rect().center());
}

void TAddModifyUser::aContactNameChange()
{
    QLineEdit *realName = d->ui.pRealName;
    if (realName->text().isEmpty() || realName->property(followTag).toInt() != 0) {
        realName->setText(d->ui.aContactName->text());
        realName->setProperty(followTag, 1);
    }
}

void TAddModifyUser::wCompanyChange()
{
    d->ui.pRealName->setProperty(followTag, 0);
}

bool TAddModifyUser::CheckInput()
{
    Ui::AddModifyUser &ui = d->ui;
    if (ui.mNotes->toPlainText().contains(QLatin1Char('|'))) {
        ShowMessageBox(
            QStringLiteral("Sorry but you cannot include the | charactor in the notes field."),
            QStringLiteral("Invalid notes data."), MessageBoxFlag::Error);
        ui.Pages->setCurrentWidget(ui.tabNotes);
        ui.mNotes->setFocus();
        return false;
    }
    const QString name = ui.aContactName->text();
    if (name.isEmpty()) {
        ShowMessageBox(QStringLiteral("Please type in a contact name."),
                       QStringLiteral("Enter contact name."), MessageBoxFlag::Error);
        ui.aContactName->setFocus();
        return false;
    }
    if (!TProfile::IsStorableContactName(name)) {
        ShowMessageBox(QStringLiteral("A contact name cannot begin or end with blanks, nor hold "
                                      "the \"]\" character or a line break.  Please type in "
                                      "another name for the contact."),
                       QStringLiteral("Invalid contact name."), MessageBoxFlag::Error);
        ui.aContactName->setFocus();
        return false;
    }
    if (!d->modify && ActiveProfile->ContactExists(name)) {
        ShowMessageBox(QStringLiteral("This contact you are trying to add already exists.  "
                                      "Please type in a new name for the contact."),
                       QStringLiteral("Contact already exists."), MessageBoxFlag::Information);
        ui.aContactName->setFocus();
        return false;
    }
    const TProfile &profile = *ActiveProfile;
    return ValidateEmail(ui.pEmailAddress->text(), profile.ValidateEmails) &&
           ValidateUrl(ui.pHomePage->text(), profile.ValidateUrls) &&
           ValidateUrl(ui.hWebSite->text(), profile.ValidateUrls);
}

void TAddModifyUser::SaveContact()
{
    Ui::AddModifyUser &ui = d->ui;
    TProfile &profile = *ActiveProfile;
    const QString name = ui.aContactName->text();
    const int icon = ui.aContactIcon->currentIndex();

    // One replacement of book.db for the whole contact: a failed write leaves it as it was.
    TProfile::ContactBatch batch(profile);
    for (const ContactField &field : ContactFields) {
        if (field.key == iconKey) {
            profile.WriteIntField(name, field.key, icon >= 0 ? icon : d->storedIcon);
            continue;
        }
        QWidget *control = controlFor(*this, field);
        if (const auto *memo = qobject_cast<const QPlainTextEdit *>(control)) {
            if (field.key == notesKey)
                profile.WriteNotes(name, memoText(memo));
            else
                profile.WriteMultiLineField(name, field.key, memoText(memo));
        } else {
            profile.WriteField(name, field.key, fieldText(control));
        }
    }
    batch.commit();
    d->contactName = name;
}

void TAddModifyUser::Button1Click()
{
    if (!CheckInput())
        return;
    SaveContact();
    accept();
}

void TAddModifyUser::ToolButton2Click()
{
    const QString fileName = FileDialogs::GetOpenFileName(
        this, QStringLiteral("Load notes for this contact: "), notesFilter);
    if (fileName.isEmpty())
        return;
    QStringList lines;
    AppendFileLines(lines, fileName);
    // Through the cursor rather than setPlainText() so that a wrong file can be undone.
    QTextCursor cursor(d->ui.mNotes->document());
    cursor.select(QTextCursor::Document);
    cursor.insertText(lines.join(QLatin1Char('\n')));
}

void TAddModifyUser::ToolButton3Click()
{
    const QString fileName =
        FileDialogs::GetSaveFileName(this, QStringLiteral("Choose a file name for your notes: "),
                                     notesFilter, QStringLiteral("TXT"));
    if (fileName.isEmpty())
        return;
    const QString text = withNewlines(memoText(d->ui.mNotes));
    QByteArray data;
    if (!text.isEmpty()) {
        for (const QString &line : text.split(QLatin1Char('\n')))
            data += line.toUtf8() + "\r\n";
    }
    try {
        WriteFileAtomically(fileName, data);
    } catch (const CalbreyError &) {
        throw CalbreyError(QStringLiteral("Cannot create file ") + fileName);
    }
}

int TNotesMemo::room() const
{
    const int length = document()->characterCount() - 1;
    return MaxTypedLength - (length - static_cast<int>(textCursor().selectedText().size()));
}

void TNotesMemo::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool typesText = !text.isEmpty() &&
                           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                           (text.at(0).isPrint() || text.at(0) == QLatin1Char('\r') ||
                            text.at(0) == QLatin1Char('\n'));
    if (typesText && text.size() > room()) {
        event->accept();
        QApplication::beep();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TNotesMemo::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText())
        return;
    QString text = withNewlines(source->text());
    const int available = room();
    if (available <= 0)
        return;
    text.truncate(available);
    textCursor().insertText(text);
    ensureCursorVisible();
}

void TNotesMemo::inputMethodEvent(QInputMethodEvent *event)
{
    const int available = std::max(0, room());
    if (event->commitString().size() <= available) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QInputMethodEvent trimmed(event->preeditString(), event->attributes());
    trimmed.setCommitString(event->commitString().left(available), event->replacementStart(),
                            event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&trimmed);
}
