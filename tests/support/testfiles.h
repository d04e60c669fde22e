#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

/// The file's bytes, or "<missing>" so that a comparison failure says what happened.
inline QByteArray ReadFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

/// Replaces the file's content in place, as another program editing it would.
inline void ReplaceFileBytes(const QString &path, const QByteArray &data)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(data), data.size());
}
