// SPDX-License-Identifier: GPL-3.0-or-later
#include "videofingerprint.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orsenta {

namespace {

// Low frequencies kept per axis: 8 x 8 coefficients, one bit each.
constexpr int hashSide = 8;
// A picture whose shades spread less than this (a variance, in squared 8-bit levels) is one shade
// with some noise: a fade, a black frame, a lens cap.
constexpr double flatVariance = 16;
// A row or column is part of a black bar when its mean stays at or under barLevel and none of its
// pixels passes barPeak: room for limited-range black (16) and the noise encoders add to it. The
// peak keeps a dark scene's sparse lights, or a logo, from passing for a bar, which would crop
// a copy with a logo differently from its original.
constexpr int barLevel = 24;
constexpr int barPeak = 48;
// Bars never leave less than this share of a side: a picture that would is dark, not framed.
constexpr int minimumContentShare = 4; // a quarter

// cos((2x + 1) u π / 2N) for the kept frequencies u, over the hash image's side N.
using CosineTable = std::array<std::array<double, hashImageSide>, hashSide>;

CosineTable makeCosines() {
    CosineTable table{};
    for (int u = 0; u < hashSide; ++u) {
        for (int x = 0; x < hashImageSide; ++x)
            table[u][x] = std::cos((2 * x + 1) * u * std::numbers::pi / (2 * hashImageSide));
    }
    return table;
}

// The kept corner of the picture's 2-D DCT-II, row u then column v; the scale factors are left
// out, since only the order of the coefficients counts.
std::array<double, hashSide * hashSide> lowFrequencies(const HashImage &image) {
    static const CosineTable cosines = makeCosines();
    std::array<std::array<double, hashSide>, hashImageSide> rows{};
    for (int y = 0; y < hashImageSide; ++y) {
        for (int v = 0; v < hashSide; ++v) {
            double sum = 0;
            for (int x = 0; x < hashImageSide; ++x)
                sum += image[y * hashImageSide + x] * cosines[v][x];
            rows[y][v] = sum;
        }
    }
    std::array<double, hashSide * hashSide> coefficients{};
    for (int u = 0; u < hashSide; ++u) {
        for (int v = 0; v < hashSide; ++v) {
            double sum = 0;
            for (int y = 0; y < hashImageSide; ++y)
                sum += rows[y][v] * cosines[u][y];
            coefficients[u * hashSide + v] = sum;
        }
    }
    return coefficients;
}

bool isFlat(const HashImage &image) {
    double sum = 0;
    double squares = 0;
    for (const std::uint8_t shade : image) {
        sum += shade;
        squares += double(shade) * shade;
    }
    const double mean = sum / double(image.size());
    return squares / double(image.size()) - mean * mean < flatVariance;
}

// Whether `count` pixels, `step` apart, are a line of a black bar.
bool isBarLine(const std::uint8_t *pixel, int count, std::ptrdiff_t step) {
    int sum = 0;
    for (int i = 0; i < count; ++i, pixel += step) {
        if (*pixel > barPeak)
            return false;
        sum += *pixel;
    }
    return sum <= barLevel * count;
}

// How many lines of `count`, from one end, are black bars. `isBar(i)` says whether line i is.
int barLines(int count, bool fromEnd, const auto &isBar) {
    int bars = 0;
    while (bars < count && isBar(fromEnd ? count - 1 - bars : bars))
        ++bars;
    return bars;
}

} // namespace

double sampleFraction(int index) {
    constexpr double first = 0.05;
    constexpr double last = 0.95;
    return first + (last - first) * index / (fingerprintFrameCount - 1);
}

// The DC coefficient only says how bright the picture is, which a re-encode may shift: the 63
// others are compared with their own median, and the DC bit is always set, so that a hash that
// tells something is never 0.
std::uint64_t perceptualHash(const HashImage &image) {
    if (isFlat(image))
        return 0;
    const auto coefficients = lowFrequencies(image);
    std::array<double, hashSide * hashSide - 1> ac{};
    std::copy(coefficients.begin() + 1, coefficients.end(), ac.begin());
    const auto middle = ac.begin() + ac.size() / 2;
    std::nth_element(ac.begin(), middle, ac.end());
    // Rounding leaves the coefficients a symmetric picture lacks a hair either side of zero:
    // only a clear lead over the median sets a bit.
    const double median = *middle + 1e-6;
    std::uint64_t hash = 1;
    for (std::size_t i = 1; i < coefficients.size(); ++i) {
        if (coefficients[i] > median)
            hash |= std::uint64_t(1) << i;
    }
    return hash;
}

