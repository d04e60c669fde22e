#pragma once

#include "vcard/vcardproperty.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>

struct TVCard
{
    QString version; // as the card gives it ("2.1", "3.0", "4.0"), empty when it does not
    QList<TVCardProperty> properties; // in file order, without BEGIN, VERSION and END
};

struct TVCardReadResult
{
    QList<TVCard> cards;
    /// Cards left out because they are damaged: no END:VCARD, control characters that text
    /// never holds, a line longer than kMaxVCardLineBytes.
    int unreadable = 0;
};

/// Far more than the largest photo an address book writes into a card.
inline constexpr qsizetype kMaxVCardLineBytes = qsizetype(4) * 1024 * 1024;

/// Reads every card of a file, as phones, mail programs and address servers write them:
/// versions 2.1, 3.0 and 4.0 in any mix, names in either case, groups, folded lines,
/// quoted-printable with soft line breaks, CHARSET (UTF-8, Windows-1252, ISO-8859-1), line
/// ends CR LF, LF, CR or CR CR LF in any mix, a byte order mark. Text outside the cards is
/// ignored. A value in UTF-8 with a byte that cannot be read keeps its other characters, the
/// byte read as U+FFFD; a value with no CHARSET that is not UTF-8 is read as Windows-1252.
TVCardReadResult ReadVCards(QByteArrayView bytes);

/// The same, handing each whole card to take as it is read (so that a large file is never
/// held as cards all at once); returns the number of unreadable cards.
int ReadVCards(QByteArrayView bytes, const std::function<void(TVCard &&)> &take);
