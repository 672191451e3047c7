// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small tmpfs mounted over a test's folder, for the faults only a file system of its own can
// show: a full disk, a read-only disk, a drive that is not connected. Only root may mount, so
// tests check mounted() and skip with a message elsewhere.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/mount.h>

namespace orsenta::test {

class TmpfsMount {
public:
    TmpfsMount(const QString &folder, const QByteArray &size)
        : m_folder(QFile::encodeName(folder)) {
        const QByteArray options = "size=" + size + ",mode=0755";
        m_mounted = ::mount("tmpfs", m_folder.constData(), "tmpfs", 0, options.constData()) == 0;
    }
    ~TmpfsMount() { unmount(); }
    TmpfsMount(const TmpfsMount &) = delete;
    TmpfsMount &operator=(const TmpfsMount &) = delete;

    bool mounted() const { return m_mounted; }
    bool setReadOnly(bool readOnly) {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount(nullptr, m_folder.constData(), nullptr, flags, nullptr) == 0;
    }
    // Detaches the file system, leaving the folder as it was below it.
    void unmount() {
        if (m_mounted)
            ::umount2(m_folder.constData(), MNT_DETACH);
        m_mounted = false;
    }

private:
    QByteArray m_folder;
    bool m_mounted = false;
};

} // namespace orsenta::test
