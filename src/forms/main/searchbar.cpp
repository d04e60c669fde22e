#include "forms/main/searchbar.h"

#include "app/untcommon.h"
#include "forms/common/waitcursor.h"
#include "forms/main/actionimage.h"
#include "forms/main/maincommands.h"
#include "platform/messagebox.h"
#include "profiles/contactsearch.h"
#include "profiles/untprofiles.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

namespace {
constexpr int BarHeight = 28;
constexpr int StripHeight = 16;
constexpr int ButtonSize = 16;
constexpr int FindBoxLeft = 56;
constexpr int FindBoxTop = 4;
constexpr int FindBoxHeight = 21;
// Long enough to let a word be typed, short enough to feel immediate.
constexpr int TypingPauseMs = 180;

QWidget *makePanel(QWidget *parent, const char *name, int height)
{
    auto *panel = new QWidget(parent);
    panel->setObjectName(QLatin1String(name));
    panel->setFixedHeight(height);
    panel->hide();
    return panel;
}

// The design width, or the caption's where the desktop's font needs more.
QCheckBox *makeCheckBox(QWidget *panel, const char *name, const QString &caption, int width)
{
    auto *box = new QCheckBox(caption, panel);
    box->setObjectName(QLatin1String(name));
    const QSize hint = box->sizeHint();
    box->resize(qMax(width, hint.width()), hint.height());
    return box;
}

TActionImage *makeButton(QWidget *panel, const char *name, const char *artwork)
{
    auto *button = new TActionImage(panel);
    button->setObjectName(QLatin1String(name));
    button->SetPicturesFromArtwork(QStringLiteral("btn_") + QLatin1String(artwork), ButtonSize);
    return button;
}

bool isEnter(const QKeyEvent *key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat();
}
} // namespace

TSearchBar::TSearchBar(TMainCommands &commands, TSearchHost host, QWidget *parent)
    : QObject(parent), m_commands(commands), m_host(std::move(host)),
      m_panelSearch(makePanel(parent, "panelSearch", BarHeight)),
      m_panelSearchResults(makePanel(parent, "panelSearchResults", StripHeight))
{
    createSearchPanel();
    createResultsPanel();

    m_commands.Bind(m_commands.actSearchNow, [this] { actSearchNowExecute(); });
    m_commands.Bind(m_commands.muSearchBar, [this] { muSearchBarExecute(); });
    connect(btnGoSearch, &TActionImage::clicked, this,
            m_commands.Gated([this] { actSearchNowExecute(); }));
    connect(btnCloseSearch, &TActionImage::clicked, this,
            m_commands.Gated([this] { btnCloseSearchClick(); }));
    connect(m_commands.Go1, &QMenu::aboutToShow, this, &TSearchBar::Go1Click);

    m_typingPause = new QTimer(this);
    m_typingPause->setSingleShot(true);
    m_typingPause->setInterval(TypingPauseMs);
    connect(m_typingPause, &QTimer::timeout, this, m_commands.Gated([this] { FollowTyping(); }));
    connect(ebFindWhat, &QLineEdit::textEdited, this, [this] {
        if (cbFindAnyField->isChecked())
            m_typingPause->start();
    });
    connect(cbFindAnyField, &QCheckBox::clicked, this,
            m_commands.Gated([this] { cbFindAnyFieldClick(); }));
}

