// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails and media of the folder library on real videos: the frame chosen, its shape and
// turn, the desktop's thumbnail cache shared with file managers, and bad files that give no
// picture without harm.

#include "library/photolibraryerror.h"
#include "library/platform/folder/desktopthumbnails.h"
#include "library/platform/folder/framegrab.h"
#include "library/platform/folder/mediaprobe.h"
#include "support/folderlibrary.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QDir>
#include <QImage>

#include <fcntl.h>
#include <sys/stat.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(orsenta::test::VideoSpec)

namespace {

// Red above, blue below: where each colour ends up shows how the picture was turned.
const QStringList twoColours{
    QStringLiteral("-vf"),
    QStringLiteral("drawbox=c=red:t=fill,drawbox=x=0:y=ih/2:w=iw:h=ih/2:color=blue:t=fill")};
// Black for its first second, then white; a keyframe every second.
const QStringList fadeIn{QStringLiteral("-vf"),
                         QStringLiteral("drawbox=c=white:t=fill,drawbox=c=black:t=fill:"
                                        "enable='lt(t,1)'"),
                         QStringLiteral("-g"), QStringLiteral("10")};

// White with green bands over its first and last quarter, across the stored picture or (turned
// a quarter) down it: a cell filled from the portrait picture shows only white.
QStringList bands(bool across) {
    const QString band =
        across ? QStringLiteral("x=0:y=%1:w=iw:h=ih/4") : QStringLiteral("x=%1:y=0:w=iw/4:h=ih");
    const QString at = across ? QStringLiteral("3*ih/4") : QStringLiteral("3*iw/4");
    return {
        QStringLiteral("-vf"),
        QStringLiteral(
            "drawbox=c=white:t=fill,drawbox=%1:color=green:t=fill,drawbox=%2:color=green:t=fill")
            .arg(band.arg(0), band.arg(at))};
}

QImage imageOf(const GrabbedFrame &frame) {
    return QImage(reinterpret_cast<const uchar *>(frame.pixels.constData()), frame.width,
                  frame.height, frame.width * 3, QImage::Format_RGB888)
        .copy();
}

bool near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) < 60 && std::abs(a.green() - b.green()) < 60
           && std::abs(a.blue() - b.blue()) < 60;
}

struct Delivery {
    std::optional<QImage> image;
    ImageResultInfo info;
};

// A library over the home's Videos folder, scanned, with its image manager.
struct Library : FolderLibrary {
    QHash<QString, QString> idOfName;

    explicit Library(const TempHome &home)
        : FolderLibrary(home.indexPath(), LibraryRoots{{bytes(home.videos())}, {}}) {
        for (const VideoItem &item : scan())
            idOfName.insert(item.displayName(), item.localIdentifier());
    }

    std::vector<Delivery> image(const QString &name, int width, int height,
                                ImageDeliveryMode delivery = ImageDeliveryMode::highQuality) {
        auto asset = std::make_shared<PlatformAsset>();
        asset->localIdentifier = idOfName.value(name);
        ImageRequestOptions options;
        options.deliveryMode = delivery;
        std::vector<Delivery> deliveries;
        platform->defaultImageManager().requestImage(
            asset, width, height, ContentMode::aspectFill, options,
            [&](std::optional<QImage> image, ImageResultInfo info) {
                deliveries.push_back({std::move(image), std::move(info)});
            });
        return deliveries;
    }
};

} // namespace

