#pragma once
// Tells observers that something in the library's folders changed: inotify watches on every
// folder, a burst of events told once, a lost event queue counted as a change, and a periodic
// look at the folders where the system runs out of watches.

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
    bool pollChanged();
    void notify();

    LibraryRoots m_roots;
    Timing m_timing;
    int m_inotify = -1;
    int m_wake = -1; // eventfd that ends the thread
    QHash<int, QByteArray> m_folderOfWatch;
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