void TSearchBar::createSearchPanel()
{
    m_findLabel = new QLabel(QStringLiteral("Find what:"), m_panelSearch);
    m_findLabel->adjustSize();
    m_findLabel->move(0, FindBoxTop + (FindBoxHeight - m_findLabel->height()) / 2);

    ebFindWhat = new QLineEdit(m_panelSearch);
    ebFindWhat->setObjectName(QStringLiteral("ebFindWhat"));
    ebFindWhat->setGeometry(qMax(FindBoxLeft, m_findLabel->width() + 4), FindBoxTop, 0,
                            FindBoxHeight);
    ebFindWhat->installEventFilter(this);

    cbFindMatchCase =
        makeCheckBox(m_panelSearch, "cbFindMatchCase", QStringLiteral("&Match case"), 77);
    cbFindExactMatch =
        makeCheckBox(m_panelSearch, "cbFindExactMatch", QStringLiteral("&Exact match"), 81);
    cbEntire = makeCheckBox(m_panelSearch, "cbEntire", QStringLiteral("E&ntire database"), 101);
    cbEntire->hide();
    cbFindAnyField =
        makeCheckBox(m_panelSearch, "cbFindAnyField", QStringLiteral("Any &field"), 71);
    cbFindAnyField->setToolTip(QStringLiteral("Find every word in any field, without regard to "
                                              "accents or case; the list follows your typing"));
    for (QCheckBox *box : {cbFindMatchCase, cbFindExactMatch, cbEntire, cbFindAnyField})
        box->move(box->x(), FindBoxTop + (FindBoxHeight - box->height()) / 2);

    btnGoSearch = makeButton(m_panelSearch, "btnGoSearch", "gosearch");
    btnGoSearch->move(0, FindBoxTop + (FindBoxHeight - ButtonSize) / 2);
    btnGoSearch->setToolTip(m_commands.actSearchNow->text().remove(QLatin1Char('&')));

    m_panelSearch->installEventFilter(this);
    LayoutSearchBar();
}

void TSearchBar::createResultsPanel()
{
    auto *caption = new QLabel(QStringLiteral("Search results: "), m_panelSearchResults);
    btnCloseSearch = makeButton(m_panelSearchResults, "btnCloseSearch", "closesearch");
    auto *strip = new QHBoxLayout(m_panelSearchResults);
    strip->setContentsMargins(0, 0, 0, 0);
    strip->setSpacing(0);
    strip->addWidget(caption);
    strip->addStretch(1);
    strip->addWidget(btnCloseSearch);
}

void TSearchBar::SetBarVisible(bool visible)
{
    m_panelSearch->setVisible(visible);
    cbFindAnyField->setChecked(ActiveProfile && ActiveProfile->SearchAnyField);
}

void TSearchBar::ListShowsCategory(bool narrowed)
{
    m_typingPause->stop();
    m_followedList.reset();
    m_panelSearchResults->hide();
    SetEntireDatabaseVisible(narrowed);
}

void TSearchBar::FollowInTabOrder(QWidget *previous)
{
    QWidget *last = previous;
    for (QWidget *next : std::initializer_list<QWidget *>{
             ebFindWhat, cbFindMatchCase, cbFindExactMatch, cbEntire, cbFindAnyField}) {
        QWidget::setTabOrder(last, next);
        last = next;
    }
}

void TSearchBar::muSearchBarExecute()
{
    if (!ActiveProfile)
        return;
    const bool show = m_panelSearch->isHidden();
    m_panelSearch->setVisible(show);
    if (show)
        ebFindWhat->setFocus();
    ActiveProfile->DisplaySearchBar = show;
    ActiveProfile->SaveSettings();
}

void TSearchBar::actSearchNowExecute()
{
    m_typingPause->stop();
    if (!ActiveProfile)
        return;
    // Blanks are something to search for; only a box without a character is refused.
    if (ebFindWhat->text().isEmpty()) {
        ShowMessageBox(
            QStringLiteral("Please type in something to search for before you being a search."),
            QStringLiteral("No search string found."), MessageBoxFlag::Information);
        if (!m_panelSearch->isHidden())
            ebFindWhat->setFocus();
        return;
    }
    RunSearch(searchSource());
}

QStringList TSearchBar::searchSource() const
{
    QStringList source;
    if (cbEntire->isChecked()) {
        // Checked counts also while the box is hidden.
        const TProfile::ContactReadScope scope(*ActiveProfile);
        ActiveProfile->GetContactNames(source);
    } else {
        source = m_followedList.value_or(m_host.listedContacts());
    }
    return source;
}

