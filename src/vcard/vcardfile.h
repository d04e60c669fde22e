#pragma once

#include "import/contactimport.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TProfile;

/// The vCard version an export writes.
enum class TVCardVersion
{
    V30, // read by every address book in use
    V40,
};

/// The cards of a vCard file as contacts to import, in the order of the file.
struct TVCardContacts
{
    /// Each with all 34 contact keys (an empty text for what the card does not give, picture
    /// 0), when the card has properties of its own the key VCardExtraKey, and when it has a
    /// UID the key ContactUidKey.
    QList<TImportedContact> contacts;
    /// Cards that could not be read (no END:VCARD, not text, a line too long to be a card) or
    /// that hold nothing to name a contact by.
    int unreadable = 0;
};

/// The key of a contact's section that keeps the card's properties no contact field holds, so
/// that an export writes them back. The rest of the program does not read it.
inline constexpr char VCardExtraKey[] = "xVCardExtra";
/// The key of a contact's section that holds its UID: the card's when it came from one, made
/// when it is first synced otherwise. A server pairs the contact with its card by it.
inline constexpr char ContactUidKey[] = "xUID";

/// The cards of a file's bytes: vCard 2.1, 3.0 and 4.0, any mix. A large file is read in up
/// to parts pieces at once (0: as many as there are processors), with the same result.
TVCardContacts ReadVCardContacts(QByteArrayView bytes, qsizetype parts = 0);

/// The same for the file at fileName. Throws CalbreyError ("Cannot open file " and the name)
/// when it cannot be read.
TVCardContacts ReadVCardFile(const QString &fileName);

/// The cards of the named contacts, one each, handed to take in blocks, in order, on the
/// calling thread; the blocks are made on every processor at once.
void ForEachVCardBlock(const TProfile &profile, const QStringList &names, TVCardVersion version,
                       const std::function<void(const QByteArray &)> &take);

/// The named contacts of profile as vCards, one card each, in the order given.
QByteArray WriteVCardContacts(const TProfile &profile, const QStringList &names,
                              TVCardVersion version);

/// WriteVCardContacts into fileName, replacing it atomically. Throws CalbreyError ("Unable to
/// write to" and the name) when it cannot be written; an earlier file is then unchanged.
void ExportVCardFile(const TProfile &profile, const QStringList &names, TVCardVersion version,
                     const QString &fileName);
