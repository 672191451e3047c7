// Thumbnails and media of the folder library on real videos: the frame chosen, its shape and
// turn, the desktop's thumbnail cache shared with file managers, and bad files that give no
// picture without harm.

#include "library/photolibraryerror.h"
#include "library/photolibraryservice.h"
#include "library/platform/folder/desktopthumbnails.h"
#include "library/platform/folder/folderplatform.h"
#include "library/platform/folder/framegrab.h"
#include "library/platform/folder/mediaprobe.h"
#include "support/awaittask.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QProcess>

#include <fcntl.h>
#include <sys/stat.h>

using namespace orsenta;
using namespace orsenta::platform;
using namespace orsenta::test;
using namespace std::chrono_literals;

namespace {

bool ffmpeg(const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"),
                              QStringLiteral("error"), QStringLiteral("-nostdin")}
                      + arguments);
    return process.waitForFinished(60'000) && process.exitCode() == 0;
}

// Red above, blue below, with ffmpeg's rotate tag, which ffmpeg 5 stores as a display matrix
// turning the picture `rotation` degrees anticlockwise.
QString makeTwoColourVideo(const QString &path, int rotation) {
    const QString plain = path + QStringLiteral(".plain.mp4");
    const bool made =
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("color=c=red:s=320x176:r=10:d=1"), QStringLiteral("-vf"),
                QStringLiteral("drawbox=x=0:y=ih/2:w=iw:h=ih/2:color=blue:t=fill"),
                QStringLiteral("-c:v"), QStringLiteral("libx264"), QStringLiteral("-preset"),
                QStringLiteral("ultrafast"), QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                plain})
        && ffmpeg({QStringLiteral("-i"), plain, QStringLiteral("-c"), QStringLiteral("copy"),
                   QStringLiteral("-metadata:s:v:0"), QStringLiteral("rotate=%1").arg(rotation),
                   path});
    QFile::remove(plain);
    return made ? path : QString();
}

// Black for its first second, then a bright picture; a keyframe every second.
QString makeFadeInVideo(const QString &path) {
    const bool made =
        ffmpeg({QStringLiteral("-f"), QStringLiteral("lavfi"), QStringLiteral("-i"),
                QStringLiteral("color=c=white:s=320x240:r=10:d=3"), QStringLiteral("-vf"),
                QStringLiteral("drawbox=c=black:t=fill:enable='lt(t,1)'"), QStringLiteral("-g"),
                QStringLiteral("10"), QStringLiteral("-c:v"), QStringLiteral("libx264"),
                QStringLiteral("-preset"), QStringLiteral("ultrafast"), QStringLiteral("-pix_fmt"),
                QStringLiteral("yuv420p"), path});
    return made ? path : QString();
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

int brightness(const QImage &image) {
    qint64 sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qGray(image.pixel(x, y));
    return int(sum / (qint64(image.width()) * image.height()));
}

struct Delivery {
    std::optional<QImage> image;
    ImageResultInfo info;
};

// A library over the home's Videos folder, scanned, with its image manager.
struct Library {
    std::shared_ptr<FolderPlatform> platform;
    std::shared_ptr<PhotoLibraryService> service;
    QHash<QString, QString> idOfName;

    explicit Library(const TempHome &home) {
        FolderPlatformOptions options;
        options.indexPath = home.indexPath();
        options.probeHelperPath = QStringLiteral(ORSENTA_PROBE_HELPER);
        options.roots = LibraryRoots{{bytes(home.videos())}, {}};
        platform = std::make_shared<FolderPlatform>(options);
        service = PhotoLibraryService::create(platform);
        await(service->requestAccess());
        const std::int64_t count = await(service->beginScan());
        for (const VideoItem &item : await(service->nextScanBatch(0, count)))
            idOfName.insert(item.displayName(), item.localIdentifier());
        await(service->finishScan());
    }

    AssetPtr asset(const QString &name) const {
        auto result = std::make_shared<PlatformAsset>();
        result->localIdentifier = idOfName.value(name);
        return result;
    }

    std::vector<Delivery> image(const QString &name, int width, int height,
                                ImageDeliveryMode delivery = ImageDeliveryMode::highQuality) {
        std::vector<Delivery> deliveries;
        ImageRequestOptions options;
        options.deliveryMode = delivery;
        platform->defaultImageManager().requestImage(
            asset(name), width, height, ContentMode::aspectFill, options,
            [&](std::optional<QImage> image, ImageResultInfo info) {
                deliveries.push_back({std::move(image), std::move(info)});
            });
        return deliveries;
    }
};

// What a file manager that had shown the video would have left in the cache.
void planted(const DesktopThumbnails &cache, const QString &video, int side, const QColor &colour,
             QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    struct stat st {};
    QVERIFY(::stat(bytes(video).constData(), &st) == 0);
    QVERIFY(cache.store(bytes(video), st.st_mtim.tv_sec, st.st_size, image, side));
}

} // namespace

