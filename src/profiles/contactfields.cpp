#include "profiles/contactfields.h"

QStringList ContactFieldKeys()
{
    QStringList keys;
    keys.reserve(qsizetype(ContactFields.size()));
    for (const ContactField &field : ContactFields)
        keys.append(field.key);
    return keys;
}

const ContactField *FindContactField(QStringView key)
{
    for (const ContactField &field : ContactFields) {
        if (key.compare(field.key, Qt::CaseInsensitive) == 0)
            return &field;
    }
    return nullptr;
}

QString EncodeMultiLine(QStringView text)
{
    // Never longer than text: written through a pointer, then cut to size.
    QString result(text.size(), Qt::Uninitialized);
    QChar *out = result.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\r') {
            *out++ = u'|';
            if (i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
        } else if (c == u'\n') {
            // Text from a Qt control breaks lines with LF alone; dropping it would join lines.
            *out++ = u'|';
        } else {
            *out++ = c;
        }
    }
    result.truncate(out - result.constData());
    return result;
}

QString EncodeMultiLine(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    return EncodeMultiLine(QStringView(text));
}

QString DecodeMultiLine(QStringView stored)
{
    // Each "|" one character longer: the size known first, then written through a pointer.
    QString result(stored.size() + stored.count(u'|'), Qt::Uninitialized);
    QChar *out = result.data();
    for (const QChar c : stored) {
        if (c == u'|') {
            *out++ = u'\r';
            *out++ = u'\n';
        } else {
            *out++ = c;
        }
    }
    return result;
}

QString DecodeMultiLine(const QString &stored)
{
    return stored.contains(u'|') ? DecodeMultiLine(QStringView(stored)) : stored;
}
