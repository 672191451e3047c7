// Deleting videos of the folder library: moves into the freedesktop.org Trash of a temporary
// home, checked against the index just before each move, never anything else.
//
// GLib reads HOME and XDG_DATA_HOME once per process, so the whole test shares one temporary
// home; each test works in folders and an index of its own.

#include "library/platform/folder/libraryindex.h"
#include "library/platform/folder/trashmover.h"
#include "support/folderlibrary.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <ftw.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

namespace {

// Raw file access: Qt's file names cannot carry every byte a Linux name can.
bool writeRaw(const QByteArray &path, const QByteArray &content) {
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    const bool written =
        ::write(fd, content.constData(), std::size_t(content.size())) == ssize_t(content.size());
    return ::close(fd) == 0 && written;
}

std::optional<QByteArray> readRaw(const QByteArray &path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    if (!in)
        return std::nullopt;
    return QByteArray::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

bool exists(const QByteArray &path) {
    std::error_code unknown;
    return std::filesystem::exists(std::filesystem::symlink_status(path.toStdString(), unknown));
}

bool append(const QByteArray &path, const QByteArray &more) {
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::app);
    return out && out.write(more.constData(), more.size()) && out.flush();
}

QList<QByteArray> listRaw(const QByteArray &folder) {
    QList<QByteArray> names;
    std::error_code unlisted; // no such folder: no names
    for (const auto &entry : std::filesystem::directory_iterator(folder.toStdString(), unlisted))
        names << QByteArray::fromStdString(entry.path().filename().native());
    return names;
}

// Makes a folder unwritable, or writable again. Permissions do not stop root; the immutable
// attribute does, where the file system has it.
bool lockFolder(const QByteArray &folder, bool lock) {
    if (::geteuid() != 0)
        return ::chmod(folder.constData(), lock ? 0500 : 0700) == 0;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    const bool done =
        fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0
        && ::ioctl(fd, FS_IOC_SETFLAGS,
                   &(flags = lock ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL))
               == 0;
    if (fd >= 0)
        ::close(fd);
    return done;
}

TempHome *home = nullptr;
int folderCount = 0;

QByteArray trashFolder() {
    return bytes(home->path()) + "/.local/share/Trash";
}

struct Trashed {
    QByteArray file; // where it now is, in Trash/files
    QByteArray info; // its .trashinfo
    QByteArray path; // Path= as written
};

// The trash entry whose .trashinfo names `original` (and whose file holds `content`, when
// given), found the way a file manager finds it.
std::optional<Trashed> trashEntryFor(const QByteArray &original, const QByteArray &content = {}) {
    for (const QByteArray &name : listRaw(trashFolder() + "/info")) {
        const QByteArray info = trashFolder() + "/info/" + name;
        const auto text = readRaw(info);
        if (!text || !name.endsWith(".trashinfo") || !text->startsWith("[Trash Info]\n"))
            continue;
        for (const QByteArray &line : text->split('\n')) {
            const QByteArray file = trashFolder() + "/files/" + name.chopped(10);
            if (line.startsWith("Path=") && QByteArray::fromPercentEncoding(line.mid(5)) == original
                && (content.isEmpty() || readRaw(file) == content))
                return Trashed{file, info, line.mid(5)};
        }
    }
    return std::nullopt;
}

// A new folder (or `root`) and an index, both of one library's own.
std::pair<QByteArray, QString> freshPlace(const QByteArray &root) {
    const int n = ++folderCount;
    const QByteArray folder =
        root.isEmpty() ? bytes(home->videos()) + "/t" + QByteArray::number(n) : root;
    QDir().mkpath(QFile::decodeName(folder));
    return {folder, home->path() + QStringLiteral("/.local/share/orsenta/index%1.sqlite3").arg(n)};
}

struct Library : FolderLibrary {
    QByteArray folder;

    explicit Library(const QByteArray &root = {})
        : Library(freshPlace(root)) {}
    explicit Library(const std::pair<QByteArray, QString> &place)
        : FolderLibrary(place.second, LibraryRoots{{place.first}, {}})
        , folder(place.first) {}

    QByteArray file(const QByteArray &name) const { return folder + '/' + name; }

    // Scans and returns the identifier of each file, by its raw path. Every test folder that
    // uses it is flat, so the file's own name finds it.
    QHash<QByteArray, QString> ids() const {
        const std::vector<VideoItem> items = scan();
        QHash<QByteArray, QString> found;
        for (const QByteArray &name : listRaw(folder)) {
            if (const VideoItem *item = itemNamed(items, QFile::decodeName(name)))
                found.insert(file(name), item->localIdentifier());
        }
        return found;
    }

