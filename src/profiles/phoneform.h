#pragma once

// Phone numbers as the program compares them: however a number was written ("+1 555 123 4567",
// "(555) 123-4567", "001-555-123-4567"), the same number gives the same E.164 form. Plain
// logic, safe on any thread.

#include <QString>
#include <QStringView>

/// A phone number in the forms it is compared in.
struct TPhoneForm
{
    /// "+15551234567" when the number could be read in the default region; empty otherwise.
    QString e164;
    /// Every digit as written, in order.
    QString digits;

    bool isEmpty() const { return digits.isEmpty(); }
    /// The key a number is grouped and compared by: E.164, or for a number that could not be
    /// read its last 7 digits (all of them when it has fewer).
    QString key() const;
    /// The number as a person reads it in a reason: E.164, or the digits.
    QString shown() const { return e164.isEmpty() ? digits : e164; }
};

/// The region a number without a country code is read in: a two-letter code ("US", "NO").
/// The country of the user's locale; "US" where the locale names none.
QString DefaultPhoneRegion();

/// number as read in region (a two-letter code; empty means DefaultPhoneRegion()).
TPhoneForm MakePhoneForm(QStringView number, const QString &region = QString());

/// Whether two numbers are the same: by E.164 when both could be read, otherwise by their
/// digits, the last 7 when both have at least 7.
bool SamePhoneNumber(const TPhoneForm &a, const TPhoneForm &b);

/// The regions a number may be read in, as two-letter codes, sorted.
QStringList PhoneRegions();
