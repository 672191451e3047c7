// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/similarvideos.h"
#include "model/videofingerprint.h"
#include "support/itembuilder.h"
#include "support/testmain.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numeric>
#include <random>

using namespace orsenta;
using namespace orsenta::test;
using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(orsenta::SimilarKeeperReason)
Q_DECLARE_METATYPE(orsenta::PictureArea)

namespace {

using Frames = std::vector<std::uint64_t>;

// A grayscale picture, rows of `width` bytes.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    std::uint8_t &at(int x, int y) { return pixels[std::size_t(y * width + x)]; }
};

// A smooth scene of a few waves and a bright square, every line well above black.
Picture scene(unsigned seed, int width = 160, int height = 90) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    std::array<double, 9> wave{};
    for (double &w : wave)
        w = unit(random);
    Picture picture{width, height, std::vector<std::uint8_t>(std::size_t(width * height))};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double v = double(y) / height;
            double shade = 120;
            for (int k = 0; k < 3; ++k)
                shade +=
                    30
                    * std::sin(6 * (wave[3 * k] * u + wave[3 * k + 1] * v) + 6 * wave[3 * k + 2]);
            if (std::abs(u - wave[0]) < 0.15 && std::abs(v - wave[1]) < 0.2)
                shade += 50;
            picture.at(x, y) = std::uint8_t(std::clamp(shade, 40.0, 250.0));
        }
    }
    return picture;
}

std::uint64_t hashOf(const Picture &picture) {
    const PictureArea area =
        contentArea(picture.pixels.data(), picture.width, picture.height, picture.width);
    return perceptualHash(hashImageOf(picture.pixels.data(), picture.width, area));
}

enum class Change { noise, brighter, halfSize, letterboxed, other };

// Scene `seed` as a copy of its video might show it.
Picture changed(unsigned seed, Change change) {
    if (change == Change::halfSize)
        return scene(seed, 80, 45);
    if (change == Change::other)
        return scene(seed + 1000);
    Picture picture = scene(seed);
    if (change == Change::letterboxed) {
        Picture boxed{
            picture.width, picture.height + 40,
            std::vector<std::uint8_t>(std::size_t(picture.width * (picture.height + 40)), 16)};
        std::ranges::copy(picture.pixels, boxed.pixels.begin() + 20 * picture.width);
        return boxed;
    }
    std::mt19937 random(seed);
    for (std::uint8_t &p : picture.pixels)
        p = std::uint8_t(change == Change::noise
                             ? std::clamp(int(p) + int(random() % 13) - 6, 0, 255)
                             : std::min(int(p) + 25, 255));
    return picture;
}

// Hashes of unrelated frames, each a real hash (bit 0 set, as perceptualHash sets it).
Frames randomFrames(std::mt19937_64 &random) {
    Frames frames(fingerprintFrameCount);
    for (std::uint64_t &frame : frames)
        frame = random() | 1;
    return frames;
}

Frames randomFrames(unsigned seed) {
    std::mt19937_64 random(seed);
    return randomFrames(random);
}

// The same frames with `bits` bits of each informative one flipped (never bit 0).
Frames flipped(Frames frames, int bits, std::mt19937_64 &random) {
    for (std::uint64_t &frame : frames) {
        std::uint64_t mask = 0;
        while (std::popcount(mask) < bits)
            mask |= std::uint64_t(1) << (1 + random() % 63);
        frame = frame == 0 ? 0 : frame ^ mask;
    }
    return frames;
}

Frames flipped(const Frames &frames, int bits) {
    std::mt19937_64 random(bits);
    return flipped(frames, bits, random);
}

// The frames of a copy that shows the original's moments `from` to `to` (in seconds; the
// original lasts `seconds`), for pictures that change slowly beside the spacing of the samples:
// at each of its sampled moments, the original's frame sampled nearest to it.
Frames excerpt(const Frames &frames, double seconds, double from, double to) {
    Frames result;
    for (int j = 0; j < fingerprintFrameCount; ++j) {
        const double moment = from + sampleFraction(j) * (to - from);
        const auto offBy = [&](int i) { return std::abs(sampleFraction(i) * seconds - moment); };
        int nearest = 0;
        for (int i = 1; i < fingerprintFrameCount; ++i)
            nearest = offBy(i) < offBy(nearest) ? i : nearest;
        result.push_back(frames[std::size_t(nearest)]);
    }
    return result;
}

