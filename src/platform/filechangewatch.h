#pragma once

#include <QString>
#include <memory>

/// Tells, more cheaply than looking at the file, that nothing can have changed the file at a
/// path since the last time it was asked: not its bytes, not its times, not which file the
/// path names (a file renamed over it, a folder on the path replaced). On Linux the kernel's
/// change notices (inotify) on the file and on every folder of its path; a notice is queued
/// when the change is made, so a change finished before a question is always in the answer.
///
/// Where notices cannot be trusted to be complete the answer is always "may have changed", and
/// the caller looks at the file as it would without a watch: other systems, a network file
/// system (changed from other machines unannounced), a path through a symbolic link, a path
/// that is not absolute, the system's limit of watches reached. A lost notice (the queue
/// overflowed) counts as a change to every watched file.
///
/// A file asked about once is never watched: the watch is set up at the second question.
/// Thread-safe; the watches of all files of a process share one notice queue.
class FileChangeWatch
{
public:
    /// For a process that ends soon after it starts (calbrey): setting up the notices for a
    /// path can cost milliseconds (the kernel marks every cached entry of each folder on it),
    /// more than such a process saves; files are then looked at on every question.
    static void WatchNoFiles();

    explicit FileChangeWatch(const QString &path);
    ~FileChangeWatch();
    FileChangeWatch(const FileChangeWatch &) = delete;
    FileChangeWatch &operator=(const FileChangeWatch &) = delete;

    /// False only when the file cannot have changed since the previous call returned. Ask
    /// before looking at the file: a change made while it is looked at is then in the next
    /// answer.
    bool mayHaveChanged();

    struct Impl;

private:
    std::unique_ptr<Impl> d;
};
