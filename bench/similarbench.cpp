// SPDX-License-Identifier: GPL-3.0-or-later
// Grouping similar videos through the chunk index, beside comparing every pair, at three library
// sizes; and whether the index finds the groups that comparing every pair finds.

#include "benchsupport.h"
#include "model/similarvideos.h"

#include <QCoreApplication>

#include <bit>
#include <cmath>
#include <numeric>
#include <random>

using namespace orsenta;
using namespace orsenta::bench;

namespace {

constexpr int subsetCount = 5'000;

// Fingerprints shaped like real ones: bits that lean one way across the library (skies are
// bright, floors dark), frames that change a little within a scene and a lot at a cut, and
// groups of two to four copies a few bits apart, some trimmed by one sample, some with a dark
// frame where the original has none.
class Library {
public:
    explicit Library(std::uint64_t seed)
        : m_random(seed) {
        std::uniform_real_distribution<double> lean(0.25, 0.75);
        for (double &p : m_bitOdds)
            p = lean(m_random);
    }

    std::vector<VideoItem> make(int count) {
        std::vector<VideoItem> items;
        items.reserve(std::size_t(count));
        std::uniform_real_distribution<double> logSeconds(std::log(5.0), std::log(1200.0));
        while (int(items.size()) < count) {
            const std::vector<std::uint64_t> original = frames();
            const double seconds = std::exp(logSeconds(m_random));
            add(items, original, seconds, 1920, 1080);
            const int copies = m_random() % 5 == 0 ? 1 + int(m_random() % 3) : 0;
            for (int c = 0; c < copies && int(items.size()) < count; ++c) {
                std::vector<std::uint64_t> copy = original;
                for (std::uint64_t &frame : copy)
                    frame = flip(frame, int(m_random() % 7));
                if (m_random() % 3 == 0) {
                    copy.erase(copy.begin());
                    copy.push_back(flip(copy.back(), 30));
                }
                if (m_random() % 4 == 0)
                    copy[m_random() % copy.size()] = 0;
                const double trimmed = seconds - double(m_random() % 30) / 10;
                add(items, copy, trimmed, 1280, 720);
            }
        }
        return items;
    }

private:
    std::uint64_t leaningHash() {
        std::uint64_t hash = 1;
        for (int bit = 1; bit < 64; ++bit) {
            if (m_unit(m_random) < m_bitOdds[std::size_t(bit)])
                hash |= std::uint64_t(1) << bit;
        }
        return hash;
    }

    std::uint64_t flip(std::uint64_t hash, int bits) {
        std::uint64_t mask = 0;
        while (std::popcount(mask) < bits)
            mask |= std::uint64_t(1) << (1 + m_random() % 63);
        return hash == 0 ? 0 : hash ^ mask;
    }

    std::vector<std::uint64_t> frames() {
        std::vector<std::uint64_t> frames{leaningHash()};
        while (frames.size() < std::size_t(fingerprintFrameCount))
            frames.push_back(m_random() % 3 == 0 ? leaningHash() : flip(frames.back(), 8));
        return frames;
    }

    void add(std::vector<VideoItem> &items, const std::vector<std::uint64_t> &frames,
             double seconds, int width, int height) {
        const QString id = QStringLiteral("%1/L0/001").arg(items.size(), 8, 10, QChar(u'0'));
        FileFacts facts;
        facts.fingerprint = {frames, "h264"};
        const auto bytes = std::int64_t(seconds * width * height / 8);
        items.emplace_back(id, std::nullopt, distantPast, seconds, width, height, false, false,
                           SizeState::known(bytes, SizeSource::allocatedSize), facts);
    }

