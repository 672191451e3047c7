// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting videos of the folder library: moves into the freedesktop.org Trash of a temporary
// home, checked against the index just before each move, never anything else.
//
// GLib reads HOME and XDG_DATA_HOME once per process, so the whole test shares one temporary
// home; each test works in folders and an index of its own.

#include "library/platform/folder/lastdeletion.h"
#include "library/platform/folder/libraryindex.h"
#include "library/platform/folder/trashmover.h"
#include "support/folderlibrary.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"
#include "support/tmpfsmount.h"

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

    // The Trash records the exact name, and Undo brings the video back to it as it was: its
    // identifier and favourite, in this session or after a restart.
    void roundTripKeepsTheExactName_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("restart");
        QTest::newRow("plain") << QByteArray("clip.mp4") << false;
        QTest::newRow("spaces") << QByteArray("a day at the sea.mp4") << false;
        QTest::newRow("percent") << QByteArray("100% sure %41.mp4") << false;
        QTest::newRow("newline") << QByteArray("first\nsecond.mov") << false;
        QTest::newRow("invalid UTF-8") << QByteArray("caf\xe9 \xff\xfe.mkv") << false;
        QTest::newRow("non-ASCII") << QByteArray("été à Noël.mp4") << false;
        QTest::newRow("leading dashes") << QByteArray("--rf -x.mp4") << false;
        QTest::newRow("longest name the Trash takes") << QByteArray(234, 'n') + ".mp4" << false;
        QTest::newRow("newline and invalid UTF-8, after a restart")
            << QByteArray("-\n\xff\xfe.mp4") << true;
        QTest::newRow("plain, after a restart") << QByteArray("clip.mp4") << true;
    }
    void roundTripKeepsTheExactName() {
        QFETCH(QByteArray, name);
        QFETCH(bool, restart);
        std::optional<Library> library(std::in_place);
        const QByteArray path = library->file(name);
        const QString id = library->add(path, content(1));
        QVERIFY(!id.isEmpty());
        await(library->service->setFavorite({id}, true));
        QVERIFY(!library->platform->canRestoreLastDeletion());

        QCOMPARE(await(library->service->deleteVideos({id})), DeletionOutcome::success({id}));
        QVERIFY(!exists(path));
        const auto entry = trashEntryFor(path);
        QVERIFY(entry);
        QCOMPARE(readRaw(entry->file), content(1));
        // The video has left the index and the running library alike.
        QVERIFY(!library->indexed(id));
        QVERIFY(await(library->service->existingIdentifiers({id})).isEmpty());

        if (restart) {
            const std::pair place(library->folder, library->indexPath);
            library.emplace(place);
        }
        QVERIFY(library->platform->canRestoreLastDeletion());
        const RestoreOutcome outcome = library->platform->restoreLastDeletion();
        QCOMPARE(outcome.restored, QStringList{id});
        QVERIFY(outcome.stayed.isEmpty() && outcome.message.isEmpty());
        QCOMPARE(readRaw(path), content(1));
        QVERIFY(!exists(entry->file) && !exists(entry->info));
        QVERIFY(!library->platform->canRestoreLastDeletion());
        const std::vector<VideoItem> items = library->scan();
        QCOMPARE(items.size(), 1u);
        QCOMPARE(items[0].localIdentifier(), id);
        QVERIFY(items[0].isFavorite());
    }

    // Undo brings back what it can, recreating a folder that went; what it cannot stays where it
    // is, named with the reason, and is not tried again. Nothing is lost or replaced.
    void undoLeavesWhatCannotGoBack() {
        Library library;
        QVERIFY(::mkdir(library.file("sub").constData(), 0755) == 0);
        const QList<QByteArray> names{"back.mp4", "sub/deep.mp4", "taken\n.mp4", "emptied.mp4",
                                      "swapped.mp4"};
        QStringList ids;
        for (int i = 0; i < names.size(); ++i)
            QVERIFY(writeRaw(library.file(names[i]), content(i)));
        // One video at two paths: both go, and both come back.
        const QByteArray link = library.file("zz-link.mp4");
        QVERIFY(::link(library.file(names[0]).constData(), link.constData()) == 0);
        const std::vector<VideoItem> items = library.scan();
        for (const QByteArray &name : names) {
            const VideoItem *item = itemNamed(items, QFile::decodeName(name.split('/').last()));
            QVERIFY(item);
            ids << item->localIdentifier();
        }
        QCOMPARE(library.trash(ids).deleted, ids);
        QVERIFY(!exists(link));
        QList<Trashed> entries;
        for (int i = 0; i < names.size(); ++i) {
            const auto entry = trashEntryFor(library.file(names[i]), content(i));
            QVERIFY(entry);
            entries << *entry;
        }
        QVERIFY(::rmdir(library.file("sub").constData()) == 0);
        QVERIFY(writeRaw(library.file(names[2]), content(9)));
        QVERIFY(::unlink(entries[3].file.constData()) == 0);
        QVERIFY(::unlink(entries[3].info.constData()) == 0);
        QVERIFY(::unlink(entries[4].file.constData()) == 0 && writeRaw(entries[4].file, "other"));

        const RestoreOutcome outcome = library.platform->restoreLastDeletion();
        QCOMPARE(outcome.restored, ids.mid(0, 2));
        QCOMPARE(outcome.stayed, ids.mid(2));
        QCOMPARE(outcome.message.split(u'\n'),
                 QStringList({QStringLiteral("“taken\uFFFD.mp4”: another file now has its place."),
                              QStringLiteral("“emptied.mp4”: it is no longer in the Trash; the "
                                             "Trash may have been emptied."),
                              QStringLiteral("“swapped.mp4”: another file now has its place in "
                                             "the Trash.")}));
        QCOMPARE(readRaw(library.file(names[0])), content(0));
        QCOMPARE(readRaw(link), content(0));
        QCOMPARE(readRaw(library.file(names[1])), content(1));
        QCOMPARE(readRaw(library.file(names[2])), content(9));
        QCOMPARE(readRaw(entries[2].file), content(2));
        QVERIFY(exists(entries[2].info) && exists(entries[4].info));
        QCOMPARE(readRaw(entries[4].file), QByteArray("other"));
        QVERIFY(!library.platform->canRestoreLastDeletion());
        QVERIFY(library.platform->restoreLastDeletion().restored.isEmpty());
        QCOMPARE(readRaw(entries[2].file), content(2));
        const std::vector<VideoItem> after = library.scan();
        QCOMPARE(after.size(), 3u);
        for (int i = 0; i < 2; ++i) {
            const VideoItem *item = itemNamed(after, QFile::decodeName(names[i].split('/').last()));
            QVERIFY(item);
            QCOMPARE(item->localIdentifier(), ids[i]);
        }
    }

    // A move whose record cannot be kept still happens; Undo is then not offered for it, nor for
    // an earlier move, in this session or the next.
    void undoIsNotOfferedWithoutARecord() {
        Library library;
        const QByteArray first = library.file("first.mp4");
        const QByteArray second = library.file("second.mp4");
        QVERIFY(library.trash({library.add(first, content(1))}).success);
        QVERIFY(library.platform->canRestoreLastDeletion());
        const QByteArray record = bytes(LastDeletion::recordPathFor(library.indexPath));
        QVERIFY(::unlink(record.constData()) == 0 && ::mkdir(record.constData(), 0755) == 0);

        const QString id = library.add(second, content(2));
        QCOMPARE(library.trash({id}).deleted, QStringList{id});
        QVERIFY(!exists(second) && trashEntryFor(second, content(2)));
        QVERIFY(!library.platform->canRestoreLastDeletion());
        const std::pair place(library.folder, library.indexPath);
        QVERIFY(!Library(place).platform->canRestoreLastDeletion());
        QVERIFY(trashEntryFor(first, content(1)));
    }

    // Each entry of the library's folders once, with the blocks it holds (a sparse file's blocks,
    // a folder's whole tree), in the home Trash and in the Trash of the library's own mount;
    // nothing of another folder, nothing whose file is gone, no photo, and nothing changed.
    void libraryTrashCountsWhatWaitsThere() {
        Library library;
        Library other;
        QCOMPARE(library.platform->libraryTrash(), LibraryTrash{});
        const QByteArray sparse = library.file("sparse.mp4");
        QVERIFY(writeRaw(sparse, content(1)) && ::truncate(sparse.constData(), 64 << 20) == 0);
        const QStringList ids{library.ids().value(sparse),
                              library.add(library.file("plain.mp4"), content(2))};
        QCOMPARE(library.trash(ids).deleted, ids);
        QVERIFY(other.trash({other.add(other.file("elsewhere.mp4"), content(3))}).success);
        const auto blocks = [](const QByteArray &path) {
            struct stat st {};
            return ::lstat(path.constData(), &st) == 0 ? std::int64_t(st.st_blocks) * 512 : -1;
        };
        // Entries a file manager made: a folder, a photo, and one whose file was removed.
        const auto entry = [&](const QByteArray &trash, const QByteArray &name,
                               const QByteArray &path) {
            QDir().mkpath(QFile::decodeName(trash + "/info"));
            QDir().mkpath(QFile::decodeName(trash + "/files"));
            return writeRaw(trash + "/info/" + name + ".trashinfo",
                            "[Trash Info]\nPath=" + path.toPercentEncoding("/")
                                + "\nDeletionDate=2026-01-01T00:00:00\n");
        };
        // The folder holds a link to a big file outside the Trash, which must not be followed.
        const QByteArray big = other.file("big");
        const QByteArray folder = trashFolder() + "/files/clips" + QByteArray::number(folderCount);
        QVERIFY(entry(trashFolder(), nameOf(folder), library.file("clips")));
        QVERIFY(writeRaw(big, QByteArray(1 << 20, 'b')) && ::mkdir(folder.constData(), 0755) == 0
                && writeRaw(folder + "/a.mp4", content(4))
                && ::symlink(big.constData(), QByteArray(folder + "/link").constData()) == 0);
        const QByteArray photo = trashFolder() + "/files/photo" + QByteArray::number(folderCount);
        QVERIFY(entry(trashFolder(), nameOf(photo), library.file("photo.jpg"))
                && writeRaw(photo, content(5)));
        QVERIFY(entry(trashFolder(), "gone" + QByteArray::number(folderCount),
                      library.file("gone.mp4")));

        const auto entries = [] {
            return listRaw(trashFolder() + "/info") + listRaw(trashFolder() + "/files");
        };
        const auto before = entries();
        const LibraryTrash measured = library.platform->libraryTrash();
        QCOMPARE(entries(), before);
        const auto sparseEntry = trashEntryFor(sparse);
        const auto plainEntry = trashEntryFor(library.file("plain.mp4"));
        QVERIFY(sparseEntry && plainEntry);
        QVERIFY(blocks(sparseEntry->file) < (1 << 20));
        const std::int64_t expected = blocks(sparseEntry->file) + blocks(plainEntry->file)
                                      + blocks(folder) + blocks(folder + "/a.mp4")
                                      + blocks(folder + "/link");
        QCOMPARE(measured.videos, 3);
        QCOMPARE(measured.bytes, expected);
        QCOMPARE(other.platform->libraryTrash().videos, 1);

        // A Trash of the mount a library folder is on names its files relative to the top.
        QVERIFY(::mkdir(library.file("mount").constData(), 0755) == 0);
        TmpfsMount mount(QFile::decodeName(library.file("mount")), "1m");
        if (!mount.mounted())
            return; // only root can mount
        const QByteArray mountTrash =
            library.file("mount/.Trash-") + QByteArray::number(::geteuid());
        QVERIFY(entry(mountTrash, "m.mp4", "m.mp4")
                && writeRaw(mountTrash + "/files/m.mp4", content(6)));
        Library onMount(library.file("mount"));
        const LibraryTrash onItsMount = onMount.platform->libraryTrash();
        QCOMPARE(onItsMount.videos, 1);
        QCOMPARE(onItsMount.bytes, blocks(mountTrash + "/files/m.mp4"));
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