// `frames` with those from `from` on replaced by `tail`'s.
Frames spliced(Frames frames, std::size_t from, const Frames &tail) {
    std::copy(tail.begin() + std::ptrdiff_t(from), tail.end(),
              frames.begin() + std::ptrdiff_t(from));
    return frames;
}

struct Clip {
    QString id;
    Frames frames;
    double duration = 60;
    std::int64_t width = 1920;
    std::int64_t height = 1080;
    std::int64_t bytes = 1000;
    bool favorite = false;
    Instant date = distantPast;
    QByteArray content;
};

VideoItem clip(const Clip &c) {
    return makeItem({.id = c.id,
                     .date = c.date,
                     .duration = c.duration,
                     .width = c.width,
                     .height = c.height,
                     .favorite = c.favorite,
                     .size = c.bytes >= 0 ? known(c.bytes) : SizeState::unavailable(),
                     .file = {.contentChecked = !c.content.isEmpty(),
                              .contentDigest = c.content,
                              .fingerprint = {.frames = c.frames, .codec = "h264"}}});
}

// The groups every pair compared with areSimilar gives, joined transitively, as sorted lists.
QList<QStringList> allPairsGroups(const ItemList &items) {
    std::vector<std::size_t> parent(items.size());
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&](std::size_t x) {
        while (parent[x] != x)
            x = parent[x];
        return x;
    };
    for (std::size_t a = 0; a < items.size(); ++a) {
        for (std::size_t b = a + 1; b < items.size(); ++b) {
            if (areSimilar(items[a], items[b]))
                parent[find(a)] = find(b);
        }
    }
    QHash<std::size_t, QStringList> groups;
    for (std::size_t i = 0; i < items.size(); ++i)
        groups[find(i)] << items[i].localIdentifier();
    QList<QStringList> result;
    for (QStringList &group : groups) {
        if (group.size() >= 2)
            result << sorted(group);
    }
    std::ranges::sort(result);
    return result;
}

QList<QStringList> sortedGroups(const SimilarSummary &summary) {
    QList<QStringList> result;
    for (const SimilarGroup &group : summary.groups)
        result << sorted(group.identifiers);
    std::ranges::sort(result);
    return result;
}

} // namespace