    ChangeOutcome trash(const QStringList &identifiers) {
        ChangeRequest request;
        for (const QString &id : identifiers) {
            auto asset = std::make_shared<PlatformAsset>();
            asset->localIdentifier = id;
            request.deletions.push_back(asset);
        }
        std::optional<ChangeOutcome> outcome;
        platform->performChanges(request, [&](ChangeOutcome o) { outcome = std::move(o); });
        Q_ASSERT(outcome);
        return *outcome;
    }

    bool indexed(const QString &id) const {
        return LibraryIndex::open(indexPath)->row(id).has_value();
    }

    // Writes a new file into the folder and scans it in: its identifier, empty when it failed.
    QString add(const QByteArray &path, const QByteArray &bytes) const {
        return writeRaw(path, bytes) ? ids().value(path) : QString();
    }
};

// Puts a trashed file back the way a file manager does: the recorded path, decoded, is the
// original.
bool restore(const Trashed &entry) {
    return ::rename(entry.file.constData(), QByteArray::fromPercentEncoding(entry.path).constData())
               == 0
           && ::unlink(entry.info.constData()) == 0;
}

QByteArray content(int n) {
    return QByteArray("video ") + QByteArray::number(n) + QByteArray(100 + n, 'v');
}

} // namespace

class TestFolderTrash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        home = new TempHome;
        QVERIFY(home->isValid());
    }
    void cleanupTestCase() {
        // Names that are not UTF-8 are beyond QTemporaryDir's reach.
        ::nftw(
            bytes(home->path()).constData(),
            [](const char *path, const struct stat *, int, FTW *) {
                ::remove(path);
                return 0;
            },
            16, FTW_DEPTH | FTW_PHYS);
        delete home;
    }

    void roundTripKeepsTheExactName_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("plain") << QByteArray("clip.mp4");
        QTest::newRow("spaces") << QByteArray("a day at the sea.mp4");
        QTest::newRow("percent") << QByteArray("100% sure %41.mp4");
        QTest::newRow("newline") << QByteArray("first\nsecond.mov");
        QTest::newRow("invalid UTF-8") << QByteArray("caf\xe9 \xff\xfe.mkv");
        QTest::newRow("non-ASCII") << QByteArray("été à Noël.mp4");
    }
    void roundTripKeepsTheExactName() {
        QFETCH(QByteArray, name);
        Library library;
        const QByteArray path = library.file(name);
        const QString id = library.add(path, content(1));
        QVERIFY(!id.isEmpty());

        QCOMPARE(await(library.service->deleteVideos({id})), DeletionOutcome::success({id}));
        QVERIFY(!exists(path));
        const auto entry = trashEntryFor(path);
        QVERIFY(entry);
        QCOMPARE(readRaw(entry->file), content(1));
        // The video has left the index and the running library alike.
        QVERIFY(!library.indexed(id));
        QVERIFY(await(library.service->existingIdentifiers({id})).isEmpty());

        QVERIFY(restore(*entry));
        QCOMPARE(readRaw(path), content(1));
    }

    void sameNamesFromTwoFoldersBothSurvive() {
        Library library;
        const QByteArray a = library.file("a/clip.mp4");
        const QByteArray b = library.file("b/clip.mp4");
        QVERIFY(::mkdir(library.file("a").constData(), 0755) == 0 && writeRaw(a, content(1)));
        QVERIFY(::mkdir(library.file("b").constData(), 0755) == 0 && writeRaw(b, content(2)));
        const std::vector<VideoItem> items = library.scan();
        QCOMPARE(items.size(), 2u);
        for (const VideoItem &item : items)
            QCOMPARE(await(library.service->deleteVideos({item.localIdentifier()})).kind,
                     DeletionOutcome::Kind::success);
        const auto first = trashEntryFor(a);
        const auto second = trashEntryFor(b);
        QVERIFY(first && second);
        QVERIFY(first->file != second->file);
        QCOMPARE(readRaw(first->file), content(1));
        QCOMPARE(readRaw(second->file), content(2));
    }

    // Whatever stands in the way, the file stays where it is, as it was, and in the index.
    void refusesWhatChangedSinceTheScan_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("reason");
        const QString changed = QStringLiteral("changed after the scan");
        QTest::newRow("appended") << 0 << changed;
        QTest::newRow("rewritten, same size") << 1 << changed;
        QTest::newRow("replaced by another file") << 2 << changed;
        QTest::newRow("replaced by a link to a video") << 3 << changed;
        QTest::newRow("removed") << 4 << QStringLiteral("no longer there");
        QTest::newRow("name too long for the Trash")
            << 5 << QStringLiteral("name is too long for the Trash");
        // GIO moves the file even when it could not write where it came from: it comes back.
        QTest::newRow("the Trash cannot record where it came from")
            << 6 << QStringLiteral("could not record where it came from");
    }
    void refusesWhatChangedSinceTheScan() {
        QFETCH(int, change);
        QFETCH(QString, reason);
        Library library;
        const QByteArray name = change == 5 ? QByteArray(251, 'n') + ".mp4" : QByteArray("v.mp4");
        const QByteArray path = library.file(name);
        const QByteArray other = bytes(home->path()) + "/other" + QByteArray::number(folderCount);
        QVERIFY(writeRaw(path, content(1)) && writeRaw(other, content(2)));
        const QString id = library.ids().value(path);
        QVERIFY(!id.isEmpty());
        const qsizetype infosBefore = listRaw(trashFolder() + "/info").size();
        const qsizetype filesBefore = listRaw(trashFolder() + "/files").size();

        QByteArray expected = content(1);
        switch (change) {
        case 0:
            QVERIFY(append(path, "more"));
            expected += "more";
            break;
        case 1: {
            expected = QByteArray(content(1).size(), 'x');
            const int fd = ::open(path.constData(), O_WRONLY);
            QVERIFY(fd >= 0
                    && ::write(fd, expected.constData(), expected.size()) == expected.size());
            // Another modification time, so that a change within one clock tick still shows.
            const timespec later[2] = {{0, UTIME_OMIT}, {2'000'000'000, 0}};
            QVERIFY(::futimens(fd, later) == 0 && ::close(fd) == 0);
            break;
        }
        case 2:
            expected = content(3);
            QVERIFY(::unlink(path.constData()) == 0 && writeRaw(path, expected));
            break;
        case 3:
            expected = content(2); // read through the link
            QVERIFY(::unlink(path.constData()) == 0);
            QVERIFY(::symlink(other.constData(), path.constData()) == 0);
            break;
        case 4:
            QVERIFY(::unlink(path.constData()) == 0);
            break;
        }

        // No file may grow: the record's write fails, the moves do not. Root is held to it too.
        rlimit unlimited{};
        const rlimit none{0, RLIM_INFINITY};
        const bool limited = change == 6;
        if (limited) {
            QVERIFY(::getrlimit(RLIMIT_FSIZE, &unlimited) == 0);
            std::signal(SIGXFSZ, SIG_IGN);
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &none) == 0);
        }
        const ChangeOutcome outcome = library.trash({id});
        if (limited) {
            QVERIFY(::setrlimit(RLIMIT_FSIZE, &unlimited) == 0);
            std::signal(SIGXFSZ, SIG_DFL);
        }
        QVERIFY(!outcome.success && outcome.error && !outcome.deleted);
        QVERIFY2(outcome.error->description.contains(reason),
                 qPrintable(outcome.error->description));
        if (change == 4)
            QVERIFY(!exists(path));
        else // through the link, if any: the name still leads to what it led to
            QCOMPARE(readFile(QFile::decodeName(path)), expected);
        QCOMPARE(readRaw(other), content(2)); // a link's target is never touched
        QCOMPARE(listRaw(trashFolder() + "/info").size(), infosBefore);
        QCOMPARE(listRaw(trashFolder() + "/files").size(), filesBefore);
        QVERIFY(library.indexed(id));
    }

    // Every name either goes with a record a file manager can restore it from, or stays with a
    // reason: GIO's record is named <name>.trashinfo and written through a name 7 bytes longer
    // still, and a name already in the Trash gets ".2" before its first dot.
    void longNamesGoRestorablyOrStay_data() {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("twice"); // the same name was trashed before
        QTest::addColumn<bool>("moves");
        for (int length = 200; length <= 255; ++length)
            QTest::addRow("%d bytes", length) << length << false << (length <= 238);
        QTest::newRow("236 bytes, second of its name") << 236 << true << true;
        QTest::newRow("237 bytes, second of its name") << 237 << true << false;
    }
    void longNamesGoRestorablyOrStay() {
        QFETCH(int, length);
        QFETCH(bool, twice);
        QFETCH(bool, moves);
        Library library;
        const QByteArray path = library.file(QByteArray(length - 4, 'n') + ".mp4");
        if (twice)
            QVERIFY(library.trash({library.add(path, content(2))}).success);
        const QString id = library.add(path, content(1));
        QVERIFY(!id.isEmpty());
        const qsizetype infosBefore = listRaw(trashFolder() + "/info").size();

        const ChangeOutcome outcome = library.trash({id});
        QCOMPARE(outcome.success, moves);
        if (moves) {
            QVERIFY(!exists(path));
            QVERIFY(!library.indexed(id));
            // Found and restored the way a file manager does, from a record that is whole.
            const auto entry = trashEntryFor(path, content(1));
            QVERIFY(entry);
            QCOMPARE(readRaw(entry->file), content(1));
            QVERIFY(readRaw(entry->info)->contains("\nDeletionDate="));
            QVERIFY(restore(*entry));
        } else {
            QVERIFY(outcome.error);
            QVERIFY2(outcome.error->description.contains(
                         QStringLiteral("name is too long for the Trash")),
                     qPrintable(outcome.error->description));
            QVERIFY(library.indexed(id));
            QCOMPARE(listRaw(trashFolder() + "/info").size(), infosBefore);
        }
        QCOMPARE(readRaw(path), content(1));
    }

    // Some go, some stay: the outcome names exactly those that went, and says why the others
    // stayed.
    void partialDeletionReportsExactlyWhatWent() {
        Library library;
        QList<QByteArray> paths;
        for (int i = 0; i < 4; ++i) {
            paths << library.file("p" + QByteArray::number(i) + ".mp4");
            QVERIFY(writeRaw(paths.last(), content(i)));
        }
        const auto ids = library.ids();
        QVERIFY(append(paths[1], "edit"));
        QVERIFY(::unlink(paths[3].constData()) == 0);
        const QStringList all{ids.value(paths[0]), ids.value(paths[1]), ids.value(paths[2]),
                              ids.value(paths[3]), QStringLiteral("NOT-A-VIDEO/L0/001")};

        const ChangeOutcome outcome = library.trash(all);
        QVERIFY(outcome.success);
        QCOMPARE(outcome.deleted, QStringList({all[0], all[2]}));
        QVERIFY(outcome.error);
        QCOMPARE(outcome.error->description.split(u'\n'),
                 QStringList({QStringLiteral("“p1.mp4”: it changed after the scan; scan again to "
                                             "see it as it is now."),
                              QStringLiteral("“p3.mp4”: it is no longer there."),
                              QStringLiteral("“NOT-A-VIDEO/L0/001”: it is no longer in the "
                                             "library.")}));
        QVERIFY(!exists(paths[0]) && !exists(paths[2]));
        QCOMPARE(readRaw(paths[1]), content(1) + "edit");
        QVERIFY(!library.indexed(all[0]) && !library.indexed(all[2]));
        QVERIFY(library.indexed(all[1]));
    }

    // Through the service, every video asked for is accounted for: a good one goes; one written
    // since the scan is refused by the move; one replaced by another file, which the library no
    // longer holds as scanned, is named as well; and when none goes, each says why.
    void mixedBatchNamesEveryVideoThatStayed() {
        Library library;
        const QByteArray good = library.file("good.mp4");
        const QByteArray changed = library.file("changed.mp4");
        const QByteArray replaced = library.file("replaced.mp4");
        QVERIFY(writeRaw(good, content(1)) && writeRaw(changed, content(2))
                && writeRaw(replaced, content(3)));
        const auto ids = library.ids();
        QVERIFY(append(changed, "edit"));
        QVERIFY(::unlink(replaced.constData()) == 0 && writeRaw(replaced, content(4)));

        const QStringList asked{ids.value(good), ids.value(changed), ids.value(replaced)};
        QCOMPARE(await(library.service->deleteVideos(asked)),
                 DeletionOutcome::success({asked[0]},
                                          QStringLiteral("“changed.mp4”: it changed after the "
                                                         "scan; scan again to see it as it is "
                                                         "now."))
                     .withStayed({asked[1]}, {asked[2]}));
        const auto entry = trashEntryFor(good);
        QVERIFY(entry && readRaw(entry->file) == content(1));
        QCOMPARE(readRaw(changed), content(2) + "edit");
        QCOMPARE(readRaw(replaced), content(4));

        const DeletionOutcome none = await(library.service->deleteVideos({asked[1], asked[2]}));
        QCOMPARE(none, DeletionOutcome::failed(QStringLiteral("“changed.mp4”: it changed after "
                                                              "the scan; scan again to see it as "
                                                              "it is now."))
                           .withStayed({asked[1]}, {asked[2]}));
        QCOMPARE(readRaw(changed), content(2) + "edit");
        QCOMPARE(readRaw(replaced), content(4));
    }

    // A Trash that cannot take the file leaves it in place: GIO must never fall back to deleting.
    void unusableTrashLeavesTheFile_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("reason");
        const QString trash = QFile::decodeName(trashFolder());
        QTest::newRow("Trash is a file")
            << 0 << QStringLiteral("the Trash folder “%1” is not a folder").arg(trash);
        QTest::newRow("Trash/files is a file")
            << 1 << QStringLiteral("the Trash folder “%1/files” is not a folder").arg(trash);
        QTest::newRow("Trash cannot be written")
            << 2
            << QStringLiteral("permission to use the Trash folder “%1/info” was denied").arg(trash);
        // /dev/shm is a mount of its own on which GIO refuses to make a Trash.
        QTest::newRow("no Trash on the file's mount") << 3 << QStringLiteral("has no Trash");
        QTest::newRow("Trash unreadable")
            << 4 << QStringLiteral("permission to use the Trash folder “%1” was denied").arg(trash);
        QTest::newRow("Trash of another user")
            << 5 << QStringLiteral("the Trash folder “%1” belongs to another user").arg(trash);
        QTest::newRow("the video's folder cannot be changed")
            << 6 << QStringLiteral("permission to change its folder “");
    }
    void unusableTrashLeavesTheFile() {
        QFETCH(int, how);
        QFETCH(QString, reason);
        std::optional<QTemporaryDir> elsewhere;
        if (how == 3) {
            struct stat shm {};
            struct stat homeStat {};
            if (::stat("/dev/shm", &shm) != 0
                || ::stat(bytes(home->path()).constData(), &homeStat) != 0
                || shm.st_dev == homeStat.st_dev)
                QSKIP("no separate /dev/shm mount here");
            elsewhere.emplace(QStringLiteral("/dev/shm/orsenta-trash-XXXXXX"));
            QVERIFY(elsewhere->isValid());
        }
        Library library(elsewhere ? bytes(elsewhere->path()) : QByteArray());
        const QByteArray path = library.file("stays.mp4");
        const QString id = library.add(path, content(7));
        QVERIFY(!id.isEmpty());

        const QByteArray trash = trashFolder();
        const QByteArray saved = trash + ".saved";
        const QByteArray info = trash + "/info";
        const QByteArray files = trash + "/files";
        QVERIFY(::rename(trash.constData(), saved.constData()) == 0 || errno == ENOENT);
        QByteArray locked;
        const auto restore = qScopeGuard([&] {
            if (!locked.isEmpty())
                lockFolder(locked, false);
            ::chmod(trash.constData(), 0700);
            ::unlink(files.constData());
            ::unlink(trash.constData());
            QDir(QFile::decodeName(trash)).removeRecursively();
            ::rename(saved.constData(), trash.constData());
        });
        switch (how) {
        case 0:
            QVERIFY(writeRaw(trash, "not a folder"));
            break;
        case 1:
            QVERIFY(QDir().mkpath(QFile::decodeName(info)));
            QVERIFY(writeRaw(files, "not a folder"));
            break;
        case 2:
            QVERIFY(QDir().mkpath(QFile::decodeName(info)));
            QVERIFY(QDir().mkpath(QFile::decodeName(files)));
            locked = info;
            break;
        case 6:
            locked = library.folder;
            break;
        case 4:
            QVERIFY(QDir().mkpath(QFile::decodeName(info)));
            QVERIFY(::chmod(trash.constData(), 0) == 0);
            if (::access(trash.constData(), R_OK) == 0)
                QSKIP("permissions do not stop this user (root): an unreadable Trash cannot be "
                      "made here");
            break;
        case 5: {
            constexpr uid_t nobody = 65534;
            QVERIFY(QDir().mkpath(QFile::decodeName(info)));
            if (::geteuid() != 0 || ::chown(trash.constData(), nobody, nobody) != 0)
                QSKIP("only root can give the Trash folder to another user");
            break;
        }
        }

        if (!locked.isEmpty() && !lockFolder(locked, true)) {
            locked.clear();
            QSKIP("cannot make a folder unwritable for root on this file system");
        }

        const ChangeOutcome outcome = library.trash({id});
        QVERIFY(!outcome.success && outcome.error);
        const QString message = outcome.error->description;
        QVERIFY2(message.contains(QStringLiteral("“stays.mp4”"))
                     && (reason.isEmpty() || message.contains(reason)),
                 qPrintable(message));
        QCOMPARE(readRaw(path), content(7));
        QVERIFY(library.indexed(id));
        QCOMPARE(listRaw(info).size(), 0);
    }
};

ORSENTA_TEST_MAIN(TestFolderTrash)
#include "tst_foldertrash.moc"