class TestFolderThumbnails : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void shapesAndSizes_data() {
        QTest::addColumn<int>("videoWidth");
        QTest::addColumn<int>("videoHeight");
        QTest::addColumn<int>("fit");
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("fill, wider box")
            << 320 << 240 << int(FrameFit::fill) << QSize(128, 80) << QSize(128, 80);
        QTest::newRow("fill, taller box")
            << 320 << 240 << int(FrameFit::fill) << QSize(80, 128) << QSize(80, 128);
        QTest::newRow("fill, larger than the video")
            << 160 << 120 << int(FrameFit::fill) << QSize(300, 100) << QSize(300, 100);
        QTest::newRow("within a square")
            << 320 << 240 << int(FrameFit::within) << QSize(128, 128) << QSize(128, 96);
        QTest::newRow("within, never enlarged")
            << 64 << 48 << int(FrameFit::within) << QSize(256, 256) << QSize(64, 48);
    }
    void shapesAndSizes() {
        QFETCH(int, videoWidth);
        QFETCH(int, videoHeight);
        QFETCH(int, fit);
        QFETCH(QSize, box);
        QFETCH(QSize, expected);
        TempHome home;
        VideoSpec wanted;
        wanted.width = videoWidth;
        wanted.height = videoHeight;
        const QString path = makeVideo(home.videos() + QStringLiteral("/v.mp4"), wanted);
        QVERIFY(!path.isEmpty());
        const GrabbedFrame frame =
            grabFrame(bytes(path), box.width(), box.height(), FrameFit(fit), 10s);
        QVERIFY2(!frame.isNull(), qPrintable(frame.error));
        QCOMPARE(QSize(frame.width, frame.height), expected);
        QCOMPARE(frame.pixels.size(), qsizetype(expected.width()) * expected.height() * 3);
    }

    // Red above blue, stored; turned for display as the display matrix says, the way ffmpeg
    // and players show it.
    void theTurnIsApplied_data() {
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QColor>("top");
        QTest::addColumn<QColor>("left");
        QTest::newRow("none") << 0 << QColor(Qt::red) << QColor(Qt::magenta);
        QTest::newRow("quarter anticlockwise") << 90 << QColor(Qt::magenta) << QColor(Qt::red);
        QTest::newRow("half") << 180 << QColor(Qt::blue) << QColor(Qt::magenta);
        QTest::newRow("quarter clockwise") << 270 << QColor(Qt::magenta) << QColor(Qt::blue);
    }
    void theTurnIsApplied() {
        QFETCH(int, rotation);
        QFETCH(QColor, top);
        QFETCH(QColor, left);
        TempHome home;
        const QString path =
            makeTwoColourVideo(home.videos() + QStringLiteral("/turned.mp4"), rotation);
        QVERIFY(!path.isEmpty());
        const GrabbedFrame frame = grabFrame(bytes(path), 256, 256, FrameFit::within, 10s);
        QVERIFY2(!frame.isNull(), qPrintable(frame.error));
        const bool quarter = rotation % 180 != 0;
        QCOMPARE(QSize(frame.width, frame.height), quarter ? QSize(141, 256) : QSize(256, 141));
        const QImage image = imageOf(frame);
        // Magenta stands for "not this colour's edge": the top row of a turned picture is half
        // red and half blue.
        const QColor topMiddle = image.pixelColor(image.width() / 2, 2);
        const QColor leftMiddle = image.pixelColor(2, image.height() / 2);
        if (top != QColor(Qt::magenta))
            QVERIFY2(near(topMiddle, top), qPrintable(topMiddle.name()));
        if (left != QColor(Qt::magenta))
            QVERIFY2(near(leftMiddle, left), qPrintable(leftMiddle.name()));
    }

    void notTheBlackFirstFrame() {
        TempHome home;
        const QString path = makeFadeInVideo(home.videos() + QStringLiteral("/fade.mp4"));
        QVERIFY(!path.isEmpty());
        const GrabbedFrame frame = grabFrame(bytes(path), 128, 96, FrameFit::fill, 10s);
        QVERIFY2(!frame.isNull(), qPrintable(frame.error));
        QVERIFY2(brightness(imageOf(frame)) > 200,
                 qPrintable(QString::number(brightness(imageOf(frame)))));

        // A video whose only keyframe is its first frame still has a picture.
        VideoSpec shortClip;
        shortClip.seconds = 0.5;
        const QString one = makeVideo(home.videos() + QStringLiteral("/one.mp4"), shortClip);
        QVERIFY(!grabFrame(bytes(one), 64, 64, FrameFit::fill, 10s).isNull());
    }

    // No picture, a reason, no crash: in process, through the helper and through the library,
    // which asks again the next time.
    void badFilesGiveNoPicture_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("corrupt") << 0;
        QTest::newRow("zero length") << 1;
        QTest::newRow("audio only") << 2;
        QTest::newRow("truncated") << 3;
    }
    void badFilesGiveNoPicture() {
        QFETCH(int, kind);
        TempHome home;
        const QString path = home.videos() + QStringLiteral("/bad.mp4");
        const QString good = makeVideo(home.path() + QStringLiteral("/good.mp4"), {});
        QVERIFY(!good.isEmpty());
        QFile goodFile(good);
        QVERIFY(goodFile.open(QIODevice::ReadOnly));
        const QByteArray whole = goodFile.readAll();
        switch (kind) {
        case 0: {
            QByteArray noise(64 * 1024, Qt::Uninitialized);
            for (qsizetype i = 0; i < noise.size(); ++i)
                noise[i] = char((i * 7919) >> 3);
            QVERIFY(writeNewFile(path, noise));
            break;
        }
        case 1:
            QVERIFY(writeNewFile(path, {}));
            break;
        case 2: {
            VideoSpec audio;
            audio.video = false;
            audio.audio = true;
            QVERIFY(!makeVideo(path, audio).isEmpty());
            break;
        }
        case 3:
            QVERIFY(writeNewFile(path, whole.left(whole.size() / 3)));
            break;
        }

        const GrabbedFrame direct = grabFrame(bytes(path), 128, 80, FrameFit::fill, 10s);
        QVERIFY(direct.isNull());
        QVERIFY(!direct.error.isEmpty());
        MediaProbe helper(QStringLiteral(ORSENTA_PROBE_HELPER));
        const GrabbedFrame isolated = helper.thumbnail(bytes(path), 128, 80, FrameFit::fill);
        QVERIFY(isolated.isNull());
        QVERIFY(!isolated.error.isEmpty());
        QCOMPARE(helper.restarts(), 0);

        Library library(home);
        const auto first = library.image(QStringLiteral("bad.mp4"), 128, 80);
        QCOMPARE(first.size(), 1u);
        QVERIFY(!first[0].image);
        QVERIFY(first[0].info.error);
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

    void aCrashingDecoderCostsOneFile() {
        TempHome home;
        const QString a = makeVideo(home.videos() + QStringLiteral("/crash me.mp4"), {});
        const QString b = makeVideo(home.videos() + QStringLiteral("/fine.mp4"), {});
        QVERIFY(!a.isEmpty() && !b.isEmpty());
        qputenv("ORSENTA_PROBE_TEST_CRASH_ON", "crash me");
        MediaProbe helper(QStringLiteral(ORSENTA_PROBE_HELPER));
        const GrabbedFrame crashed = helper.thumbnail(bytes(a), 64, 40, FrameFit::fill);
        const GrabbedFrame fine = helper.thumbnail(bytes(b), 64, 40, FrameFit::fill);
        qunsetenv("ORSENTA_PROBE_TEST_CRASH_ON");
        QVERIFY(crashed.isNull());
        QVERIFY2(crashed.error.contains(QStringLiteral("stopped")), qPrintable(crashed.error));
        QCOMPARE(helper.restarts(), 1);
        QVERIFY(!fine.isNull());
        QCOMPARE(QSize(fine.width, fine.height), QSize(64, 40));
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
        Library library(home);
        const DesktopThumbnails cache;
        QCOMPARE(cache.root(), home.path() + QStringLiteral("/.cache/thumbnails"));

        // Made, delivered at exactly the size asked, and left in the cache at the standard's
        // size with the tags a file manager checks.
        const auto made = library.image(QStringLiteral("shared.mp4"), 128, 80);
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

        // A thumbnail someone else made is used as it is.
        planted(cache, path, 128, Qt::green, QSize(128, 96));
        const auto hit = library.image(QStringLiteral("shared.mp4"), 128, 80);
        QCOMPARE(hit.size(), 1u);
        QCOMPARE(hit[0].image->size(), QSize(128, 80));
        QVERIFY(near(hit[0].image->pixelColor(64, 40), Qt::green));

        // Once the video changes, the cached one is stale and is made again.
        const timespec later[2] = {{0, UTIME_OMIT}, {st.st_mtim.tv_sec + 10, 0}};
        QVERIFY(::utimensat(AT_FDCWD, bytes(path).constData(), later, 0) == 0);
        const auto remade = library.image(QStringLiteral("shared.mp4"), 128, 80);
        QVERIFY(remade[0].image && !near(remade[0].image->pixelColor(64, 40), Qt::green));
        QCOMPARE(QImage(cached).text(QStringLiteral("Thumb::MTime")).toLongLong(),
                 qint64(st.st_mtim.tv_sec + 10));
    }

    // A smaller cached thumbnail comes first, marked degraded, when the caller takes early
    // pictures; the exact one always comes last.
    void aSmallerCachedOneComesFirstAsDegraded() {
        TempHome home;
        const QString path = makeVideo(home.videos() + QStringLiteral("/big.mp4"), {});
        QVERIFY(!path.isEmpty());
        Library library(home);
        const DesktopThumbnails cache;
        planted(cache, path, 128, Qt::green, QSize(128, 96));

        const auto early =
            library.image(QStringLiteral("big.mp4"), 256, 160, ImageDeliveryMode::opportunistic);
        QCOMPARE(early.size(), 2u);
        QVERIFY(early[0].info.degraded && early[0].image);
        QVERIFY(near(early[0].image->pixelColor(10, 10), Qt::green));
        QVERIFY(!early[1].info.degraded && early[1].image);
        QCOMPARE(early[1].image->size(), QSize(256, 160));
        QVERIFY(!near(early[1].image->pixelColor(128, 80), Qt::green));
        QVERIFY(QFile::exists(cache.thumbnailPath(bytes(path), 256)));

        // High quality: one picture, never a degraded one.
        QVERIFY(QFile::remove(cache.thumbnailPath(bytes(path), 256)));
        const auto once = library.image(QStringLiteral("big.mp4"), 256, 160);
        QCOMPARE(once.size(), 1u);
        QVERIFY(!once[0].info.degraded);
    }

    // Through the service, as the table and the preview ask.
    void theServiceGetsThumbnailsAndMedia() {
        TempHome home;
        QVERIFY(!makeVideo(home.videos() + QStringLiteral("/clip.mp4"), {}).isEmpty());
        VideoSpec audio;
        audio.video = false;
        audio.audio = true;
        QVERIFY(!makeVideo(home.videos() + QStringLiteral("/sound.mp4"), audio).isEmpty());
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
