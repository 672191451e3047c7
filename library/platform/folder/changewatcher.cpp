#include "changewatcher.h"

#include "directorywalk.h"

#include <QSet>

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
    for (const QByteArray &root : m_roots.roots)
        watchTree(root);
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
        } else if (!m_polledFolderTimes.count(path)) {
            // Out of watches (or no inotify at all): this folder is looked at now and then.
            m_polledFolderTimes.emplace(path, folderTime(path));
        }
    }
    m_watched = int(m_folderOfWatch.size());
    m_polled = int(m_polledFolderTimes.size());
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
    std::optional<Clock::time_point> burstStart;
    Clock::time_point nextPoll = Clock::now() + m_timing.pollInterval;
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
        auto wait = m_timing.pollInterval;
        if (burstStart)
            wait = std::min(m_timing.quiet, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                *burstStart + m_timing.longest - Clock::now()));
        pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        const int ready =
            ::poll(fds, m_inotify >= 0 ? 2 : 1, int(std::max<std::int64_t>(0, wait.count())));
        if (ready > 0 && (fds[0].revents & POLLIN))
            return;
        bool changed = false;
        if (ready > 0 && (fds[1].revents & POLLIN)) {
            ssize_t length;
            while ((length = ::read(m_inotify, buffer, sizeof buffer)) > 0) {
                for (char *p = buffer; p < buffer + length;) {
                    const auto *event = reinterpret_cast<const inotify_event *>(p);
                    p += sizeof(inotify_event) + event->len;
                    changed = true; // an overflowed queue (IN_Q_OVERFLOW) is a change too
                    if ((event->mask & IN_ISDIR) && (event->mask & (IN_CREATE | IN_MOVED_TO))
                        && event->len > 0) {
                        const QByteArray name(event->name);
                        const QByteArray parent = m_folderOfWatch.value(event->wd);
                        if (!parent.isEmpty() && !isTrashFolderName(name))
                            watchTree(parent + '/' + name);
                    }
                    if (event->mask & IN_IGNORED)
                        m_folderOfWatch.remove(event->wd);
                }
            }
        }
        const auto now = Clock::now();
        if (now >= nextPoll) {
            changed = pollChanged() || changed;
            nextPoll = now + m_timing.pollInterval;
        }
        if (changed && !burstStart)
            burstStart = now;
        const bool quietNow = !changed && ready == 0;
        if (burstStart && (quietNow || now - *burstStart >= m_timing.longest)) {
            burstStart.reset();
            notify();
        }
    }
}

} // namespace orsenta::platform