QStringList TSearchBar::findIn(const QStringList &source) const
{
    const QString typed = ebFindWhat->text();
    const ContactNameSearch how{cbFindMatchCase->isChecked(), cbFindExactMatch->isChecked()};
    if (!cbFindAnyField->isChecked())
        return SearchContactNames(source, typed, how);
    // Built once per version of book.db; reading a large book takes a moment.
    if (m_index.NeedsUpdate(*ActiveProfile)) {
        const WaitCursor wait;
        m_index.Update(*ActiveProfile);
    }
    return SearchContactsAnyField(source, typed, how, m_index);
}

void TSearchBar::showFound(const QStringList &found, const QString &typed)
{
    m_host.showResults(found, QStringLiteral("Search results for ") + typed);
    m_panelSearchResults->show();
    SetEntireDatabaseVisible(true);
}

void TSearchBar::FollowTyping()
{
    m_typingPause->stop();
    if (!ActiveProfile || !cbFindAnyField->isChecked())
        return;
    const QString typed = ebFindWhat->text();
    if (typed.trimmed().isEmpty()) {
        if (m_followedList)
            m_host.reloadKeepingSelection();
        return;
    }
    const QStringList source = searchSource();
    if (!m_followedList)
        m_followedList = m_host.listedContacts();
    showFound(findIn(source), typed);
}

void TSearchBar::cbFindAnyFieldClick()
{
    if (!ActiveProfile)
        return;
    ActiveProfile->SearchAnyField = cbFindAnyField->isChecked();
    ActiveProfile->SaveSettings();
}

void TSearchBar::RunSearch(const QStringList &source)
{
    const QString typed = ebFindWhat->text();
    const QStringList found = findIn(source);
    if (found.isEmpty()) {
        const bool matchCase = cbFindMatchCase->isChecked();
        const QString needle = matchCase ? typed : LowerAtoZ(typed);
        ShowMessageBox(QStringLiteral("There were no contacts found for the search string \"") +
                           needle + QStringLiteral("\" in your address book."),
                       QStringLiteral("Nothing found."), MessageBoxFlag::Information);
        m_host.reloadKeepingSelection();
        return;
    }
    showFound(found, typed);
}

void TSearchBar::btnCloseSearchClick()
{
    m_host.reloadKeepingSelection();
}

void TSearchBar::SetEntireDatabaseVisible(bool visible)
{
    cbEntire->setVisible(visible);
    LayoutSearchBar();
}

void TSearchBar::LayoutSearchBar()
{
    const int width = m_panelSearch->width();
    const int entire = cbEntire->isHidden() ? 0 : cbEntire->width();
    const int findWidth = width - ebFindWhat->x() - cbFindMatchCase->width() - entire -
                          cbFindExactMatch->width() - cbFindAnyField->width() - 20;
    ebFindWhat->resize(qMax(0, findWidth), ebFindWhat->height());
    btnGoSearch->move(width - ButtonSize, btnGoSearch->y());
    cbFindMatchCase->move(ebFindWhat->geometry().right() + 1 + 5, cbFindMatchCase->y());
    cbFindExactMatch->move(cbFindMatchCase->geometry().right() + 1, cbFindExactMatch->y());
    cbEntire->move(cbFindExactMatch->geometry().right() + 1, cbEntire->y());
    const QWidget *before = cbEntire->isHidden() ? cbFindExactMatch : cbEntire;
    cbFindAnyField->move(before->geometry().right() + 1, cbFindAnyField->y());
}

void TSearchBar::Go1Click()
{
    m_commands.mnSearchNow->setVisible(!m_panelSearch->isHidden());
}

bool TSearchBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panelSearch && event->type() == QEvent::Resize) {
        LayoutSearchBar();
    } else if (watched == ebFindWhat && event->type() == QEvent::KeyPress) {
        if (isEnter(static_cast<QKeyEvent *>(event)))
            m_enterDown = true;
    } else if (watched == ebFindWhat && event->type() == QEvent::KeyRelease) {
        if (isEnter(static_cast<QKeyEvent *>(event)) && m_enterDown) {
            m_enterDown = false;
            m_commands.Gated([this] { actSearchNowExecute(); })();
        }
    } else if (watched == ebFindWhat && event->type() == QEvent::FocusOut) {
        m_enterDown = false;
    }
    return QObject::eventFilter(watched, event);
}
