// SPDX-License-Identifier: GPL-3.0-or-later
#include "safecopy.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace orsenta::platform {

namespace {

// Texts filed under the "FolderLibrary" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(FolderLibrary)
};

QString systemText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

CopyResult fail(CopyFailure failure, QString message) {
    return CopyResult{failure, std::move(message)};
}

// The failures a write can meet on the way to the destination, said in the user's terms.
CopyResult writeFailure(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return fail(CopyFailure::noSpace,
                    Text::tr("There is not enough free space where the video was to be exported."));
    case EFBIG:
        return fail(CopyFailure::tooLarge,
                    Text::tr("The video is too large for the drive it was to be exported to."));
    case EACCES:
    case EPERM:
    case EROFS:
        return fail(CopyFailure::permission,
                    Text::tr("The folder the video was to be exported to cannot be written."));
    default:
        return fail(CopyFailure::writeFailed,
                    Text::tr("The exported copy could not be written: %1.").arg(systemText(error)));
    }
}

class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }

private:
    int m_fd;
};

// A write beyond the process's file-size limit raises SIGXFSZ, which would end the whole
// application. Blocked on this thread for the copy, it stays pending and the write fails with
// EFBIG instead; the pending signal is then taken away before the mask comes back.
class FileSizeSignalBlocked {
public:
    FileSizeSignalBlocked() {
        sigemptyset(&m_set);
        sigaddset(&m_set, SIGXFSZ);
        pthread_sigmask(SIG_BLOCK, &m_set, &m_previous);
    }
    ~FileSizeSignalBlocked() {
        const timespec now{0, 0};
        while (sigtimedwait(&m_set, nullptr, &now) == SIGXFSZ) {
        }
        pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
    }
    FileSizeSignalBlocked(const FileSizeSignalBlocked &) = delete;
    FileSizeSignalBlocked &operator=(const FileSizeSignalBlocked &) = delete;

private:
    sigset_t m_set;
    sigset_t m_previous;
};

// The temporary file, removed unless it was given its final name. It is removed only while the
// name still holds the file this copy made, so nothing anyone else put there is touched.
class TemporaryFile {
public:
    TemporaryFile(int folder, QByteArray name, int fd)
        : m_folder(folder)
        , m_name(std::move(name))
        , m_fd(fd) {
        struct stat st {};
        if (::fstat(fd, &st) == 0) {
            m_device = st.st_dev;
            m_inode = st.st_ino;
        }
    }
    ~TemporaryFile() {
        if (!m_kept)
            removeIfOurs();
    }
    TemporaryFile(const TemporaryFile &) = delete;
    TemporaryFile &operator=(const TemporaryFile &) = delete;

    const QByteArray &name() const { return m_name; }
    int fd() const { return m_fd.get(); }
    void renamedTo(QByteArray name) { m_name = std::move(name); }
    void keep() { m_kept = true; }
    void removeIfOurs() {
        struct stat st {};
        if (::fstatat(m_folder, m_name.constData(), &st, AT_SYMLINK_NOFOLLOW) == 0
            && st.st_dev == m_device && st.st_ino == m_inode)
            ::unlinkat(m_folder, m_name.constData(), 0);
        m_kept = true;
    }

private:
    int m_folder;
    QByteArray m_name;
    Descriptor m_fd;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_kept = false;
};

int openTemporary(int folder, QByteArray &name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = QByteArrayLiteral(".orsenta-export-")
               + QByteArray::number(QRandomGenerator::global()->generate64(), 36)
               + QByteArrayLiteral(".part");
        const int fd = ::openat(folder, name.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    errno = EEXIST;
    return -1;
}

// Copies until the end of the source; false with errno set on failure.
bool copyData(int from, int to, std::int64_t &copied, bool &readFailed) {
    bool kernelCopy = true;
    std::vector<char> buffer;
    for (;;) {
        if (kernelCopy) {
            const ssize_t n = ::copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
            if (n > 0) {
                copied += n;
                continue;
            }
            if (n == 0)
                return true;
            if (errno == EINTR)
                continue;
            // Kernels and file systems that cannot copy between these two files say so before
            // anything was copied; the positions have not moved.
            if (copied == 0
                && (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL
                    || errno == EBADF)) {
                kernelCopy = false;
                continue;
            }
            readFailed = errno == EIO;
            return false;
        }
        buffer.resize(1 << 20);
        const ssize_t n = ::read(from, buffer.data(), buffer.size());
        if (n == 0)
            return true;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            readFailed = true;
            return false;
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buffer.data() + done, std::size_t(n - done));
            if (w < 0 && errno == EINTR)
                continue;
            if (w <= 0) {
                if (w == 0)
                    errno = ENOSPC;
                return false;
            }
            done += w;
            copied += w;
        }
    }
}

