// Feeds arbitrary bytes to the HTTP response parser, whole and in pieces of varying size, and
// checks that it keeps its bounds, that the pieces give the same response as the whole, and
// that what it keeps is what was sent.
#include "net/httpresponse.h"
#include "platform/calbreyerror.h"

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_httpresponse: %s\n", what);
        std::abort();
    }
}

struct Outcome
{
    QString failure;
    int status = 0;
    QByteArray header;
    QByteArray body;
    QByteArray cookie;
    QByteArray location;
    std::optional<qint64> length;
    bool operator==(const Outcome &) const = default;
};

// Reads as the client does: pieces until the response is complete, then the server's close.
Outcome receive(const QByteArray &bytes, uint64_t seed)
{
    THttpResponse response;
    Outcome outcome;
    try {
        qsizetype at = 0;
        while (!response.Complete() && at < bytes.size()) {
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const qsizetype piece = seed == 0 ? bytes.size() : qsizetype(seed >> 40) % 70000 + 1;
            const qsizetype size = std::min(piece, bytes.size() - at);
            response.Feed(QByteArrayView(bytes).sliced(at, size));
            at += size;
        }
        if (!response.Complete())
            response.Finish();
    } catch (const CalbreyError &error) {
        outcome.failure = error.message();
    }
    check(response.Header.size() <= THttpResponse::MaxHeaderSize, "header past its bound");
    check(response.Body.size() <= THttpResponse::MaxBodySize, "body past its bound");
    check(bytes.startsWith(response.Header), "header is not what was sent");
    if (response.ContentLength)
        check(response.Body.size() <= *response.ContentLength, "body past its length");
    if (outcome.failure.isEmpty() && !response.Body.isEmpty())
        check(bytes.sliced(response.Header.size()).startsWith(response.Body),
              "body is not what followed the header");
    if (!outcome.failure.isEmpty())
        return outcome; // how far a failed read got depends on where the pieces ended
    outcome.status = response.StatusCode;
    outcome.header = response.Header;
    outcome.body = response.Body;
    outcome.cookie = response.Cookie;
    outcome.location = response.Location;
    outcome.length = response.ContentLength;
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    // The first byte repeats the rest, so that inputs reach past the parser's bounds (up to
    // about twice the body's).
    const qsizetype rest = qsizetype(size - 1);
    qsizetype repeats = data[0] % 4 == 0 ? 1 + data[0] / 4 * 64 : 1;
    if (rest > 0)
        repeats =
            std::min(repeats, std::max<qsizetype>(1, (2 * THttpResponse::MaxBodySize) / rest));
    const QByteArray bytes =
        QByteArray(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1)).repeated(repeats);
    uint64_t seed = 0xCBF29CE484222325ULL;
    for (size_t i = 0; i < size && i < 64; ++i)
        seed = (seed ^ data[i]) * 0x100000001B3ULL;
    const Outcome whole = receive(bytes, 0);
    const Outcome pieces = receive(bytes, seed | 1);
    check(whole == pieces, "pieces read differently from the whole");
    return 0;
}
