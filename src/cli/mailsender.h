#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

/// Who sent a mail message: the first address of its From: header and the name shown with it.
struct TMailSender
{
    QString name; // empty when the header gives none
    QString address;
};

/// The sender of a mail message as a mail client pipes it (headers, a blank line, the body; an
/// mbox "From " line before the headers is passed over). Folded header lines are joined,
/// encoded words (=?charset?B|Q?...?=) decoded, quoted names and comments understood ("Ann
/// Lee" <ann@example.org>, ann@example.org (Ann Lee), ann@example.org). nullopt when the
/// headers hold no From: with an address.
std::optional<TMailSender> ReadMailSender(QByteArrayView message);