bool sameContentState(const struct stat &a, const struct stat &b) {
    return a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec
           && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec
           && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The name takes the copy only if it is still free: a file that appeared meanwhile stays.
int renameNoReplace(int folder, const QByteArray &from, const QByteArray &to) {
    if (::renameat2(folder, from.constData(), folder, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return errno;
    // A file system without RENAME_NOREPLACE: a hard link never replaces either.
    if (::linkat(folder, from.constData(), folder, to.constData(), 0) != 0)
        return errno;
    ::unlinkat(folder, from.constData(), 0);
    return 0;
}

} // namespace

CopyResult copyToNewFile(const QByteArray &source, const QByteArray &destination,
                         const FileStat *expected, const std::function<void()> &beforeRename) {
    if (source.contains('\0') || destination.contains('\0'))
        return fail(CopyFailure::destinationInvalid, Text::tr("The file name is not valid."));

    // O_NONBLOCK keeps a pipe put in the video's place from blocking the open.
    const Descriptor input(
        ::open(source.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!input.valid()) {
        const int error = errno;
        if (error == ENOENT || error == ENOTDIR)
            return fail(CopyFailure::sourceMissing, Text::tr("The video is no longer there."));
        if (error == ELOOP)
            return fail(CopyFailure::sourceNotRegular,
                        Text::tr("The video has been replaced by a link; nothing was exported."));
        if (error == EACCES || error == EPERM)
            return fail(CopyFailure::sourceUnreadable,
                        Text::tr("You are not allowed to read the video."));
        return fail(CopyFailure::sourceUnreadable,
                    Text::tr("The video could not be opened: %1.").arg(systemText(error)));
    }
    struct stat before {};
    if (::fstat(input.get(), &before) != 0 || !S_ISREG(before.st_mode))
        return fail(CopyFailure::sourceNotRegular, Text::tr("The video is not a regular file."));
    if (expected) {
        FileStat now;
        if (!statFile(source, now) || now.inode != expected->inode || now.device != expected->device
            || now.inode != std::uint64_t(before.st_ino))
            return fail(CopyFailure::sourceChanged,
                        Text::tr("Another file is now where the video was; scan again first."));
    }
    ::fcntl(input.get(), F_SETFL, ::fcntl(input.get(), F_GETFL) & ~O_NONBLOCK);

    const qsizetype slash = destination.lastIndexOf('/');
    const QByteArray folderPath = slash < 0    ? QByteArrayLiteral(".")
                                  : slash == 0 ? QByteArrayLiteral("/")
                                               : destination.left(slash);
    const QByteArray name = destination.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return fail(CopyFailure::destinationInvalid, Text::tr("The file name is not valid."));
    const Descriptor folder(::open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        if (errno == EACCES || errno == EPERM)
            return writeFailure(EACCES);
        return fail(CopyFailure::destinationFolderMissing,
                    Text::tr("The folder “%1” does not exist.").arg(QFile::decodeName(folderPath)));
    }
    const QString shownName = QFile::decodeName(name);
    const auto exists = [&] {
        return fail(CopyFailure::destinationExists,
                    Text::tr("“%1” already exists; it was left as it is. Choose another name.")
                        .arg(shownName));
    };
    struct stat there {};
    if (::fstatat(folder.get(), name.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0)
        return exists();

    QByteArray temporaryName;
    const int fd = openTemporary(folder.get(), temporaryName);
    if (fd < 0)
        return writeFailure(errno);
    TemporaryFile temporary(folder.get(), temporaryName, fd);

    std::int64_t copied = 0;
    bool readFailed = false;
    bool copiedAll = false;
    int copyError = 0;
    {
        const FileSizeSignalBlocked noSignal;
        copiedAll = copyData(input.get(), temporary.fd(), copied, readFailed);
        copyError = errno;
    }
    if (!copiedAll) {
        if (readFailed)
            return fail(CopyFailure::sourceUnreadable,
                        Text::tr("The video could not be read: %1.").arg(systemText(copyError)));
        return writeFailure(copyError);
    }
    struct stat after {};
    struct stat written {};
    if (::fstat(input.get(), &after) != 0 || !sameContentState(before, after)
        || copied != std::int64_t(before.st_size))
        return fail(
            CopyFailure::sourceChanged,
            Text::tr("The video changed while it was being exported; nothing was exported."));
    if (::fstat(temporary.fd(), &written) != 0 || written.st_size != before.st_size)
        return writeFailure(EIO);
    if (::fsync(temporary.fd()) != 0)
        return writeFailure(errno);
    if (beforeRename)
        beforeRename();

    if (const int error = renameNoReplace(folder.get(), temporary.name(), name); error != 0)
        return error == EEXIST ? exists() : writeFailure(error);
    // The new name is durable only once the folder is; a copy that may not survive a power cut
    // is taken back rather than reported as done.
    temporary.renamedTo(name);
    if (::fsync(folder.get()) != 0 && errno != EINVAL)
        return writeFailure(errno);
    temporary.keep();
    return {};
}

} // namespace orsenta::platform
