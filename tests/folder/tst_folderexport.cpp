// Exporting a video to a file the user chose: a new file only, complete or not at all, and the
// source never touched.

#include "library/photolibraryerror.h"
#include "library/photolibraryservice.h"
#include "library/platform/folder/folderplatform.h"
#include "library/platform/folder/safecopy.h"
#include "support/awaittask.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

namespace {

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator generator(42);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = char(generator.generate() & 0xff);
    return data;
}

std::optional<QByteArray> readFile(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

struct StatSnapshot {
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    bool operator==(const StatSnapshot &o) const {
        return inode == o.inode && size == o.size && modified.tv_sec == o.modified.tv_sec
               && modified.tv_nsec == o.modified.tv_nsec && changed.tv_sec == o.changed.tv_sec
               && changed.tv_nsec == o.changed.tv_nsec;
    }
};

StatSnapshot snapshot(const QString &path) {
    struct stat st {};
    ::lstat(bytes(path).constData(), &st);
    return {st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

// Everything in a folder: a failed export must leave it exactly as it was.
QStringList entries(const QString &folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System
                                  | QDir::NoDotAndDotDot);
}

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit limit{bytes, m_saved.rlim_max};
        m_set = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &m_saved); }
    bool isSet() const { return m_set; }

private:
    rlimit m_saved{};
    bool m_set = false;
};

} // namespace

class TestFolderExport : public QObject {
    Q_OBJECT

    TempHome *m_home = nullptr;
    QString m_source;
    QByteArray m_data;
    QString m_out;
    int m_count = 0;

    QString freshFolder() {
        const QString folder = m_home->path() + QStringLiteral("/out%1").arg(++m_count);
        QDir().mkpath(folder);
        return folder;
    }

    CopyResult copy(const QString &destination, const std::function<void()> &beforeRename = {}) {
        return copyToNewFile(bytes(m_source), bytes(destination), nullptr, beforeRename);
    }

private Q_SLOTS:
    void init() {
        m_home = new TempHome;
        // Several megabytes, so that the copy takes more than one step.
        m_data = randomBytes(3 * 1024 * 1024 + 17);
        m_source = m_home->write(QStringLiteral("Videos/source.mp4"), m_data);
        QVERIFY(!m_source.isEmpty());
        m_out = freshFolder();
    }
    void cleanup() {
        // Whatever happened, the source is as it was.
        QCOMPARE(readFile(m_source), m_data);
        delete m_home;
    }

