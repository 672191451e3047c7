// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Tells observers that something in the library's folders changed: inotify watches on every
// folder, a burst of events told once, a lost event queue counted as a change, a periodic look
// at the folders where the system runs out of watches, and a watch on the nearest existing
// parent of a root that is gone, so that the root is watched again when it comes back.

#include "library/platform/platformtypes.h"
#include "libraryroots.h"

#include <QHash>

#include <atomic>
#include <chrono>
#include <functional>
#include <limits>
#include <map>
#include <mutex>
#include <thread>

namespace orsenta::platform {

class ChangeWatcher {
public:
    struct Timing {
        // A burst is told once it has been quiet this long, or after `longest` at the most.
        std::chrono::milliseconds quiet{300};
        std::chrono::milliseconds longest{2000};
        // How often folders without a watch are looked at.
        std::chrono::milliseconds pollInterval{30000};
        // Watches to use at the most; the system's own limit applies as well.
        int maxWatches = std::numeric_limits<int>::max();
    };

    explicit ChangeWatcher(LibraryRoots roots)
        : ChangeWatcher(std::move(roots), Timing()) {}
    ChangeWatcher(LibraryRoots roots, Timing timing);
    ~ChangeWatcher();
    ChangeWatcher(const ChangeWatcher &) = delete;
    ChangeWatcher &operator=(const ChangeWatcher &) = delete;

    ObserverId addObserver(std::function<void()> onChange);
    void removeObserver(ObserverId observer);

    int watchedFolders() const { return m_watched.load(); }
    int polledFolders() const { return m_polled.load(); }
    int notifications() const { return m_notifications.load(); }

private:
    void run();
    void watchTree(const QByteArray &folder);
    void forgetTree(const QByteArray &folder);
    bool watchMissingRoots();
    bool isWatched(const QByteArray &folder) const;
    bool pollChanged();
    void notify();

    LibraryRoots m_roots;
    Timing m_timing;
    int m_inotify = -1;
    int m_wake = -1; // eventfd that ends the thread
    QHash<int, QByteArray> m_folderOfWatch;
    // Existing folders above missing roots, watched only for the roots' return. A watch may
    // be in both maps when one root lies below another's parent.
    QHash<int, QByteArray> m_parentOfWatch;
    std::map<QByteArray, std::int64_t> m_polledFolderTimes; // folder -> modification time, ns
    std::atomic<int> m_watched{0};
    std::atomic<int> m_polled{0};
    std::atomic<int> m_notifications{0};
    std::mutex m_observerLock;
    std::map<ObserverId, std::function<void()>> m_observers;
    ObserverId m_nextObserver = 1;
    std::thread m_thread;
};

} // namespace orsenta::platform
