#pragma once

// The normal form in which the program compares what a person typed with what a contact
// holds: the forgiving search, the duplicate finder and the command-line queries all use it.
// Plain functions of text, safe on any thread; no profile or window needed.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace NormalForm {

/// Accent- and case-blind text: "Müller" and "MULLER" both give "muller"; letters that do not
/// decompose are mapped too (ß to ss, ø to o, ł to l, æ to ae, œ to oe, đ to d, ı to i).
/// Letters of other scripts keep their script, case folded.
QString Text(QStringView text);
/// Text(text) appended to out, with no string of its own: for building long texts.
void AppendText(QStringView text, QString &out);

/// The words of a name in normal form, sorted and each once: word order, commas and other
/// punctuation do not matter ("Müller, Chloé" and "chloe muller" give the same list).
QStringList NameWords(QStringView name);
/// NameWords joined by blanks: one key per word set (empty for a name without a word).
QString NameKey(QStringView name);

/// An e-mail address as compared: trimmed and case folded.
QString Email(QStringView address);
/// A shared mailbox rather than a person's (info@, admin@, noreply@ ...): the same address
/// on two contacts says nothing about them being one person. address is in Email() form.
bool IsRoleAddress(QStringView address);

/// The digits of text, in order (any script's decimal digits, as 0 to 9).
QString Digits(QStringView text);

/// The full first name a nickname stands for ("bob" gives "robert"); any other word as it is.
/// word is in Text() form. A weak signal only: many nicknames have more than one root.
QString NicknameRoot(QStringView word);

} // namespace NormalForm
