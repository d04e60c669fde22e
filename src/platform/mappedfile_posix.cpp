#include "platform/mappedfile.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// The mappings alive, for the bus error handler, which may read nothing but these.
struct MappedRange
{
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
};
std::array<MappedRange, 16> mappedRanges;

std::atomic<bool> allowed{false};
std::array<char, 512> endMessage{};
std::size_t endMessageSize = 0;
int endStatus = 1;
struct sigaction previousAction;

bool inMapping(std::uintptr_t address)
{
    for (const MappedRange &range : mappedRanges) {
        if (address >= range.begin.load() && address < range.end.load())
            return true;
    }
    return false;
}

void onBusError(int signal, siginfo_t *info, void *context)
{
    if (inMapping(reinterpret_cast<std::uintptr_t>(info->si_addr))) {
        [[maybe_unused]] const ssize_t written =
            ::write(STDERR_FILENO, endMessage.data(), endMessageSize);
        ::_exit(endStatus);
    }
    // Not ours: as before. Returning repeats the fault under the previous action.
    ::sigaction(SIGBUS, &previousAction, nullptr);
    if (previousAction.sa_flags & SA_SIGINFO && previousAction.sa_sigaction != nullptr)
        previousAction.sa_sigaction(signal, info, context);
}

MappedRange *claimRange(std::uintptr_t begin, std::uintptr_t end)
{
    static std::mutex claiming;
    const std::lock_guard lock(claiming);
    for (MappedRange &range : mappedRanges) {
        if (range.end.load() == 0) {
            range.begin.store(begin);
            range.end.store(end);
            return &range;
        }
    }
    return nullptr;
}

} // namespace

void AllowMappedReads(const char *message, int status)
{
    endMessageSize = std::min(std::strlen(message), endMessage.size());
    std::memcpy(endMessage.data(), message, endMessageSize);
    endStatus = status;
    struct sigaction action = {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGBUS, &action, &previousAction) == 0)
        allowed.store(true);
}

bool MappedReadsAllowed()
{
    return allowed.load();
}

std::optional<MappedBytes> MapOpenFile(int fd, qint64 size)
{
    if (size <= 0)
        return std::nullopt;
    void *const mapped = ::mmap(nullptr, std::size_t(size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return std::nullopt;
    const auto begin = reinterpret_cast<std::uintptr_t>(mapped);
    MappedRange *const range = claimRange(begin, begin + std::uintptr_t(size));
    if (range == nullptr) {
        ::munmap(mapped, std::size_t(size));
        return std::nullopt;
    }
    ::madvise(mapped, std::size_t(size), MADV_WILLNEED);
    std::shared_ptr<const void> keepAlive(mapped, [range, size](const void *address) {
        range->end.store(0);
        range->begin.store(0);
        ::munmap(const_cast<void *>(address), std::size_t(size));
    });
    return MappedBytes{QByteArray::fromRawData(static_cast<const char *>(mapped), size),
                       std::move(keepAlive)};
}