    std::mt19937_64 m_random;
    std::uniform_real_distribution<double> m_unit{0, 1};
    std::array<double, 64> m_bitOdds{};
};

// Every pair compared, joined into groups: what the index saves.
std::vector<std::uint32_t> allPairsSets(const std::vector<VideoItem> &items) {
    std::vector<std::uint32_t> parent(items.size());
    std::iota(parent.begin(), parent.end(), 0u);
    const auto find = [&](std::uint32_t x) {
        while (parent[x] != x)
            x = parent[x] = parent[parent[x]];
        return x;
    };
    for (std::uint32_t a = 0; a < items.size(); ++a) {
        for (std::uint32_t b = a + 1; b < items.size(); ++b) {
            if (areSimilar(items[a], items[b]))
                parent[find(a)] = find(b);
        }
    }
    for (std::uint32_t i = 0; i < items.size(); ++i)
        parent[i] = find(i);
    return parent;
}

// Videos the index left out of a group that comparing every pair put them in.
int missedByIndex(const std::vector<VideoItem> &items, const std::vector<std::uint32_t> &sets) {
    const SimilarSummary summary = summarizeSimilar(items);
    std::vector<int> sizes(items.size());
    for (const std::uint32_t set : sets)
        ++sizes[set];
    int inPairsGroups = 0;
    for (std::size_t i = 0; i < items.size(); ++i)
        inPairsGroups += sizes[sets[i]] >= 2;
    return inPairsGroups - int(summary.videoCount);
}

// Of pairs whose every frame is `bits` bits off, the share the index finds: the chunks a copy
// keeps whole thin out as its frames near the rule's distance.
double indexRecall(int bits) {
    std::mt19937_64 random(bits);
    int similar = 0;
    int found = 0;
    for (int pair = 0; pair < 500; ++pair) {
        FileFacts a;
        FileFacts b;
        for (int i = 0; i < fingerprintFrameCount; ++i) {
            std::uint64_t mask = 0;
            while (std::popcount(mask) < bits)
                mask |= std::uint64_t(1) << (1 + random() % 63);
            a.fingerprint.frames.push_back(random() | 1);
            b.fingerprint.frames.push_back(a.fingerprint.frames.back() ^ mask);
        }
        const SizeState size = SizeState::known(1000, SizeSource::allocatedSize);
        const std::vector<VideoItem> items{
            VideoItem(u"a", std::nullopt, distantPast, 60, 1, 1, false, false, size, a),
            VideoItem(u"b", std::nullopt, distantPast, 60, 1, 1, false, false, size, b)};
        if (areSimilar(items[0], items[1])) {
            ++similar;
            found += summarizeSimilar(items).groupCount() == 1;
        }
    }
    return similar > 0 ? double(found) / similar : 0;
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    Library library(2024);
    const std::vector<VideoItem> all = library.make(100'000);

    const std::vector<VideoItem> subset(all.begin(), all.begin() + subsetCount);
    std::vector<std::uint32_t> sets;
    const double pairsMs = medianMs(1, [&] { sets = allPairsSets(subset); });
    figure("similar all pairs 5000", pairsMs, "ms");
    figure("similar videos the index missed of 5000", missedByIndex(subset, sets), "videos");
    const int limit = SimilarityRule().frameDistance;
    for (const int bits : {limit / 2, limit * 3 / 4, limit}) {
        const QByteArray name =
            "similar index recall, every frame " + QByteArray::number(bits) + " bits off";
        figure(name.constData(), indexRecall(bits), "of similar pairs");
    }

    for (const int count : {1'000, 10'000, 100'000}) {
        const std::vector<VideoItem> items(all.begin(), all.begin() + count);
        SimilarSummary summary;
        const double ms =
            medianMs(count >= 100'000 ? 3 : 7, [&] { summary = summarizeSimilar(items); });
        const QByteArray name = "similar grouping " + QByteArray::number(count);
        figure(name.constData(), ms, "ms");
        figure(QByteArray(name + " groups").constData(), double(summary.groupCount()), "groups");
        const double scale = double(count) / subsetCount;
        const double pairsScaled = pairsMs * scale * scale;
        ratio(name.constData(), "all pairs scaled from 5000", ms, pairsScaled);
    }
}
