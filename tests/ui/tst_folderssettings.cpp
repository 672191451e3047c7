// SPDX-License-Identifier: GPL-3.0-or-later
// The Folders page of the settings, offscreen, over the folder library in a temporary home: the
// list as stored, Add… and Remove, and what each folder's state and count say as folders come
// and go.

#include "app/folderssettings.h"
#include "app/libraryfolders.h"
#include "support/folderlibrary.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "uitestfixture.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeView>

#include <atomic>

using namespace orsenta;
using namespace orsenta::test;

namespace {

QList<QByteArray> encoded(const QStringList &folders) {
    QList<QByteArray> paths;
    for (const QString &folder : folders)
        paths.append(QFile::encodeName(folder));
    return paths;
}

// What the page shows for `folder`: its state and its count of videos, or nothing.
QString shown(const FoldersModel &model, const QString &folder) {
    for (int row = 0; row < model.rowCount(); ++row) {
        if (model.index(row, FoldersModel::Folder).data().toString() == folder)
            return model.index(row, FoldersModel::State).data().toString() + u','
                   + model.index(row, FoldersModel::Videos).data().toString();
    }
    return {};
}

} // namespace

class TestFoldersSettings : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void folderState_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("scannedAsMissing");
        QTest::addColumn<bool>("scannedAsUnreadable");
        QTest::addColumn<FolderState>("state");
        const QString here = QDir::tempPath();
        QTest::newRow("there") << here << false << false << FolderState::available;
        QTest::newRow("gone from home")
            << here + QStringLiteral("/no such folder") << false << false << FolderState::notFound;
        QTest::newRow("drive under /run/media") << QStringLiteral("/run/media/someone/Drive/Videos")
                                                << false << false << FolderState::notConnected;
        QTest::newRow("drive under /media")
            << QStringLiteral("/media/Drive") << false << false << FolderState::notConnected;
        // An empty mount point is there, but the scan found its drive's videos missing.
        QTest::newRow("mount point without its drive")
            << here << true << false << FolderState::notFound;
        QTest::newRow("drive whose mount point is left empty")
            << QStringLiteral("/run/media/someone/Drive") << true << false
            << FolderState::notConnected;
        QTest::newRow("scan could not read it") << here << false << true << FolderState::unreadable;
    }
    void folderState() {
        QFETCH(QString, folder);
        QFETCH(bool, scannedAsMissing);
        QFETCH(bool, scannedAsUnreadable);
        QFETCH(FolderState, state);
        platform::LibraryCondition condition;
        if (scannedAsMissing || scannedAsUnreadable)
            condition.absentFolders.push_back({folder, 3, scannedAsMissing});
        QCOMPARE(orsenta::folderState(folder, condition), state);
    }

    // The user's list from Add… to a folder that disappears and a drive that is not connected.
    void page() {
        const TempHome home;
        const QString extra = home.path() + QStringLiteral("/Extra");
        const QString drive = QStringLiteral("/run/media/someone/NoDrive/Videos");
        const QStringList videos{home.videos() + QStringLiteral("/a.mp4"),
                                 home.videos() + QStringLiteral("/b.mp4"),
                                 extra + QStringLiteral("/c.mp4")};
        for (const QString &video : videos) {
            QVERIFY(QDir().mkpath(QFileInfo(video).path()));
            QVERIFY(!makeVideo(video, {.seconds = 0.5}).isEmpty());
        }

        LibraryFolders folders({home.videos(), home.pictures()}, {});
        QCOMPARE(folders.folders(), QStringList({home.videos(), home.pictures()}));
        std::atomic<int> told{0}; // outlives the library, whose watcher tells it
        FolderLibrary library(home.indexPath(), platform::LibraryRoots{});
        const auto scan = [&] {
            library.platform->setFolders(encoded(folders.folders()));
            library.scan();
            folders.noteScanned();
        };
        folders.setLibrary(
            [&](const QString &folder) {
                return library.platform->indexedVideosUnder(QFile::encodeName(folder));
            },
            [&] { return library.platform->libraryCondition(); });
        connect(&folders, &LibraryFolders::foldersChanged, &folders, scan);
        scan();

        library.platform->registerChangeObserver([&told] { ++told; });

        FoldersPage page(&folders);
        QAbstractItemModelTester tester(page.model());
        QStringList chosen{extra, drive, QString()};
        page.setFolderChooser([&](QWidget *) { return chosen.takeFirst(); });
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QCOMPARE(shown(*page.model(), home.videos()), QStringLiteral("Available,2"));
        QCOMPARE(shown(*page.model(), home.pictures()), QStringLiteral("Available,0"));
        QVERIFY(!page.removeButton()->isEnabled());

        // Added folders are stored and scanned; a cancelled chooser changes nothing.
        for (int i = 0; i < 3; ++i)
            QTest::mouseClick(page.addButton(), Qt::LeftButton);
        QCOMPARE(folders.folders(), QStringList({home.videos(), home.pictures(), extra, drive}));
        QCOMPARE(QSettings().value(LibraryFolders::settingsKey).toStringList(), folders.folders());
        QCOMPARE(shown(*page.model(), extra), QStringLiteral("Available,1"));
        QCOMPARE(shown(*page.model(), drive), QStringLiteral("Not connected,0"));
        // The library's watch follows the list: a change in an added folder is heard.
        told = 0;
        QVERIFY(writeNewFile(extra + QStringLiteral("/d.mp4"), "new"));
        QVERIFY(QTest::qWaitFor([&told] { return told > 0; }));

        page.view()->setCurrentIndex(page.model()->index(1, FoldersModel::Folder));
        QVERIFY(page.removeButton()->isEnabled());
        QTest::mouseClick(page.removeButton(), Qt::LeftButton);
        QCOMPARE(folders.folders(), QStringList({home.videos(), extra, drive}));
        QCOMPARE(QSettings().value(LibraryFolders::settingsKey).toStringList(), folders.folders());

        // A folder that disappears keeps its videos in the library until it is back.
        QVERIFY(QDir(extra).removeRecursively());
        scan();
        QCOMPARE(shown(*page.model(), extra), QStringLiteral("Not found,2"));
        QCOMPARE(shown(*page.model(), home.videos()), QStringLiteral("Available,2"));

        // Folders named for one run leave the stored list alone.
        LibraryFolders session({home.videos()}, {extra});
        QVERIFY(session.isSessionOnly());
        QVERIFY(session.add(home.pictures()));
        QCOMPARE(session.folders(), QStringList({extra, home.pictures()}));
        QCOMPARE(QSettings().value(LibraryFolders::settingsKey).toStringList(), folders.folders());
    }
};

ORSENTA_WIDGET_TEST_MAIN(TestFoldersSettings)
#include "tst_folderssettings.moc"