    void copiesToANewFile_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << QStringLiteral("copy.mp4");
        QTest::newRow("spaces and percent") << QStringLiteral("my 100% copy.mp4");
        QTest::newRow("newline") << QStringLiteral("two\nlines.mp4");
        QTest::newRow("255 bytes") << QString(251, u'e') + QStringLiteral(".mp4");
    }
    void copiesToANewFile() {
        QFETCH(QString, name);
        const StatSnapshot before = snapshot(m_source);
        const CopyResult result = copy(m_out + u'/' + name);
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(readFile(m_out + u'/' + name), m_data);
        QCOMPARE(entries(m_out), QStringList{name});
        QVERIFY(snapshot(m_source) == before);
    }

    // Across mounts the kernel may refuse to copy between the files; the copy goes on by hand.
    void copiesToAnotherMount() {
        QTemporaryDir shm(QStringLiteral("/dev/shm/orsenta-export-XXXXXX"));
        if (!shm.isValid())
            QSKIP("no /dev/shm here");
        const CopyResult result = copy(shm.path() + QStringLiteral("/copy.mp4"));
        QVERIFY2(result.ok(), qPrintable(result.message));
        QCOMPARE(readFile(shm.path() + QStringLiteral("/copy.mp4")), m_data);
        QCOMPARE(entries(shm.path()).size(), 1);
    }

    void neverReplacesAnExistingName_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("a file") << 0;
        QTest::newRow("a dangling link") << 1;
        QTest::newRow("a folder") << 2;
        QTest::newRow("a link to the source") << 3;
    }
    void neverReplacesAnExistingName() {
        QFETCH(int, kind);
        const QString target = m_out + QStringLiteral("/taken.mp4");
        switch (kind) {
        case 0: {
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly));
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
        const StatSnapshot before = snapshot(target);
        const QStringList listed = entries(m_out);

        const CopyResult result = copy(target);
        QCOMPARE(result.failure, CopyFailure::destinationExists);
        QCOMPARE(result.message,
                 QStringLiteral("“taken.mp4” already exists; it was left as it is. Choose "
                                "another name."));
        QVERIFY(snapshot(target) == before);
        if (kind == 0)
            QCOMPARE(readFile(target), QByteArray("the user's own file"));
        QCOMPARE(entries(m_out), listed);
    }

    // Someone takes the name while the copy is being written: their file stays, ours goes.
    void aNameTakenDuringTheCopyIsNotOverwritten() {
        const QString target = m_out + QStringLiteral("/race.mp4");
        bool ran = false;
        const CopyResult result = copy(target, [&] {
            ran = true;
            QFile file(target);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::NewOnly));
            file.write("arrived first");
        });
        QVERIFY(ran);
        QCOMPARE(result.failure, CopyFailure::destinationExists);
        QCOMPARE(readFile(target), QByteArray("arrived first"));
        QCOMPARE(entries(m_out), QStringList{QStringLiteral("race.mp4")});
    }

    void aFullDestinationLeavesNothing_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("failure");
        QTest::newRow("file-size limit") << 0 << int(CopyFailure::tooLarge);
        QTest::newRow("small tmpfs") << 1 << int(CopyFailure::noSpace);
    }
    void aFullDestinationLeavesNothing() {
        QFETCH(int, how);
        QFETCH(int, failure);
        CopyResult result;
        if (how == 0) {
            const FileSizeLimit limit(1024 * 1024);
            QVERIFY(limit.isSet());
            result = copy(m_out + QStringLiteral("/big.mp4"));
        } else {
            const QByteArray where = bytes(m_out);
            if (::mount("tmpfs", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                        "size=1m,mode=0755")
                != 0)
                QSKIP("mounting a small tmpfs needs privileges this run does not have");
            const auto unmount = qScopeGuard([&] { ::umount2(where.constData(), MNT_DETACH); });
            result = copy(m_out + QStringLiteral("/big.mp4"));
            QCOMPARE(entries(m_out), QStringList());
        }
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
        if (how != 3)
            QVERIFY(QFile::remove(path));
        switch (how) {
        case 1:
            QVERIFY(QFile::link(m_source, path));
            break;
        case 2:
            QVERIFY(::mkfifo(bytes(path).constData(), 0600) == 0);
            break;
        case 3:
            // Made while the old file still exists, so it cannot get the old inode number.
            QVERIFY(
                !m_home->write(QStringLiteral("Videos/bad.mp4.new"), "another video").isEmpty());
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
        FolderPlatformOptions options;
        options.indexPath = m_home->indexPath();
        options.probeHelperPath = QStringLiteral(ORSENTA_PROBE_HELPER);
        auto platform = std::make_shared<FolderPlatform>(options);
        auto service = PhotoLibraryService::create(platform);
        await(service->requestAccess());
        QCOMPARE(await(service->beginScan()), 1);
        const QString id = await(service->nextScanBatch(0, 1)).front().localIdentifier();
        await(service->finishScan());

        const QString target = m_out + QStringLiteral("/exported.mp4");
        await(service->downloadVideo(id, target));
        QCOMPARE(readFile(target), m_data);

        try {
            await(service->downloadVideo(id, target));
            QFAIL("a second export onto the same name was not refused");
        } catch (const PhotoLibraryError &error) {
            QVERIFY2(error.errorDescription().contains(QStringLiteral("already exists")),
                     qPrintable(error.errorDescription()));
        }
        QCOMPARE(readFile(target), m_data);
        QCOMPARE(entries(m_out), QStringList{QStringLiteral("exported.mp4")});
    }
};

ORSENTA_TEST_MAIN(TestFolderExport)
#include "tst_folderexport.moc"