class TestSimilarVideos : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void frameHash_data() {
        QTest::addColumn<Change>("change");
        QTest::addColumn<int>("least");
        QTest::addColumn<int>("most");
        QTest::newRow("noise") << Change::noise << 0 << 4;
        QTest::newRow("brighter") << Change::brighter << 0 << 4;
        QTest::newRow("half the size") << Change::halfSize << 0 << 4;
        QTest::newRow("letterboxed") << Change::letterboxed << 0 << 4;
        QTest::newRow("another picture") << Change::other << 20 << 64;
    }

    void frameHash() {
        QFETCH(Change, change);
        for (const unsigned seed : {1u, 2u, 3u}) {
            const std::uint64_t a = hashOf(scene(seed));
            const std::uint64_t b = hashOf(changed(seed, change));
            QVERIFY(a != 0 && b != 0);
            const int distance = std::popcount(a ^ b);
            QFETCH(int, least);
            QFETCH(int, most);
            QVERIFY2(distance >= least && distance <= most,
                     qPrintable(u"seed %1: %2 bits apart"_s.arg(seed).arg(distance)));
        }
    }

    void plainPictures() {
        std::mt19937 random(1);
        Picture flat{64, 64, {}};
        Picture ramp{64, 64, {}};
        for (int i = 0; i < 64 * 64; ++i) {
            flat.pixels.push_back(std::uint8_t(90 + random() % 5));
            ramp.pixels.push_back(std::uint8_t(40 + 2 * (i % 64)));
        }
        QCOMPARE(hashOf(flat), 0u);
        // A plain ramp has no low frequency above the median: still a real hash.
        QVERIFY(hashOf(ramp) != 0);
    }

    void contentArea_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<PictureArea>("bright");        // where the scene lies; the rest is black
        QTest::addColumn<QList<PictureArea>>("lights"); // small white spots in the black
        QTest::addColumn<PictureArea>("expected");
        QTest::newRow("no bars") << 160 << 90 << PictureArea{0, 0, 160, 90} << QList<PictureArea>{}
                                 << PictureArea{0, 0, 160, 90};
        QTest::newRow("letterbox") << 160 << 120 << PictureArea{0, 15, 160, 90}
                                   << QList<PictureArea>{} << PictureArea{0, 15, 160, 90};
        QTest::newRow("pillarbox") << 160 << 90 << PictureArea{40, 0, 80, 90}
                                   << QList<PictureArea>{} << PictureArea{40, 0, 80, 90};
        QTest::newRow("bars on all sides, uneven")
            << 160 << 120 << PictureArea{10, 20, 130, 70} << QList<PictureArea>{}
            << PictureArea{10, 20, 130, 70};
        QTest::newRow("dark all over") << 160 << 90 << PictureArea{0, 0, 0, 0}
                                       << QList<PictureArea>{} << PictureArea{0, 0, 160, 90};
        QTest::newRow("a small light in the dark")
            << 160 << 90 << PictureArea{70, 40, 20, 10} << QList<PictureArea>{}
            << PictureArea{0, 0, 160, 90};
        // A dark scene's sparse lights are not bars: cropping at them would hash a copy with a
        // logo, which stops the crop, unlike its original.
        QTest::newRow("sparse lights reaching the edges")
            << 160 << 90 << PictureArea{0, 30, 160, 30}
            << QList<PictureArea>{{20, 0, 2, 2}, {100, 12, 2, 2}, {60, 70, 2, 2}, {130, 88, 2, 2}}
            << PictureArea{0, 0, 160, 90};
    }

    void contentArea() {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(PictureArea, bright);
        QFETCH(QList<PictureArea>, lights);
        const Picture inner = scene(5, std::max(bright.width, 1), std::max(bright.height, 1));
        // Black as video stores it, with a little noise, and a wider stride than the picture.
        const int stride = width + 8;
        std::vector<std::uint8_t> pixels(std::size_t(stride * height));
        std::mt19937 random(3);
        for (std::uint8_t &p : pixels)
            p = std::uint8_t(14 + random() % 5);
        for (int y = 0; y < bright.height; ++y) {
            for (int x = 0; x < bright.width; ++x)
                pixels[std::size_t((bright.y + y) * stride + bright.x + x)] =
                    inner.pixels[std::size_t(y * inner.width + x)];
        }
        for (const PictureArea &light : std::as_const(lights)) {
            for (int y = light.y; y < light.y + light.height; ++y)
                std::fill_n(pixels.begin() + y * stride + light.x, light.width, 235);
        }
        const PictureArea area = orsenta::contentArea(pixels.data(), width, height, stride);
        QFETCH(PictureArea, expected);
        QCOMPARE(QList<int>({area.x, area.y, area.width, area.height}),
                 QList<int>({expected.x, expected.y, expected.width, expected.height}));
    }

    void storedFrames() {
        const Frames frames{0, 1, 0x0123456789abcdef, ~std::uint64_t(0)};
        const QByteArray bytes = encodeFingerprintFrames(frames);
        QCOMPARE(bytes.size(), 32);
        QCOMPARE(bytes.mid(16, 2), QByteArray("\xef\xcd"));
        QCOMPARE(decodeFingerprintFrames(bytes), frames);
        QVERIFY(decodeFingerprintFrames(bytes.chopped(1)).empty());
        for (int i = 1; i < fingerprintFrameCount; ++i)
            QVERIFY(sampleFraction(i) > sampleFraction(i - 1));
        QVERIFY(sampleFraction(0) >= 0.03 && sampleFraction(0) <= 0.1);
        QVERIFY(sampleFraction(fingerprintFrameCount - 1) >= 0.9
                && sampleFraction(fingerprintFrameCount - 1) <= 0.97);
    }

    void similar_data() {
        QTest::addColumn<Frames>("a");
        QTest::addColumn<Frames>("b");
        QTest::addColumn<double>("aSeconds");
        QTest::addColumn<double>("bSeconds");
        QTest::addColumn<bool>("expected");
        const SimilarityRule rule;
        const auto needed = std::size_t(std::ceil(rule.matchingShare * fingerprintFrameCount));
        const Frames base = randomFrames(1);
        const Frames other = randomFrames(2);
        const auto row = [](const char *name, const Frames &a, const Frames &b, double aSeconds,
                            double bSeconds, bool expected) {
            QTest::newRow(name) << a << b << aSeconds << bSeconds << expected;
        };
        row("re-encoded: a few bits off", base, flipped(base, 3), 60, 60.4, true);
        // One frame short of the share matches closely; the others are at or past the limit.
        const Frames close = flipped(base, 2);
        row("at the frame distance", base,
            spliced(close, needed - 1, flipped(base, rule.frameDistance)), 60, 60, true);
        row("beyond the frame distance", base,
            spliced(close, needed - 1, flipped(base, rule.frameDistance + 1)), 60, 60, false);
        // A trimmed copy is found by lining up the ends it kept, not by a fixed fraction.
        row("trimmed 3 s at the start", base, flipped(excerpt(base, 20, 3, 20), 2), 20, 17, true);
        row("trimmed 3 s at the end", excerpt(base, 20, 0, 17), base, 17, 20, true);
        row("the same length, the pictures 3 s later: nothing lines them up", base,
            excerpt(base, 60, 3, 63), 60, 60, false);
        row("durations beyond the slack", base, base, 60, 60 + rule.durationSlackSeconds + 0.5,
            false);
        row("long videos: the slack grows with the duration", base, base, 3000,
            3000 * (1 + rule.durationSlackFraction * 0.9), true);
        row("long videos: beyond the slack", base, base, 3000,
            3000 * (1 + rule.durationSlackFraction * 1.1) + rule.durationSlackSeconds, false);
        Frames someDark = base;
        for (std::size_t i : {2u, 5u, 9u, 13u})
            someDark[i] = 0;
        row("frames dark in one are left out", base, someDark, 60, 60, true);
        const Frames dark(fingerprintFrameCount, 0);
        row("dark videos never", dark, dark, 60, 60, false);
        Frames fewLights = dark;
        for (int i = 0; i + 1 < rule.distinctFrames; ++i)
            fewLights[std::size_t(i * 5)] = base[std::size_t(i * 5)];
        row("too few frames tell something", fewLights, fewLights, 60, 60, false);
        const Frames still(fingerprintFrameCount, base[0]);
        row("still videos never", still, flipped(still, 2), 60, 60, false);
        row("a shared opening, then other pictures", base, spliced(base, 4, other), 60, 60, false);
        row("a shared opening, then darkness", spliced(base, 5, dark), spliced(base, 5, dark), 60,
            60, false);
        row("just enough frames match", base, spliced(base, needed, other), 60, 60, true);
        row("one frame short", base, spliced(base, needed - 1, other), 60, 60, false);
        row("the same still scene, other moments", spliced(still, needed, base),
            spliced(still, needed, other), 60, 60, false);
        // The index files each hash under four 16-bit chunks: a copy that keeps only one of
        // them whole must still be found through it.
        for (int kept = 0; kept < 4; ++kept) {
            Frames copy = base;
            for (std::uint64_t &frame : copy) {
                for (int chunk = 0; chunk < 4; ++chunk)
                    frame ^= chunk == kept ? 0 : std::uint64_t(1) << (16 * chunk + 5);
            }
            row(QByteArray("only chunk " + QByteArray::number(kept) + " kept").constData(), base,
                copy, 60, 60, true);
        }
        row("unrelated", base, other, 60, 60, false);
        row("no fingerprint", base, {}, 60, 60, false);
        row("unknown duration", base, base, 60, 0, false);
    }

    void similar() {
        QFETCH(Frames, a);
        QFETCH(Frames, b);
        QFETCH(double, aSeconds);
        QFETCH(double, bSeconds);
        const VideoItem x = clip({u"a"_s, a, aSeconds});
        const VideoItem y = clip({u"b"_s, b, bSeconds});
        QTEST(areSimilar(x, y), "expected");
        QTEST(areSimilar(y, x), "expected");
        QFETCH(bool, expected);
        QCOMPARE(summarizeSimilar({x, y}).groupCount(), expected ? 1 : 0);
    }

    void keeper_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<QStringList>("identifiers");
        QTest::addColumn<SimilarKeeperReason>("reason");
        QTest::addColumn<std::int64_t>("reclaimable");
        const Frames f = randomFrames(3);
        const Instant older = utcTime(2001, 5, 1);
        const Instant newer = utcTime(2024, 5, 1);
        const auto row = [](const char *name, const ItemList &items, const QStringList &ids,
                            SimilarKeeperReason reason, std::int64_t reclaimable) {
            QTest::newRow(name) << items << ids << reason << reclaimable;
        };
        using R = SimilarKeeperReason;
        row("the favourite, though smaller",
            {clip({u"big"_s, f}), clip({.id = u"fav"_s,
                                        .frames = f,
                                        .width = 640,
                                        .height = 360,
                                        .bytes = 300,
                                        .favorite = true})},
            {u"fav"_s, u"big"_s}, R::favourite, 1000);
        row("the most pixels, though fewer bytes",
            {clip({.id = u"a"_s, .frames = f, .width = 1280, .height = 720, .bytes = 5000}),
             clip({.id = u"b"_s, .frames = f, .width = 3840, .height = 2160, .bytes = 900}),
             clip({.id = u"c"_s, .frames = f, .width = 1080, .height = 1920, .bytes = 4000})},
            {u"b"_s, u"a"_s, u"c"_s}, R::mostPixels, 9000);
        row("the same picture size: more bits a second, not more bytes",
            {clip({.id = u"a"_s, .frames = f, .duration = 60, .bytes = 6000}),
             clip({.id = u"b"_s, .frames = f, .duration = 55, .bytes = 5600})},
            {u"b"_s, u"a"_s}, R::higherBitRate, 6000);
        row("an unknown size comes after a known one",
            {clip({.id = u"a"_s, .frames = f, .bytes = -1}), clip({.id = u"b"_s, .frames = f})},
            {u"b"_s, u"a"_s}, R::higherBitRate, 0);
        row("then the oldest",
            {clip({.id = u"a"_s, .frames = f, .date = newer}),
             clip({.id = u"b"_s, .frames = f, .date = older})},
            {u"b"_s, u"a"_s}, R::oldest, 1000);
        row("alike in every way: the smallest identifier",
            {clip({u"m"_s, f}), clip({u"k"_s, f}), clip({u"z"_s, f})}, {u"k"_s, u"m"_s, u"z"_s},
            R::firstOfEquals, 2000);
        row("the reason is the rule that beat the nearest rival",
            {clip({.id = u"a"_s, .frames = f, .width = 640, .height = 360}),
             clip({.id = u"b"_s, .frames = f, .date = newer}),
             clip({.id = u"c"_s, .frames = f, .date = older})},
            {u"c"_s, u"a"_s, u"b"_s}, R::oldest, 2000);
    }

    void keeper() {
        QFETCH(ItemList, items);
        QFETCH(QStringList, identifiers);
        QFETCH(SimilarKeeperReason, reason);
        std::ranges::sort(items, {}, &VideoItem::localIdentifier);
        do {
            const SimilarSummary summary = summarizeSimilar(items);
            QCOMPARE(summary.groupCount(), 1);
            QCOMPARE(summary.groups.front().identifiers, identifiers);
            QCOMPARE(summary.keeperReason(identifiers.front()), std::optional(reason));
            QCOMPARE(summary.keeperReason(identifiers.back()), std::nullopt);
            QTEST(summary.groups.front().reclaimableBytes, "reclaimable");
            QCOMPARE(sorted(extraSimilarIdentifiers(summary)), sorted(identifiers.mid(1)));
        } while (std::ranges::next_permutation(items, {}, &VideoItem::localIdentifier).found);
    }

    void groups_data() {
        QTest::addColumn<ItemList>("items");
        QTest::addColumn<QList<QStringList>>("groups"); // in order, each keeper first
        const Frames f = randomFrames(4);
        const Frames g = randomFrames(5);
        const auto row = [](const char *name, const ItemList &items,
                            const QList<QStringList> &groups) {
            QTest::newRow(name) << items << groups;
        };
        row("identical copies alone make no similar group",
            {clip({.id = u"a"_s, .frames = f, .content = "x"}),
             clip({.id = u"b"_s, .frames = f, .content = "x"})},
            {});
        row("identical copies take part through their keeper",
            {clip({.id = u"a"_s, .frames = f, .content = "x"}),
             clip({.id = u"b"_s, .frames = f, .content = "x"}),
             clip({.id = u"c"_s, .frames = flipped(f, 2), .width = 640, .height = 360})},
            {{u"a"_s, u"c"_s}});
        row("a digest no other video shares is no identical copy",
            {clip({.id = u"a"_s, .frames = f, .content = "x"}),
             clip({.id = u"b"_s, .frames = f, .width = 640, .height = 360, .content = "y"})},
            {{u"a"_s, u"b"_s}});
        row("largest reclaimable space first, then by keeper",
            {clip({.id = u"f1"_s, .frames = f, .bytes = 100}),
             clip({.id = u"f2"_s, .frames = f, .bytes = 100}),
             clip({.id = u"g1"_s, .frames = g, .bytes = 300}),
             clip({.id = u"g2"_s, .frames = g, .bytes = 300}),
             clip({.id = u"h1"_s, .frames = f, .duration = 300, .bytes = 100}),
             clip({.id = u"h2"_s, .frames = f, .duration = 300, .bytes = 100})},
            {{u"g1"_s, u"g2"_s}, {u"f1"_s, u"f2"_s}, {u"h1"_s, u"h2"_s}});
        row("unrelated videos make no group", {clip({u"a"_s, f}), clip({u"b"_s, g})}, {});
    }

    void groups() {
        QFETCH(ItemList, items);
        QFETCH(QList<QStringList>, groups);
        const SimilarSummary summary = summarizeSimilar(items);
        QList<QStringList> actual;
        for (const SimilarGroup &group : summary.groups)
            actual << group.identifiers;
        QCOMPARE(actual, groups);
        qint64 videos = 0;
        for (qsizetype i = 0; i < groups.size(); ++i) {
            videos += groups[i].size();
            for (const QString &id : groups[i])
                QCOMPARE(summary.groupFor(id), &summary.groups[std::size_t(i)]);
        }
        QCOMPARE(summary.videoCount, videos);
        for (const VideoItem &item : items) {
            if (summary.groupFor(item.localIdentifier()) == nullptr)
                QCOMPARE(summary.keeperReason(item.localIdentifier()), std::nullopt);
        }
    }

    // Re-encodes, trims and unrelated clips of close durations: the index must find every group
    // that comparing every pair finds.
    void indexFindsWhatAllPairsFind() {
        std::mt19937_64 random(11);
        ItemList items;
        int next = 0;
        const auto add = [&](const Frames &frames, double duration) {
            items.push_back(clip({u"v%1"_s.arg(next++, 4, 10, QChar(u'0')), frames, duration}));
        };
        for (int original = 0; original < 300; ++original) {
            const Frames frames = randomFrames(random);
            const double duration = 20 + double(random() % 400) / 10;
            add(frames, duration);
            const int copies = int(random() % 4);
            for (int c = 0; c < copies; ++c) {
                Frames copy = flipped(frames, int(random() % 6), random);
                double copyDuration = duration + double(random() % 10) / 10 - 0.5;
                if (random() % 3 == 0) {
                    const double trim = double(random() % 31) / 10;
                    const double from = random() % 2 == 0 ? trim : 0;
                    copyDuration = duration - trim;
                    copy = excerpt(copy, duration, from, from + copyDuration);
                }
                if (random() % 4 == 0)
                    copy[random() % copy.size()] = 0;
                add(copy, copyDuration);
            }
        }
        const SimilarSummary summary = summarizeSimilar(items);
        QVERIFY(summary.groupCount() > 100);
        QCOMPARE(sortedGroups(summary), allPairsGroups(items));
    }
};

ORSENTA_TEST_MAIN(TestSimilarVideos)
#include "tst_similarvideos.moc"
