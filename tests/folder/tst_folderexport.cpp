// SPDX-License-Identifier: GPL-3.0-or-later
// Exporting a video to a file the user chose: a new file only, complete or not at all, and the
// source never touched.

#include "library/platform/folder/safecopy.h"
#include "support/failuretext.h"
#include "support/folderlibrary.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"
#include "support/tmpfsmount.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

namespace {

// What would differ had anything written to, replaced or renamed over the file.
auto snapshot(const QString &path) {
    struct stat st {};
    ::lstat(bytes(path).constData(), &st);
    return std::tuple(st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec,
                      st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
}

// Everything in a folder: a failed export must leave it exactly as it was.
QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

} // namespace

class TestFolderExport : public QObject {
    Q_OBJECT

    TempHome *m_home = nullptr;
    QString m_source;
    QByteArray m_data;
    QString m_out;

    CopyResult copy(const QString &destination, const std::function<void()> &beforeRename = {}) {
        return copyToNewFile(bytes(m_source), bytes(destination), nullptr, beforeRename);
    }

private Q_SLOTS:
    void init() {
        m_home = new TempHome;
        // Several megabytes, so that the copy takes more than one step.
        m_data = QByteArray(3 * 1024 * 1024 + 17, Qt::Uninitialized);
        QRandomGenerator generator(42);
        for (char &byte : m_data)
            byte = char(generator.generate());
        m_source = m_home->write(QStringLiteral("Videos/source.mp4"), m_data);
        QVERIFY(!m_source.isEmpty());
        m_out = m_home->path() + QStringLiteral("/out");
        QVERIFY(QDir().mkpath(m_out));
    }
    void cleanup() {
        // Whatever happened, the source is as it was.
        QCOMPARE(readFile(m_source), m_data);
        delete m_home;
    }

    // Across mounts the kernel may refuse to copy between the files; the copy goes on by hand.
    void copiesToANewFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("otherMount");
        QTest::newRow("plain") << QStringLiteral("copy.mp4") << false;
        QTest::newRow("spaces and percent") << QStringLiteral("my 100% copy.mp4") << false;
        QTest::newRow("newline") << QStringLiteral("two\nlines.mp4") << false;
        QTest::newRow("255 bytes") << QString(251, u'e') + QStringLiteral(".mp4") << false;
        QTest::newRow("another mount") << QStringLiteral("copy.mp4") << true;
    }
    void copiesToANewFile() {
        QFETCH(QString, name);
        QFETCH(bool, otherMount);
        QTemporaryDir shm(QStringLiteral("/dev/shm/orsenta-export-XXXXXX"));
        if (otherMount && !shm.isValid())
            QSKIP("no /dev/shm here");
        const QString folder = otherMount ? shm.path() : m_out;
        const auto before = snapshot(m_source);
        const CopyResult result = copy(folder + u'/' + name);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(readFile(folder + u'/' + name), m_data);
        QCOMPARE(entries(folder), QStringList{name});
        QVERIFY(snapshot(m_source) == before);
    }