PictureArea contentArea(const std::uint8_t *gray, int width, int height, int stride) {
    const PictureArea whole{0, 0, width, height};
    if (width <= 0 || height <= 0)
        return whole;
    const auto isBarRow = [&](int y) {
        return isBarLine(gray + std::ptrdiff_t(y) * stride, width, 1);
    };
    const int top = barLines(height, false, isBarRow);
    if (top == height)
        return whole;
    const int bottom = barLines(height, true, isBarRow);
    const int rows = height - top - bottom;
    const auto isBarColumn = [&](int x) {
        return isBarLine(gray + std::ptrdiff_t(top) * stride + x, rows, stride);
    };
    const int left = barLines(width, false, isBarColumn);
    const int right = barLines(width, true, isBarColumn);
    const int columns = width - left - right;
    if (rows * minimumContentShare < height || columns * minimumContentShare < width)
        return whole;
    return {left, top, columns, rows};
}

// Each hash pixel averages the source pixels whose centres fall in its cell; a side shorter than
// the hash image repeats pixels instead.
HashImage hashImageOf(const std::uint8_t *gray, int stride, const PictureArea &area) {
    HashImage image{};
    if (area.width <= 0 || area.height <= 0)
        return image;
    const auto cellOf = [](int i, int length) {
        return int(std::int64_t(i) * hashImageSide / length);
    };
    std::vector<int> columnCell(std::size_t(area.width));
    for (int x = 0; x < area.width; ++x)
        columnCell[std::size_t(x)] = cellOf(x, area.width);
    std::array<std::uint64_t, hashImageSide * hashImageSide> sums{};
    std::array<std::uint64_t, hashImageSide * hashImageSide> counts{};
    for (int y = 0; y < area.height; ++y) {
        const std::uint8_t *row = gray + std::ptrdiff_t(area.y + y) * stride + area.x;
        const int cellRow = cellOf(y, area.height) * hashImageSide;
        for (int x = 0; x < area.width; ++x) {
            sums[std::size_t(cellRow + columnCell[std::size_t(x)])] += row[x];
            ++counts[std::size_t(cellRow + columnCell[std::size_t(x)])];
        }
    }
    for (int cy = 0; cy < hashImageSide; ++cy) {
        for (int cx = 0; cx < hashImageSide; ++cx) {
            // An empty cell takes the source pixel nearest its centre.
            const int cell = cy * hashImageSide + cx;
            if (counts[std::size_t(cell)] == 0) {
                const int x =
                    area.x + int(std::int64_t(2 * cx + 1) * area.width / (2 * hashImageSide));
                const int y =
                    area.y + int(std::int64_t(2 * cy + 1) * area.height / (2 * hashImageSide));
                image[std::size_t(cell)] = gray[std::ptrdiff_t(y) * stride + x];
            } else {
                image[std::size_t(cell)] =
                    std::uint8_t((sums[std::size_t(cell)] + counts[std::size_t(cell)] / 2)
                                 / counts[std::size_t(cell)]);
            }
        }
    }
    return image;
}

QByteArray encodeFingerprintFrames(const std::vector<std::uint64_t> &frames) {
    // An empty vector or array may hold no storage at all, which the byte swap must not see.
    if (frames.empty())
        return {};
    QByteArray bytes(qsizetype(frames.size() * sizeof(std::uint64_t)), Qt::Uninitialized);
    qToLittleEndian<std::uint64_t>(frames.data(), qsizetype(frames.size()), bytes.data());
    return bytes;
}

std::vector<std::uint64_t> decodeFingerprintFrames(const QByteArray &bytes) {
    if (bytes.isEmpty() || bytes.size() % qsizetype(sizeof(std::uint64_t)) != 0)
        return {};
    std::vector<std::uint64_t> frames(std::size_t(bytes.size()) / sizeof(std::uint64_t));
    qFromLittleEndian<std::uint64_t>(bytes.constData(), qsizetype(frames.size()), frames.data());
    return frames;
}

} // namespace orsenta
