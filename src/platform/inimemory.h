#pragma once

#include <QByteArray>

/// An uninitialised buffer of size bytes. A large one is backed by huge pages where the
/// system allows it: filling tens of megabytes page by page costs more than reading them.
QByteArray AllocateLargeBuffer(qsizetype size);
/// Asks for huge pages behind an allocation that has not been touched yet.
void AdviseHugePages(const void *data, qsizetype size);