    void neverReplacesAnExistingName_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("duringTheCopy");
        QTest::newRow("a file") << 0 << false;
        QTest::newRow("a dangling link") << 1 << false;
        QTest::newRow("a folder") << 2 << false;
        QTest::newRow("a link to the source") << 3 << false;
        // Someone takes the name while the copy is being written: their file stays, ours goes.
        QTest::newRow("a file made during the copy") << 0 << true;
    }
    void neverReplacesAnExistingName() {
        QFETCH(int, kind);
        QFETCH(bool, duringTheCopy);
        const QString target = m_out + QStringLiteral("/taken.mp4");
        std::optional<decltype(snapshot(target))> before;
        const auto take = [&] {
            switch (kind) {
            case 0: {
                QFile file(target);
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::NewOnly));
                file.write("the user's own file");
            } break;
            case 1:
                QVERIFY(QFile::link(m_out + QStringLiteral("/nowhere"), target));
                break;
            case 2:
                QVERIFY(QDir().mkpath(target));
                break;
            case 3:
                QVERIFY(QFile::link(m_source, target));
                break;
            }
            before = snapshot(target);
        };
        if (!duringTheCopy)
            take();

        const CopyResult result = copy(target, [&] {
            if (duringTheCopy)
                take();
        });
        QCOMPARE(result.failure, CopyFailure::destinationExists);
        QCOMPARE(result.message,
                 QStringLiteral("“taken.mp4” already exists; it was left as it is. Choose "
                                "another name."));
        QVERIFY(before && snapshot(target) == *before);
        if (kind == 0)
            QCOMPARE(readFile(target), QByteArray("the user's own file"));
        QCOMPARE(entries(m_out), QStringList{QStringLiteral("taken.mp4")});
    }

    void aFullDestinationLeavesNothing_data() {
        QTest::addColumn<bool>("tmpfs");
        QTest::addColumn<int>("failure");
        QTest::newRow("file-size limit") << false << int(CopyFailure::tooLarge);
        QTest::newRow("small tmpfs") << true << int(CopyFailure::noSpace);
    }
    void aFullDestinationLeavesNothing() {
        QFETCH(bool, tmpfs);
        QFETCH(int, failure);
        std::optional<TmpfsMount> disk;
        if (tmpfs && !disk.emplace(m_out, "1m").mounted())
            QSKIP("mounting a small tmpfs needs privileges this run does not have");
        rlimit saved{};
        QVERIFY(::getrlimit(RLIMIT_FSIZE, &saved) == 0);
        const rlimit small{1024 * 1024, saved.rlim_max};
        QVERIFY(tmpfs || ::setrlimit(RLIMIT_FSIZE, &small) == 0);
        const CopyResult result = copy(m_out + QStringLiteral("/big.mp4"));
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(int(result.failure), failure);
        QVERIFY(!result.message.isEmpty());
        QCOMPARE(entries(m_out), QStringList());
    }

    void badSourcesAreRefused_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("failure");
        QTest::newRow("vanished") << 0 << int(CopyFailure::sourceMissing);
        QTest::newRow("replaced by a link") << 1 << int(CopyFailure::sourceNotRegular);
        QTest::newRow("a pipe") << 2 << int(CopyFailure::sourceNotRegular);
        QTest::newRow("another file") << 3 << int(CopyFailure::sourceChanged);
    }
    void badSourcesAreRefused() {
        QFETCH(int, how);
        QFETCH(int, failure);
        const QString path = m_home->videos() + QStringLiteral("/bad.mp4");
        QVERIFY(QFile::copy(m_source, path));
        FileStat indexed;
        QVERIFY(statFile(bytes(path), indexed));
        switch (how) {
        case 0:
            QVERIFY(QFile::remove(path));
            break;
        case 1:
            QVERIFY(QFile::remove(path) && QFile::link(m_source, path));
            break;
        case 2:
            QVERIFY(QFile::remove(path) && ::mkfifo(bytes(path).constData(), 0600) == 0);
            break;
        case 3:
            // Made while the old file still exists, so it cannot get the old inode number.
            QVERIFY(writeNewFile(path + QStringLiteral(".new"), "another video"));
            QVERIFY(
                ::rename(bytes(path + QStringLiteral(".new")).constData(), bytes(path).constData())
                == 0);
            break;
        }
        const CopyResult result =
            copyToNewFile(bytes(path), bytes(m_out + QStringLiteral("/copy.mp4")), &indexed);
        QCOMPARE(int(result.failure), failure);
        QVERIFY(!result.message.isEmpty());
        QCOMPARE(entries(m_out), QStringList());
    }

    void badDestinationsAreRefused_data() {
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("failure");
        QTest::newRow("missing folder") << QStringLiteral("/missing/folder/copy.mp4")
                                        << int(CopyFailure::destinationFolderMissing);
        QTest::newRow("folder only") << QStringLiteral("/") << int(CopyFailure::destinationInvalid);
        QTest::newRow("dot dot") << QStringLiteral("/tmp/..")
                                 << int(CopyFailure::destinationInvalid);
    }
    void badDestinationsAreRefused() {
        QFETCH(QString, destination);
        QFETCH(int, failure);
        const CopyResult result = copy(destination);
        QCOMPARE(int(result.failure), failure);
        QVERIFY(!result.message.isEmpty());
    }

    // Through the service and the folder library, as the application exports.
    void theServiceExportsThroughTheLibrary() {
        const FolderLibrary library(m_home->indexPath());
        const std::vector<VideoItem> items = library.scan();
        QCOMPARE(items.size(), 1u);
        const QString id = items.front().localIdentifier();

        const QString target = m_out + QStringLiteral("/exported.mp4");
        await(library.service->downloadVideo(id, target));
        QCOMPARE(readFile(target), m_data);
        const QString refused = failureText(library.service->downloadVideo(id, target));
        QVERIFY2(refused.contains(QStringLiteral("already exists")), qPrintable(refused));
        QCOMPARE(readFile(target), m_data);
        QCOMPARE(entries(m_out), QStringList{QStringLiteral("exported.mp4")});
    }
};

ORSENTA_TEST_MAIN(TestFolderExport)
#include "tst_folderexport.moc"