class TestFolderThumbnails : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The size the box and the fit give, and the picture as players show it: red above blue in
    // the file, turned as its display matrix says. Filled pictures come the same from the
    // library, which cuts them from the whole frame it keeps in the desktop's cache.
    void grabsTheFrameAsShown_data() {
        QTest::addColumn<VideoSpec>("video");
        QTest::addColumn<int>("fit");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        // At the middle of the top and the left edge; not checked where invalid, as on an edge
        // that is half red and half blue.
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("left");
        const int fill = int(FrameFit::fill);
        const int within = int(FrameFit::within);
        const QColor any;
        QTest::newRow("fill, wider box")
            << VideoSpec{} << fill << QSize(128, 80) << QSize(128, 80) << any << any;
        QTest::newRow("fill, taller box")
            << VideoSpec{} << fill << QSize(80, 128) << QSize(80, 128) << any << any;
        QTest::newRow("fill, larger than the video")
            << VideoSpec{.width = 160, .height = 120} << fill << QSize(300, 100) << QSize(300, 100)
            << any << any;
        // Filled, a portrait picture covers a landscape cell: its middle, never bars beside it.
        QTest::newRow("fill, portrait in a landscape cell")
            << VideoSpec{.width = 176, .height = 320, .extraOutputArgs = bands(true)} << fill
            << QSize(160, 90) << QSize(160, 90) << QColor(Qt::white) << QColor(Qt::white);
        QTest::newRow("fill, turned portrait in a landscape cell")
            << VideoSpec{.width = 320,
                         .height = 176,
                         .rotation = 90,
                         .extraOutputArgs = bands(false)}
            << fill << QSize(160, 90) << QSize(160, 90) << QColor(Qt::white) << QColor(Qt::white);
        QTest::newRow("within a square")
            << VideoSpec{} << within << QSize(128, 128) << QSize(128, 96) << any << any;
        QTest::newRow("within, never enlarged") << VideoSpec{.width = 64, .height = 48} << within
                                                << QSize(256, 256) << QSize(64, 48) << any << any;

        const auto turned = [&](const char *name, int rotation, QColor top, QColor left) {
            const QSize shape = rotation % 180 ? QSize(141, 256) : QSize(256, 141);
            QTest::newRow(name) << VideoSpec{.width = 320,
                                             .height = 176,
                                             .rotation = rotation,
                                             .extraOutputArgs = twoColours}
                                << within << QSize(256, 256) << shape << top << left;
        };
        turned("not turned", 0, Qt::red, any);
        turned("quarter anticlockwise", 90, any, Qt::red);
        turned("half", 180, Qt::blue, any);
        turned("quarter clockwise", 270, any, Qt::blue);

        // Many videos fade in from black: never their first frame when a later keyframe is near.
        QTest::newRow("fades in from black")
            << VideoSpec{.seconds = 3, .extraOutputArgs = fadeIn} << fill << QSize(128, 96)
            << QSize(128, 96) << QColor(Qt::white) << QColor(Qt::white);
        QTest::newRow("only keyframe is the first")
            << VideoSpec{.seconds = 0.5} << fill << QSize(64, 64) << QSize(64, 64) << any << any;
    }
    void grabsTheFrameAsShown() {
        QFETCH(VideoSpec, video);
        QFETCH(int, fit);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        QFETCH(QColor, top);
        QFETCH(QColor, left);
        TempHome home;
        const QString path = makeVideo(home.videos() + QStringLiteral("/v.mp4"), video);
        QVERIFY(!path.isEmpty());
        const GrabbedFrame frame =
            grabFrame(bytes(path), box.width(), box.height(), FrameFit(fit), 10s);
        QVERIFY2(!frame.isNull(), qPrintable(frame.error));
        QCOMPARE(QSize(frame.width, frame.height), expected);
        QCOMPARE(frame.pixels.size(), qsizetype(expected.width()) * expected.height() * 3);
        std::vector<QImage> images{imageOf(frame)};
        if (FrameFit(fit) == FrameFit::fill) {
            const auto delivered =
                Library(home).image(QStringLiteral("v.mp4"), box.width(), box.height());
            QVERIFY(delivered.size() == 1 && delivered[0].image);
            images.push_back(*delivered[0].image);
        }
        for (const QImage &image : images) {
            QCOMPARE(image.size(), expected);
            const QColor atTop = image.pixelColor(image.width() / 2, 2);
            const QColor atLeft = image.pixelColor(2, image.height() / 2);
            QVERIFY2(!top.isValid() || near(atTop, top), qPrintable(atTop.name()));
            QVERIFY2(!left.isValid() || near(atLeft, left), qPrintable(atLeft.name()));
        }
    }

    // No picture, a reason, no crash: through the helper and through the library, which asks
    // again the next time.
    void badFilesGiveNoPicture_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("thirdsKept"); // of a good video, written instead of the content
        QTest::addColumn<bool>("audioOnly");
        QByteArray noise(64 * 1024, Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919) >> 3);
        QTest::newRow("corrupt") << noise << 0 << false;
        QTest::newRow("zero length") << QByteArray() << 0 << false;
        QTest::newRow("audio only") << QByteArray() << 0 << true;
        QTest::newRow("truncated") << QByteArray() << 1 << false;
    }
    void badFilesGiveNoPicture() {
        QFETCH(QByteArray, content);
        QFETCH(int, thirdsKept);
        QFETCH(bool, audioOnly);
        TempHome home;
        const QString path = home.videos() + QStringLiteral("/bad.mp4");
        const QByteArray whole = readFile(makeVideo(home.path() + QStringLiteral("/good.mp4"), {}));
        QVERIFY(!whole.isEmpty());
        if (audioOnly)
            QVERIFY(!makeVideo(path, {.video = false, .audio = true}).isEmpty());
        else
            QVERIFY(writeNewFile(path,
                                 thirdsKept ? whole.left(whole.size() * thirdsKept / 3) : content));

        // In the helper, which runs grabFrame: a crash there would show as a restart.
        MediaProbe helper(QStringLiteral(ORSENTA_PROBE_HELPER));
        const GrabbedFrame isolated = helper.thumbnail(bytes(path), 128, 80, FrameFit::fill);
        QVERIFY(isolated.isNull() && !isolated.error.isEmpty());
        QCOMPARE(helper.restarts(), 0);

        Library library(home);
        const auto first = library.image(QStringLiteral("bad.mp4"), 128, 80);
        QCOMPARE(first.size(), 1u);
        QVERIFY(!first[0].image && first[0].info.error);
        QVERIFY(QDir(home.path() + QStringLiteral("/.cache/thumbnails/normal"))
                    .entryList(QDir::Files)
                    .isEmpty());
        // The file is mended in place: the next request tries again and succeeds.
        QFile mended(path);
        QVERIFY(mended.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(mended.write(whole), whole.size());
        mended.close();
        const auto second = library.image(QStringLiteral("bad.mp4"), 128, 80);
        QCOMPARE(second.size(), 1u);
        QVERIFY(second[0].image);
        QCOMPARE(second[0].image->size(), QSize(128, 80));
    }

    // The standard's own example, and the escaping file managers use.
    void cacheNamesMatchTheStandard() {
        const DesktopThumbnails cache(QStringLiteral("/c"));
        QCOMPARE(cache.thumbnailPath("/home/jens/photos/me.png", 128),
                 QStringLiteral("/c/normal/c6ee772d9e49320e97ec29a7eb5b1697.png"));
        QCOMPARE(cache.thumbnailPath("/home/jens/photos/me.png", 1024).section(u'/', 2, 2),
                 QStringLiteral("xx-large"));
        QCOMPARE(DesktopThumbnails::uriOf("/v/a b%c\n\xe9.mp4"),
                 QByteArray("file:///v/a%20b%25c%0A%E9.mp4"));
    }

    void theDesktopCacheIsSharedBothWays() {
        TempHome home;
        const QString path = makeVideo(home.videos() + QStringLiteral("/shared.mp4"), {});
        QVERIFY(!path.isEmpty());
        const QString name = QStringLiteral("shared.mp4");
        Library library(home);
        const DesktopThumbnails cache;
        QCOMPARE(cache.root(), home.path() + QStringLiteral("/.cache/thumbnails"));

        // Made, delivered at exactly the size asked, and left in the cache at the standard's
        // size with the tags a file manager checks.
        const auto made = library.image(name, 128, 80);
        QCOMPARE(made.size(), 1u);
        QVERIFY(made[0].image && !made[0].info.degraded && !made[0].info.error);
        QCOMPARE(made[0].image->size(), QSize(128, 80));
        const QString cached = cache.thumbnailPath(bytes(path), 128);
        const QImage stored(cached);
        struct stat st {};
        QVERIFY(::stat(bytes(path).constData(), &st) == 0);
        QCOMPARE(stored.text(QStringLiteral("Thumb::URI")).toUtf8(),
                 DesktopThumbnails::uriOf(bytes(path)));
        QCOMPARE(stored.text(QStringLiteral("Thumb::MTime")).toLongLong(),
                 qint64(st.st_mtim.tv_sec));
        QCOMPARE(stored.size(), QSize(128, 96));
        QCOMPARE(QFileInfo(cached).permissions() & (QFile::ReadOther | QFile::ReadGroup),
                 QFileDevice::Permissions());

        // What a file manager that had shown the video would have left is used as it is.
        QImage green(128, 96, QImage::Format_RGB32);
        green.fill(Qt::green);
        QVERIFY(cache.store(bytes(path), st.st_mtim.tv_sec, st.st_size, green, 128));
        const auto hit = library.image(name, 128, 80);
        QVERIFY(hit.size() == 1 && hit[0].image);
        QCOMPARE(hit[0].image->size(), QSize(128, 80));
        QVERIFY(near(hit[0].image->pixelColor(64, 40), Qt::green));

        // A smaller one comes first, marked degraded, when the caller takes early pictures; the
        // exact one always comes last.
        const auto early = library.image(name, 256, 160, ImageDeliveryMode::opportunistic);
        QCOMPARE(early.size(), 2u);
        QVERIFY(early[0].info.degraded && early[0].image);
        QVERIFY(near(early[0].image->pixelColor(10, 10), Qt::green));
        QVERIFY(!early[1].info.degraded && early[1].image);
        QCOMPARE(early[1].image->size(), QSize(256, 160));
        QVERIFY(!near(early[1].image->pixelColor(128, 80), Qt::green));
        QVERIFY(QFile::remove(cache.thumbnailPath(bytes(path), 256)));
        // High quality: one picture, never a degraded one.
        const auto once = library.image(name, 256, 160);
        QCOMPARE(once.size(), 1u);
        QVERIFY(!once[0].info.degraded);

        // Once the video changes, the cached one is stale and is made again.
        const timespec later[2] = {{0, UTIME_OMIT}, {st.st_mtim.tv_sec + 10, 0}};
        QVERIFY(::utimensat(AT_FDCWD, bytes(path).constData(), later, 0) == 0);
        const auto remade = library.image(name, 128, 80);
        QVERIFY(remade[0].image && !near(remade[0].image->pixelColor(64, 40), Qt::green));
        QCOMPARE(QImage(cached).text(QStringLiteral("Thumb::MTime")).toLongLong(),
                 qint64(st.st_mtim.tv_sec + 10));
    }

    // Through the service, as the table and the preview ask.
    void theServiceGetsThumbnailsAndMedia() {
        TempHome home;
        QVERIFY(!makeVideo(home.videos() + QStringLiteral("/clip.mp4"), {}).isEmpty());
        QVERIFY(!makeVideo(home.videos() + QStringLiteral("/sound.mp4"),
                           {.video = false, .audio = true})
                     .isEmpty());
        Library library(home);
        const QString clip = library.idOfName.value(QStringLiteral("clip.mp4"));
        const QString sound = library.idOfName.value(QStringLiteral("sound.mp4"));

        const ThumbnailPtr thumbnail = await(library.service->thumbnail(clip, QSizeF(128, 80)));
        QVERIFY(thumbnail);
        QCOMPARE(thumbnail->image().size(), QSize(128, 80));
        QVERIFY(!await(library.service->thumbnail(sound, QSizeF(128, 80))));

        const PreviewAssetPtr media = await(library.service->requestPreviewAsset(clip));
        QVERIFY(media->asset().fileBacked && media->asset().playable);
        QCOMPARE(media->asset().filePath, home.videos() + QStringLiteral("/clip.mp4"));
        QVERIFY(std::abs(media->asset().duration - 1.0) < 0.2);
        QVERIFY(!await(library.service->requestPreviewAsset(sound))->asset().playable);
        QVERIFY(QFile::remove(home.videos() + QStringLiteral("/clip.mp4")));
        try {
            await(library.service->requestPreviewAsset(clip));
            QFAIL("a vanished video gave a preview");
        } catch (const PhotoLibraryError &error) {
            QCOMPARE(error.kind(), PhotoLibraryError::Kind::assetNotFound);
        }
    }
};

ORSENTA_TEST_MAIN(TestFolderThumbnails)
#include "tst_folderthumbnails.moc"
