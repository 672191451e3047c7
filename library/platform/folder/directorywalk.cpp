// SPDX-License-Identifier: GPL-3.0-or-later
#include "directorywalk.h"

#include "filespace.h"
#include "videofiletypes.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace orsenta::platform {

namespace {

std::int64_t nanoseconds(const struct statx_timestamp &t) {
    return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void fillStat(const struct statx &sx, FileStat &stat) {
    stat.device = (std::uint64_t(sx.stx_dev_major) << 32) | sx.stx_dev_minor;
    stat.inode = sx.stx_ino;
    stat.size = std::int64_t(sx.stx_size);
    stat.allocated = std::int64_t(sx.stx_blocks) * 512;
    stat.modifiedNs = nanoseconds(sx.stx_mtime);
    stat.changedNs = nanoseconds(sx.stx_ctime);
    stat.bornNs = (sx.stx_mask & STATX_BTIME) ? nanoseconds(sx.stx_btime) : 0;
    stat.linkCount = sx.stx_nlink;
}

constexpr unsigned statMask = STATX_TYPE | STATX_INO | STATX_NLINK | STATX_SIZE | STATX_BLOCKS
                              | STATX_MTIME | STATX_CTIME | STATX_BTIME;

std::int64_t sharedBytesAt(int folder, const char *name) {
    const int fd =
        ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return 0;
    const std::int64_t shared = sharedBytes(fd);
    ::close(fd);
    return shared;
}

// A shared queue of folders still to list; the walk ends when it is empty and nobody is busy.
class FolderQueue {
public:
    void push(QByteArray folder) {
        {
            std::lock_guard lock(m_lock);
            m_folders.push_back(std::move(folder));
        }
        m_ready.notify_one();
    }
    bool pop(QByteArray &folder) {
        std::unique_lock lock(m_lock);
        m_ready.wait(lock, [&] { return !m_folders.empty() || m_busy == 0; });
        if (m_folders.empty())
            return false;
        folder = std::move(m_folders.front());
        m_folders.pop_front();
        ++m_busy;
        return true;
    }
    void done() {
        std::lock_guard lock(m_lock);
        if (--m_busy == 0 && m_folders.empty())
            m_ready.notify_all();
    }

private:
    std::mutex m_lock;
    std::condition_variable m_ready;
    std::deque<QByteArray> m_folders;
    int m_busy = 0;
};

struct Walker {
    const LibraryRoots &roots;
    FolderQueue queue;
    std::mutex lock;
    QSet<QPair<std::uint64_t, std::uint64_t>> seenFolders; // against bind-mount loops
    WalkResult result;

    bool firstVisit(const struct statx &sx) {
        std::lock_guard guard(lock);
        const QPair<std::uint64_t, std::uint64_t> key{
            (std::uint64_t(sx.stx_dev_major) << 32) | sx.stx_dev_minor, sx.stx_ino};
        if (seenFolders.contains(key))
            return false;
        seenFolders.insert(key);
        return true;
    }

    void listFolder(const QByteArray &folder) {
        const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        DIR *dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
        if (!dir) {
            if (fd >= 0)
                ::close(fd);
            std::lock_guard guard(lock);
            result.unreadable.append(folder);
            return;
        }
        std::vector<WalkedFile> files;
        QList<QByteArray> folders{folder};
        const bool sharing = canShareExtents(fd);
        while (const dirent *entry = ::readdir(dir)) {
            const QByteArrayView name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            unsigned char type = entry->d_type;
            const bool maybeFolder = type == DT_DIR || type == DT_UNKNOWN;
            const NameVerdict verdict = videoVerdictForName(name);
            if (!maybeFolder && (type != DT_REG || verdict == NameVerdict::notVideo))
                continue; // links, pipes, devices, and files named as something else
            struct statx sx {};
            if (::statx(fd, entry->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, statMask, &sx)
                != 0)
                continue; // gone since it was listed
            QByteArray path;
            path.reserve(folder.size() + name.size() + 1);
            path.append(folder).append('/').append(name);
            if (S_ISDIR(sx.stx_mode)) {
                if (!isTrashFolderName(name.toByteArray()) && !roots.excluded.contains(path)
                    && firstVisit(sx))
                    queue.push(path);
                continue;
            }
            if (!S_ISREG(sx.stx_mode) || verdict == NameVerdict::notVideo)
                continue;
            if (verdict == NameVerdict::unknown && !hasVideoContent(path))
                continue;
            WalkedFile file{path, {}, {}};
            fillStat(sx, file.stat);
            if (sharing)
                file.stat.sharedBytes = sharedBytesAt(fd, entry->d_name);
            files.push_back(std::move(file));
        }
        ::closedir(dir);
        std::lock_guard guard(lock);
        result.folders.append(folders);
        std::move(files.begin(), files.end(), std::back_inserter(result.files));
    }
};

} // namespace

WalkResult walkLibrary(const LibraryRoots &roots, int threads) {
    Walker walker{roots, {}, {}, {}, {}};
    for (const QByteArray &root : roots.roots + roots.absent) {
        struct statx sx {};
        if (::statx(AT_FDCWD, root.constData(), 0, STATX_INO | STATX_TYPE, &sx) != 0
            || !S_ISDIR(sx.stx_mode))
            walker.result.missing.append(root);
        else if (walker.firstVisit(sx))
            walker.queue.push(root);
    }
    const auto work = [&walker] {
        QByteArray folder;
        while (walker.queue.pop(folder)) {
            walker.listFolder(folder);
            walker.queue.done();
        }
    };
    std::vector<std::thread> workers;
    for (int i = 1; i < std::max(1, threads); ++i)
        workers.emplace_back(work);
    work();
    for (std::thread &worker : workers)
        worker.join();

    // A file reached by two names (hard links) is one video, found at its first path in byte
    // order; its other paths go with it, so that deleting it takes them all.
    std::vector<WalkedFile> &files = walker.result.files;
    std::sort(files.begin(), files.end(),
              [](const WalkedFile &a, const WalkedFile &b) { return a.path < b.path; });
    QHash<QPair<std::uint64_t, std::uint64_t>, std::size_t> firstOf;
    firstOf.reserve(qsizetype(files.size()));
    std::vector<WalkedFile> unique;
    unique.reserve(files.size());
    for (WalkedFile &file : files) {
        const QPair<std::uint64_t, std::uint64_t> key{file.stat.device, file.stat.inode};
        if (const auto first = firstOf.constFind(key); first != firstOf.cend()) {
            unique[*first].links.append(file.path);
            continue;
        }
        firstOf.insert(key, unique.size());
        unique.push_back(std::move(file));
    }
    files = std::move(unique);
    return std::move(walker.result);
}

bool statOpenFile(int fd, FileStat &stat, bool *isRegular) {
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, statMask, &sx) != 0)
        return false;
    fillStat(sx, stat);
    if (isRegular)
        *isRegular = S_ISREG(sx.stx_mode);
    return true;
}

bool statFile(const QByteArray &path, FileStat &stat, bool *isRegular) {
    struct statx sx {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW, statMask, &sx) != 0)
        return false;
    fillStat(sx, stat);
    if (isRegular)
        *isRegular = S_ISREG(sx.stx_mode);
    return true;
}

} // namespace orsenta::platform
