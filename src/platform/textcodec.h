#pragma once

#include <QByteArrayView>
#include <QString>

/// Files are UTF-8; a line that is not valid UTF-8 comes from an older Windows system and is
/// read as Windows-1252.
QString DecodeTextLine(QByteArrayView bytes);
/// The same for a whole text (decided line by line).
QString DecodeText(QByteArrayView bytes);
