// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting, favouriting and downloading through the service, and the errors they report.

#include "support/failuretext.h"
#include "support/memorylibrary.h"
#include "support/testmain.h"

#include <QTemporaryDir>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;

Q_DECLARE_METATYPE(orsenta::DeletionOutcome)
Q_DECLARE_METATYPE(std::optional<orsenta::platform::PlatformError>)

namespace {

void addThree(MemoryPlatform &platform) {
    for (const char *id : {"a", "b", "c"})
        platform.addAsset(fastAsset(QString::fromLatin1(id), u"v.mov"_qs, 10));
}

} // namespace

class TestLibraryChanges : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void deletionOutcomes_data() {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<bool>("success");
        QTest::addColumn<std::optional<PlatformError>>("error");
        QTest::addColumn<DeletionOutcome>("expected");
        QTest::addColumn<int>("changeRequests");
        const PlatformError cancelled{u"PHPhotosErrorDomain"_qs, 3072, u"cancelled"_qs};
        const PlatformError denied{u"PHPhotosErrorDomain"_qs, 3311, u"Not allowed."_qs};
        QTest::newRow("only existing ones are deleted and reported")
            << QStringList{u"a"_qs, u"gone"_qs, u"c"_qs} << true << std::optional<PlatformError>()
            << DeletionOutcome::success({u"a"_qs, u"c"_qs}).withStayed({}, {u"gone"_qs}) << 1;
        QTest::newRow("none exists: no change is requested")
            << QStringList{u"gone"_qs} << true << std::optional<PlatformError>()
            << DeletionOutcome::failed().withStayed({}, {u"gone"_qs}) << 0;
        QTest::newRow("user cancelled")
            << QStringList{u"a"_qs} << false << std::optional<PlatformError>(cancelled)
            << DeletionOutcome::cancelled() << 1;
        QTest::newRow("library moved only some")
            << QStringList{u"c"_qs, u"a"_qs, u"b"_qs} << true
            << std::optional<PlatformError>(denied)
            << DeletionOutcome::success({u"b"_qs, u"c"_qs}, u"Not allowed."_qs)
                   .withStayed({u"a"_qs}, {})
            << 1;
    }
    void deletionOutcomes() {
        QFETCH(QStringList, request);
        QFETCH(bool, success);
        QFETCH(std::optional<PlatformError>, error);
        QFETCH(DeletionOutcome, expected);
        ServiceFixture f;
        addThree(*f.platform);
        std::optional<QStringList> deleted;
        if (QByteArray(QTest::currentDataTag()) == "library moved only some")
            deleted = QStringList{u"b"_qs, u"c"_qs, u"b"_qs, u"unasked"_qs};
        f.platform->setNextChangeResult(success, error, deleted);
        f.platform->setDelivery(MemoryPlatform::Delivery::otherThread);
        QCOMPARE(await(f.service->deleteVideos(request)), expected);
        QTEST(f.platform->counters().changeRequests, "changeRequests");
        for (const QString &id : expected.deletedIdentifiers)
            QVERIFY(!f.platform->contains(id));
        QCOMPARE(f.platform->assetCount(), 3 - int(expected.deletedIdentifiers.size()));
    }

    void favouritesChangeInOneRequest() {
        ServiceFixture f;
        addThree(*f.platform);
        await(f.service->setFavorite({u"a"_qs, u"gone"_qs, u"b"_qs}, true));
        QVERIFY(f.platform->isFavorite(u"a"_qs) && f.platform->isFavorite(u"b"_qs));
        QVERIFY(!f.platform->isFavorite(u"c"_qs));
        QCOMPARE(f.platform->counters().changeRequests, 1);
        await(f.service->setFavorite({u"a"_qs}, false));
        QVERIFY(!f.platform->isFavorite(u"a"_qs));
    }

    void favouriteFailures_data() {
        QTest::addColumn<QStringList>("request");
        QTest::addColumn<std::optional<PlatformError>>("error");
        QTest::addColumn<QString>("text");
        QTest::newRow("vanished") << QStringList{u"gone"_qs} << std::optional<PlatformError>()
                                  << u"This video is no longer in your video folders."_qs;
        QTest::newRow("failure without error")
            << QStringList{u"a"_qs} << std::optional<PlatformError>()
            << u"The file of this video is not available on this computer."_qs;
    }
    void favouriteFailures() {
        QFETCH(QStringList, request);
        QFETCH(std::optional<PlatformError>, error);
        ServiceFixture f;
        addThree(*f.platform);
        f.platform->setNextChangeResult(false, error);
        QTEST(failureText(f.service->setFavorite(request, true)), "text");
        QVERIFY(!f.platform->isFavorite(u"a"_qs));
    }

    // The chosen rendition is written; a video that is gone and one without a video resource
    // each say why and leave nothing behind.
    void downloads() {
        QTemporaryDir dir;
        ServiceFixture f;
        MemoryAsset asset = fastAsset(u"a"_qs, u"a.mov"_qs, 5);
        asset.resources = {
            videoResource(u"a"_qs, u"original.mov"_qs),
            videoResource(u"a"_qs, u"edited.mov"_qs, std::nullopt, resourcetype::fullSizeVideo)};
        asset.resourceData = "movie";
        f.platform->addAsset(asset);
        MemoryAsset photoOnly = fastAsset(u"photo"_qs, u"p.heic"_qs, 5);
        photoOnly.resources = {videoResource(u"photo"_qs, u"p.heic"_qs, 5, resourcetype::photo)};
        f.platform->addAsset(photoOnly);

        await(f.service->downloadVideo(u"a"_qs, dir.filePath(u"a.mov"_qs)));
        QFile written(dir.filePath(u"a.mov"_qs));
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), QByteArray("movie"));
        const auto log = f.platform->writeRequestLog();
        QCOMPARE(log.at(0).resource.originalFilename, u"edited.mov"_qs);
        QVERIFY(log.at(0).options.networkAccessAllowed);

        QCOMPARE(failureText(f.service->downloadVideo(u"gone"_qs, dir.filePath(u"1"_qs))),
                 u"This video is no longer in your video folders."_qs);
        QCOMPARE(failureText(f.service->downloadVideo(u"photo"_qs, dir.filePath(u"2"_qs))),
                 u"The file of this video could not be read."_qs);
        QCOMPARE(f.platform->counters().writes, 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{u"a.mov"_qs});
    }

    // Handlers that know only std::exception read what(): it must say what the user is told.
    void whatSaysTheDescription() {
        const auto error =
            PhotoLibraryError::operationFailed(PlatformError{u"D"_qs, 4, u"Gone."_qs});
        QCOMPARE(QString::fromUtf8(error.what()), u"Gone."_qs);
    }
};

ORSENTA_TEST_MAIN(TestLibraryChanges)
#include "tst_librarychanges.moc"
