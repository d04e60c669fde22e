#pragma once

#include <QByteArrayView>
#include <QString>

/// Files are UTF-8; a line that is not valid UTF-8 comes from an older Windows system and is
/// read as Windows-1252.
QString DecodeTextLine(QByteArrayView bytes);
/// The same for a whole text (decided line by line). A UTF-8 byte order mark at the start is
/// dropped, so the first line of a file saved by a Windows editor reads like the others.
QString DecodeText(QByteArrayView bytes);

/// Bytes as Windows-1252 (every byte maps to one character).
QString DecodeWindows1252(QByteArrayView bytes);
/// Every byte is below 0x80.
bool IsAsciiText(QByteArrayView bytes);
/// Well-formed UTF-8: no overlong forms, no surrogates, nothing beyond U+10FFFF.
bool IsValidUtf8(QByteArrayView bytes);
