// SPDX-License-Identifier: GPL-3.0-or-later
#include "changewatcher.h"

#include "directorywalk.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orsenta::platform {

namespace {

constexpr std::uint32_t watchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO
                                    | IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF
                                    | IN_ONLYDIR | IN_DONT_FOLLOW;
// Added to whatever the folder already has: it may be a library folder too.
constexpr std::uint32_t parentMask = IN_CREATE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF
                                     | IN_ONLYDIR | IN_DONT_FOLLOW | IN_MASK_ADD;

bool isFolder(const QByteArray &path) {
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

// `path` itself when it is a folder, else the closest folder above it.
QByteArray nearestExistingFolder(QByteArray path) {
    while (!isFolder(path)) {
        const qsizetype slash = path.lastIndexOf('/');
        if (slash <= 0)
            return QByteArrayLiteral("/");
        path.truncate(slash);
    }
    return path;
}

bool isAtOrBelow(const QByteArray &path, const QByteArray &folder) {
    return path == folder || (path.startsWith(folder) && path.at(folder.size()) == '/');
}

std::int64_t folderTime(const QByteArray &folder) {
    struct stat st {};
    if (::stat(folder.constData(), &st) != 0)
        return -1;
    return std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
}

// The folders below `folder` (itself included), without following links or entering trash.
QList<QByteArray> foldersBelow(const QByteArray &folder, const LibraryRoots &roots) {
    QList<QByteArray> found{folder};
    QSet<QPair<dev_t, ino_t>> seen; // a bind mount can lead back up the tree
    for (qsizetype i = 0; i < found.size(); ++i) {
        DIR *dir = ::opendir(found[i].constData());
        if (!dir)
            continue;
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArray name(entry->d_name);
            if (name == "." || name == ".." || isTrashFolderName(name))
                continue;
            const QByteArray path = found[i] + '/' + name;
            struct stat st {};
            if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode)
                && !roots.excluded.contains(path) && !seen.contains({st.st_dev, st.st_ino})) {
                seen.insert({st.st_dev, st.st_ino});
                found.append(path);
            }
        }
        ::closedir(dir);
    }
    return found;
}

} // namespace

ChangeWatcher::ChangeWatcher(LibraryRoots roots, Timing timing)
    : m_roots(std::move(roots))
    , m_timing(timing) {
    m_inotify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_wake = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    watchMissingRoots();
    m_thread = std::thread([this] { run(); });
}

ChangeWatcher::~ChangeWatcher() {
    const std::uint64_t one = 1;
    if (::write(m_wake, &one, sizeof one) < 0) {
        // The thread would still wake at its next poll timeout; nothing else to do.
    }
    m_thread.join();
    ::close(m_wake);
    if (m_inotify >= 0)
        ::close(m_inotify);
}

ObserverId ChangeWatcher::addObserver(std::function<void()> onChange) {
    std::lock_guard lock(m_observerLock);
    const ObserverId id = m_nextObserver++;
    m_observers.emplace(id, std::move(onChange));
    return id;
}

void ChangeWatcher::removeObserver(ObserverId observer) {
    std::lock_guard lock(m_observerLock);
    m_observers.erase(observer);
}

// Called on the watcher thread only (and once from the constructor, before it starts).
void ChangeWatcher::watchTree(const QByteArray &folder) {
    for (const QByteArray &path : foldersBelow(folder, m_roots)) {
        const bool allowed = m_inotify >= 0 && m_folderOfWatch.size() < m_timing.maxWatches;
        const int wd = allowed ? ::inotify_add_watch(m_inotify, path.constData(), watchMask) : -1;
        if (wd >= 0) {
            m_folderOfWatch.insert(wd, path);
        } else if (allowed && (errno == ENOENT || errno == ENOTDIR)) {
            // Gone already: its parent's watch tells of that.
        } else if (!m_polledFolderTimes.count(path)) {
            // Out of watches (or no inotify at all): this folder is looked at now and then.
            m_polledFolderTimes.emplace(path, folderTime(path));
        }
    }
    m_watched = int(m_folderOfWatch.size());
    m_polled = int(m_polledFolderTimes.size());
}

// The watches of a folder that moved away follow it out of the library: they are dropped.
void ChangeWatcher::forgetTree(const QByteArray &folder) {
    for (auto it = m_folderOfWatch.begin(); it != m_folderOfWatch.end();) {
        if (isAtOrBelow(it.value(), folder)) {
            if (!m_parentOfWatch.contains(it.key()))
                ::inotify_rm_watch(m_inotify, it.key());
            it = m_folderOfWatch.erase(it);
        } else {
            ++it;
        }
    }
    m_watched = int(m_folderOfWatch.size());
}

bool ChangeWatcher::isWatched(const QByteArray &folder) const {
    return m_folderOfWatch.key(folder, -1) >= 0 || m_polledFolderTimes.count(folder);
}

