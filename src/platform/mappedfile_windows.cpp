#include "platform/mappedfile.h"

// Files are always copied here: a file mapped by one program cannot be replaced by another.
void AllowMappedReads(const char *, int) {}

bool MappedReadsAllowed()
{
    return false;
}
