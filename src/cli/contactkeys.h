#pragma once

#include <QList>
#include <QString>

struct ContactField;

/// The friendly names calbrey takes for the contact keys of book.db, and the text each one
/// shows under in `calbrey show`.
struct ContactKeyName
{
    QLatin1String alias; // "email"
    QLatin1String key;   // "pEmailAddress"
    QLatin1String label; // "E-mail"
};

/// Every key's friendly name, in the order `calbrey show` lists them.
const QList<ContactKeyName> &ContactKeyNames();

/// The field of a key given by its book.db name or its friendly name, without regard to
/// case; nullptr when there is none.
const ContactField *FindContactKey(const QString &name);