// Watches each root that is back, or else its nearest existing parent, and drops parent watches
// no longer needed. True when a root came back.
bool ChangeWatcher::watchMissingRoots() {
    bool returned = false;
    QSet<QByteArray> parentsNeeded;
    for (const QByteArray &root : m_roots.roots) {
        if (isWatched(root))
            continue;
        // The watch comes first and the look after it, so that a folder made in between is
        // seen either by the look or by the watch.
        for (QByteArray parent = nearestExistingFolder(root);;) {
            if (parent == root) {
                watchTree(root);
                returned = true;
                break;
            }
            if (m_parentOfWatch.key(parent, -1) < 0 && m_inotify >= 0) {
                const int wd = ::inotify_add_watch(m_inotify, parent.constData(), parentMask);
                if (wd >= 0)
                    m_parentOfWatch.insert(wd, parent);
            }
            const QByteArray now = nearestExistingFolder(root);
            if (now == parent) {
                parentsNeeded.insert(parent);
                break;
            }
            parent = now;
        }
    }
    for (auto it = m_parentOfWatch.begin(); it != m_parentOfWatch.end();) {
        if (parentsNeeded.contains(it.value())) {
            ++it;
            continue;
        }
        if (!m_folderOfWatch.contains(it.key()))
            ::inotify_rm_watch(m_inotify, it.key());
        it = m_parentOfWatch.erase(it);
    }
    return returned;
}

bool ChangeWatcher::pollChanged() {
    bool changed = false;
    for (auto &[folder, time] : m_polledFolderTimes) {
        const std::int64_t now = folderTime(folder);
        if (now != time) {
            time = now;
            changed = true;
        }
    }
    return changed;
}

void ChangeWatcher::notify() {
    ++m_notifications;
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(m_observerLock);
        for (const auto &[id, onChange] : m_observers)
            observers.push_back(onChange);
    }
    for (const auto &onChange : observers)
        onChange();
}

void ChangeWatcher::run() {
    using Clock = std::chrono::steady_clock;
    using std::chrono::milliseconds;
    // A plain flag beside the time: GCC takes an optional time point for uninitialised here.
    bool inBurst = false;
    Clock::time_point burstStart;
    Clock::time_point lastChange;
    Clock::time_point nextPoll = Clock::now() + m_timing.pollInterval;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        Clock::time_point deadline = nextPoll;
        if (inBurst)
            deadline =
                std::min({deadline, lastChange + m_timing.quiet, burstStart + m_timing.longest});
        const auto wait = std::chrono::ceil<milliseconds>(deadline - Clock::now());
        pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        const int ready = ::poll(fds, m_inotify >= 0 ? 2 : 1,
                                 int(std::clamp<std::int64_t>(wait.count(), 0, INT_MAX)));
        if (ready > 0 && (fds[0].revents & POLLIN))
            return;
        bool changed = false;
        bool lookAtRoots = false;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            ssize_t length;
            while ((length = ::read(m_inotify, buffer, sizeof buffer)) > 0) {
                for (char *p = buffer; p < buffer + length;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(p);
                    p += sizeof(inotify_event) + event->len;
                    const QByteArray folder = m_folderOfWatch.value(event->wd);
                    const bool inLibrary = !folder.isEmpty();
                    const bool isRoot = inLibrary && m_roots.roots.contains(folder);
                    // A parent's events only matter for what they bring back; an overflowed
                    // queue (IN_Q_OVERFLOW) is a change, and may hide a root's return.
                    changed = changed || inLibrary || (event->mask & IN_Q_OVERFLOW);
                    lookAtRoots = lookAtRoots || isRoot || m_parentOfWatch.contains(event->wd)
                                  || (event->mask & IN_Q_OVERFLOW);
                    if (inLibrary && (event->mask & IN_ISDIR)
                        && (event->mask & (IN_CREATE | IN_MOVED_TO)) && event->len > 0) {
                        const QByteArray name(event->name);
                        if (!isTrashFolderName(name))
                            watchTree(folder + '/' + name);
                    }
                    if (isRoot && (event->mask & IN_MOVE_SELF)) {
                        forgetTree(folder);
                    } else if (event->mask & IN_MOVE_SELF) {
                        // A parent that moved no longer stands above its root.
                        const auto parent = m_parentOfWatch.constFind(event->wd);
                        if (parent != m_parentOfWatch.cend() && !inLibrary)
                            ::inotify_rm_watch(m_inotify, event->wd);
                        if (parent != m_parentOfWatch.cend())
                            m_parentOfWatch.erase(parent);
                    }
                    if (event->mask & IN_IGNORED) {
                        m_folderOfWatch.remove(event->wd);
                        m_parentOfWatch.remove(event->wd);
                        m_watched = int(m_folderOfWatch.size());
                    }
                }
            }
        }
        if (lookAtRoots)
            changed = watchMissingRoots() || changed;
        const auto now = Clock::now();
        if (now >= nextPoll) {
            changed = pollChanged() || changed;
            nextPoll = now + m_timing.pollInterval;
        }
        if (changed) {
            lastChange = now;
            if (!inBurst)
                burstStart = now;
            inBurst = true;
        }
        // Events that keep coming hold a burst open only up to `longest`.
        if (inBurst
            && (now - lastChange >= m_timing.quiet || now - burstStart >= m_timing.longest)) {
            inBurst = false;
            notify();
        }
    }
}

} // namespace orsenta::platform
