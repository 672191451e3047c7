// SPDX-License-Identifier: GPL-3.0-or-later
#include "similarcorpus.h"

#include "library/platform/folder/containerprobe.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QTemporaryFile>

#include <chrono>
#include <cmath>

using namespace Qt::StringLiterals;

namespace orsenta::test {

namespace {

constexpr int ffmpegTimeoutMs = 300'000;

struct Shape {
    int width;
    int height;
    int rate;
};

constexpr Shape smallShape{160, 90, 10};
constexpr Shape fullShape{640, 360, 15};

// How one clip is made: from a synthetic source (`from` empty) or from the clip named `from`.
struct Recipe {
    QString name;
    QString origin;
    QString edit;
    QString from;
    QStringList inputArgs;  // before -i; for a source, the whole input
    QStringList outputArgs; // after the input: filters and encoder
    QString muxer;
    QString extension;
};

QString number(double value) {
    return QString::number(value, 'g', 10);
}

QStringList x264(int crf, const QString &preset = u"ultrafast"_s) {
    return {u"-c:v"_s, u"libx264"_s,         u"-preset"_s,  preset,
            u"-crf"_s, QString::number(crf), u"-pix_fmt"_s, u"yuv420p"_s};
}

// A source of `seconds`, encoded as a camera would: a keyframe every two seconds.
Recipe source(const QString &name, const QString &graph, const Shape &shape) {
    Recipe recipe{.name = name, .origin = name, .edit = originalEdit};
    recipe.inputArgs = {u"-f"_s, u"lavfi"_s, u"-i"_s, graph};
    recipe.outputArgs = x264(20, u"veryfast"_s) << u"-g"_s << QString::number(2 * shape.rate);
    recipe.muxer = u"mp4"_s;
    recipe.extension = u"mp4"_s;
    return recipe;
}

QString size(const Shape &shape, int divisor = 1) {
    return u"%1x%2"_s.arg(shape.width / divisor).arg(shape.height / divisor);
}

// Synthetic sources with motion, noise and text. Each is `seconds` long at `shape`.
QString testsrc2(const Shape &s, double seconds) {
    return u"testsrc2=size=%1:rate=%2:duration=%3"_s.arg(size(s)).arg(s.rate).arg(number(seconds));
}

QString bars(const Shape &s, double seconds) {
    return u"smptehdbars=size=%1:rate=%2:duration=%3[b];testsrc2=size=%4:rate=%2:duration=%3[o];"
           "[b][o]overlay=x='mod(t*%5,%6)':y='%7+%8*sin(t)':shortest=1"_s.arg(size(s))
               .arg(s.rate)
               .arg(number(seconds))
               .arg(size(s, 4))
               .arg(s.width / 5)
               .arg(s.width * 3 / 4)
               .arg(s.height / 3)
               .arg(s.height / 4);
}

QString mandelbrot(const Shape &s, double seconds, const QString &where = {}) {
    return u"mandelbrot=size=%1:rate=%2:maxiter=256:start_scale=3:end_scale=0.05%3,"
           "trim=duration=%4"_s.arg(size(s))
               .arg(s.rate)
               .arg(where)
               .arg(number(seconds));
}

QString life(const Shape &s, double seconds, int seed, const QString &colour = u"00ff00"_s) {
    return u"life=size=%1:rate=%2:seed=%3:mold=10:ratio=0.3:life_color=#%4:death_color=#aa0000,"
           "scale=%5:%6:flags=neighbor,trim=duration=%7"_s.arg(size(s, 4))
               .arg(s.rate)
               .arg(seed)
               .arg(colour)
               .arg(s.width)
               .arg(s.height)
               .arg(number(seconds));
}

QString cellauto(const Shape &s, double seconds, int rule, int seed) {
    return u"cellauto=size=%1:rate=%2:rule=%3:random_fill_ratio=0.5:random_seed=%4:scroll=1,"
           "scale=%5:%6:flags=neighbor,format=yuv420p,trim=duration=%7"_s.arg(size(s, 4))
               .arg(s.rate)
               .arg(rule)
               .arg(seed)
               .arg(s.width)
               .arg(s.height)
               .arg(number(seconds));
}

QString gradients(const Shape &s, double seconds, int seed, const QString &colours = {}) {
    return u"gradients=size=%1:rate=%2:speed=0.02:duration=%3:seed=%4%5"_s.arg(size(s))
        .arg(s.rate)
        .arg(number(seconds))
        .arg(seed)
        .arg(colours);
}

QString turningNoise(const Shape &s, double seconds) {
    return u"rgbtestsrc=size=%1:rate=%2:duration=%3,rotate=a=t*0.4:fillcolor=navy,"
           "noise=alls=8:allf=t+u:all_seed=11"_s.arg(size(s))
               .arg(s.rate)
               .arg(number(seconds));
}

QString fontFile() {
    for (const QString &candidate : {u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"_s,
                                     u"/usr/share/fonts/TTF/DejaVuSans.ttf"_s,
                                     u"/usr/share/fonts/dejavu-sans-fonts/DejaVuSans.ttf"_s}) {
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return {};
}

// Words crawling across a still background under a moving square; without a font the words are
// a row of boxes.
QString crawl(const Shape &s, double seconds) {
    const QString background =
        u"color=c=0x203040:size=%1:rate=%2:duration=%3"_s.arg(size(s)).arg(s.rate).arg(
            number(seconds));
    const QString font = fontFile();
    const QString words =
        font.isEmpty() ? u"drawgrid=w=%1:h=%2:t=%3:color=white,crop=iw:ih"_s.arg(s.width / 10)
                             .arg(s.height / 6)
                             .arg(s.height / 30)
                       : u"drawtext=fontfile=%1:fontsize=%2:fontcolor=white:"
                         "text='Summer by the lake - the boat - the long walk home':"
                         "x=w-mod(t*%3\\,w+tw):y=h/2-th+%4*sin(t/3)"_s.arg(font)
                             .arg(s.height / 9)
                             .arg(s.width / 8)
                             .arg(s.height / 6);
    return background + u","_s + words
           + u",drawbox=x='mod(t*%1,%2)':y=%3:w=%4:h=%4:color=orange:t=fill"_s.arg(s.width / 12)
                 .arg(s.width * 9 / 10)
                 .arg(s.height / 18)
                 .arg(s.height / 9);
}

QString dark(const QString &graph) {
    return graph + u",lutyuv=y=val/10:u=128+(val-128)/10:v=128+(val-128)/10"_s;
}

// The same three-second title before different clips: bars with a white caption box.
QString withIntro(const Shape &s, double introSeconds, const QString &body) {
    return u"smptebars=size=%1:rate=%2:duration=%3,drawbox=x=%4:y=%5:w=%6:h=%7:color=white:t=fill,"
           "format=yuv420p[i];%8,format=yuv420p[b];[i][b]concat=n=2:v=1:a=0"_s.arg(size(s))
               .arg(s.rate)
               .arg(number(introSeconds))
               .arg(s.width / 4)
               .arg(s.height * 2 / 5)
               .arg(s.width / 2)
               .arg(s.height / 5)
               .arg(body);
}

Recipe edit(const Recipe &original, const QString &edit, const QStringList &outputArgs,
            const QStringList &inputArgs = {}, const QString &muxer = u"mp4"_s,
            const QString &extension = u"mp4"_s) {
    QString suffix = edit;
    suffix.replace(u' ', u'-');
    return {.name = original.name + u"-"_s + suffix,
            .origin = original.origin,
            .edit = edit,
            .from = original.name,
            .inputArgs = inputArgs,
            .outputArgs = outputArgs,
            .muxer = muxer,
            .extension = extension};
}

// The forms one original is kept in, `seconds` long, the `index`-th original of the corpus.
QList<Recipe> fullEdits(const Recipe &o, double seconds, int index) {
    const auto scaled = [](const QString &filter) {
        return QStringList{u"-vf"_s, filter} + x264(23);
    };
    const auto cutStart = [](double cut) { return QStringList{u"-ss"_s, number(cut)}; };
    const auto cutEnd = [&](double cut) {
        return QStringList{u"-t"_s, number(seconds - cut)} + x264(23);
    };
    const bool odd = index % 2 == 1;
    return {
        edit(o, u"x264 crf 18"_s, x264(18, u"veryfast"_s)),
        edit(o, u"x264 crf 28"_s, x264(28, u"veryfast"_s)),
        edit(o, u"x264 crf 35"_s, x264(35, u"veryfast"_s)),
        edit(o, u"x265"_s,
             {u"-c:v"_s, u"libx265"_s, u"-preset"_s, u"ultrafast"_s, u"-crf"_s, u"28"_s,
              u"-x265-params"_s, u"log-level=none"_s, u"-tag:v"_s, u"hvc1"_s}),
        edit(o, u"vp9"_s,
             {u"-c:v"_s, u"libvpx-vp9"_s, u"-deadline"_s, u"realtime"_s, u"-cpu-used"_s, u"8"_s,
              u"-b:v"_s, u"500k"_s},
             {}, u"webm"_s, u"webm"_s),
        edit(o, u"1280x720"_s, scaled(u"scale=1280:720"_s)),
        edit(o, u"320x180"_s, scaled(u"scale=320:180"_s)),
        edit(o, u"letterbox"_s, scaled(u"scale=480:270,pad=480:360:0:45"_s)),
        edit(o, u"frame rate"_s, scaled(u"fps=10"_s)),
        edit(o, u"container"_s, {u"-c"_s, u"copy"_s}, {}, odd ? u"mov"_s : u"matroska"_s,
             odd ? u"mov"_s : u"mkv"_s),
        edit(o, u"trim start 1 s"_s, x264(23), cutStart(1)),
        edit(o, u"trim start 3 s"_s, x264(23), cutStart(3)),
        edit(o, u"trim end 1 s"_s, cutEnd(1)),
        edit(o, u"trim end 3 s"_s, cutEnd(3)),
        edit(o, u"logo"_s,
             scaled(u"drawbox=x=iw*17/20:y=ih/20:w=iw/10:h=ih/10:color=white@0.7:t=fill,"
                    "drawbox=x=iw*17/20+iw/40:y=ih/20+ih/40:w=iw/20:h=ih/20:color=red:t=fill"_s)),
    };
}

QList<Recipe> fullRecipes() {
    const Shape s = fullShape;
    // Random colours may all be about as bright, which leaves nothing for a grayscale hash.
    const QString contrasting = u":nb_colors=3:c0=0x101840:c1=0xf0e8a0:c2=0x30a040"_s;
    struct Original {
        Recipe recipe;
        double seconds;
    };
    const QList<Original> originals{
        {source(u"testsrc2"_s, testsrc2(s, 16), s), 16},
        {source(u"bars"_s, bars(s, 15), s), 15},
        {source(u"mandelbrot"_s, mandelbrot(s, 12), s), 12},
        {source(u"life"_s, life(s, 15, 7), s), 15},
        {source(u"cellauto"_s, cellauto(s, 10, 110, 5), s), 10},
        {source(u"gradients"_s, gradients(s, 20, 3, contrasting), s), 20},
        {source(u"turning-noise"_s, turningNoise(s, 10), s), 10},
        {source(u"crawl"_s, crawl(s, 24), s), 24},
    };
    QList<Recipe> recipes;
    for (int i = 0; i < originals.size(); ++i)
        recipes << originals[i].recipe << fullEdits(originals[i].recipe, originals[i].seconds, i);

    const QString elsewhere = u":start_x=-1.25066:start_y=0.02012"_s;
    const QString cusp = u":start_x=0.275:start_y=0.006"_s;
    const QString deeper = u":start_x=-0.1011:start_y=0.9563"_s;
    const QString still = u":start_scale=0.5:end_scale=0.5"_s;
    recipes << source(u"intro-then-mandelbrot"_s, withIntro(s, 3, mandelbrot(s, 9, cusp)), s)
            << source(u"intro-then-life"_s, withIntro(s, 3, life(s, 8, 99, u"ffff00"_s)), s)
            << source(u"intro-then-testsrc"_s,
                      withIntro(s, 3,
                                u"testsrc=size=%1:rate=%2:duration=7"_s.arg(size(s)).arg(s.rate)),
                      s)
            << source(u"still-bars"_s,
                      u"smptehdbars=size=%1:rate=%2:duration=10"_s.arg(size(s)).arg(s.rate), s)
            << source(u"still-mandelbrot"_s, mandelbrot(s, 12, deeper + still), s)
            << source(u"still-noisy"_s,
                      u"rgbtestsrc=size=%1:rate=%2:duration=10,noise=alls=12:allf=t:all_seed=3"_s
                          .arg(size(s))
                          .arg(s.rate),
                      s)
            << source(u"dark-noise"_s,
                      u"color=c=black:size=%1:rate=%2:duration=10,noise=alls=6:allf=t:all_seed=5"_s
                          .arg(size(s))
                          .arg(s.rate),
                      s)
            << source(u"dark-gradients"_s, dark(gradients(s, 15, 21)), s)
            << source(u"dark-mandelbrot"_s, dark(mandelbrot(s, 12, deeper)), s)
            << source(u"other-mandelbrot"_s, mandelbrot(s, 12, elsewhere), s)
            << source(u"other-life"_s, life(s, 20, 42), s)
            << source(u"other-cellauto"_s, cellauto(s, 10, 30, 9), s)
            << source(u"other-gradients"_s, gradients(s, 20, 9), s);
    return recipes;
}

QList<Recipe> smallRecipes() {
    const Shape s = smallShape;
    constexpr double seconds = 5;
    QList<Recipe> recipes;
    for (const Recipe &original : {source(u"testsrc2"_s, testsrc2(s, seconds), s),
                                   source(u"mandelbrot"_s, mandelbrot(s, seconds), s),
                                   source(u"life"_s, life(s, seconds, 7), s),
                                   source(u"cellauto"_s, cellauto(s, seconds, 110, 5), s)}) {
        recipes << original << edit(original, u"re-encode"_s, x264(30))
                << edit(original, u"rescale"_s,
                        QStringList{u"-vf"_s, u"scale=256:144"_s} + x264(26));
    }
    // The intro takes most of these clips, so that only the rule's guards against a shared
    // still part keep them apart.
    recipes << source(u"intro-then-gradients"_s, withIntro(s, 3, gradients(s, 2, 3)), s)
            << source(u"intro-then-turning-noise"_s, withIntro(s, 3, turningNoise(s, 2)), s);
    const QString bars =
        u"smptehdbars=size=%1:rate=%2:duration=%3"_s.arg(size(s)).arg(s.rate).arg(seconds);
    const QString black =
        u"color=c=black:size=%1:rate=%2:duration=%3,"_s.arg(size(s)).arg(s.rate).arg(seconds);
    recipes << source(u"still-bars"_s, bars, s)
            << source(u"still-bars-captioned"_s,
                      bars + u",drawbox=x=20:y=10:w=40:h=12:color=white:t=fill"_s, s)
            << source(u"dark-noise"_s, black + u"noise=alls=6:allf=t:all_seed=5"_s, s)
            << source(u"dark-moving-dot"_s,
                      black
                          + u"drawbox=x='mod(t*30,150)':y=40:w=8:h=8:color=0x181818:t=fill,"
                            "noise=alls=3:allf=t:all_seed=7"_s,
                      s);
    return recipes;
}

bool runFfmpeg(const QStringList &arguments, QString *error) {
    QProcess ffmpeg;
    ffmpeg.setProcessChannelMode(QProcess::MergedChannels);
    ffmpeg.setStandardInputFile(QProcess::nullDevice());
    ffmpeg.start(u"ffmpeg"_s, arguments);
    if (!ffmpeg.waitForFinished(ffmpegTimeoutMs)) {
        ffmpeg.kill();
        ffmpeg.waitForFinished();
        *error = u"ffmpeg did not finish: "_s + arguments.join(u' ');
        return false;
    }
    if (ffmpeg.exitStatus() != QProcess::NormalExit || ffmpeg.exitCode() != 0) {
        *error = u"ffmpeg failed: %1\n%2"_s.arg(arguments.join(u' '),
                                                QString::fromLocal8Bit(ffmpeg.readAll()));
        return false;
    }
    return true;
}

// Makes the clip at `path` unless an earlier run did. ffmpeg writes into a temporary file made
// here for it, which becomes the clip only by a rename that never replaces a file.
bool makeClip(const Recipe &recipe, const QString &path, const QString &fromPath, QString *error) {
    if (QFileInfo::exists(path))
        return true;
    QTemporaryFile part(path + u".XXXXXX.part"_s);
    if (!part.open()) {
        *error = u"cannot create a file beside "_s + path;
        return false;
    }
    part.close();
    QStringList args{u"-hide_banner"_s, u"-loglevel"_s, u"error"_s, u"-nostdin"_s, u"-y"_s};
    args << recipe.inputArgs;
    if (!fromPath.isEmpty())
        args << u"-i"_s << fromPath;
    args << recipe.outputArgs << u"-an"_s << u"-f"_s << recipe.muxer << part.fileName();
    if (!runFfmpeg(args, error))
        return false;
    if (!QFile::rename(part.fileName(), path)) {
        *error = u"cannot name the finished clip "_s + path;
        return false;
    }
    return true;
}

} // namespace

Corpus makeSimilarCorpus(const QString &parent, CorpusSize size) {
    const bool full = size == CorpusSize::full;
    const QString folder = parent + (full ? u"/similar-corpus-full"_s : u"/similar-corpus-small"_s);
    Corpus corpus;
    if (!QDir().mkpath(folder)) {
        corpus.error = u"cannot make "_s + folder;
        return corpus;
    }
    QHash<QString, QString> pathOf;
    QHash<QString, QByteArray> keyOf;
    for (const Recipe &recipe : full ? fullRecipes() : smallRecipes()) {
        // A clip's file is named after everything that made it, its source's recipe included, so
        // that a changed recipe makes a new file and every other kept clip is reused.
        QCryptographicHash key(QCryptographicHash::Sha1);
        for (const QStringList &part :
             {recipe.inputArgs, recipe.outputArgs, QStringList{recipe.muxer}})
            key.addData(QByteArray(part.join(u'\n').toUtf8() + '\0'));
        key.addData(keyOf.value(recipe.from));
        keyOf.insert(recipe.name, key.result());
        const QString path = u"%1/%2-%3.%4"_s.arg(folder, recipe.name,
                                                  QString::fromLatin1(key.result().toHex().left(8)),
                                                  recipe.extension);
        if (!makeClip(recipe, path, pathOf.value(recipe.from), &corpus.error)) {
            corpus.clips.clear();
            return corpus;
        }
        pathOf.insert(recipe.name, path);
        corpus.clips << CorpusClip{recipe.name, recipe.origin, recipe.edit, path};
    }
    return corpus;
}

VideoItem corpusItem(const CorpusClip &clip, const VideoFingerprint &fingerprint) {
    const platform::ContainerInfo info =
        platform::probeContainer(QFile::encodeName(clip.path), std::chrono::seconds(20));
    if (!info.opened || std::isnan(info.duration))
        return {};
    const QFileInfo file(clip.path);
    FileFacts facts;
    facts.freedBytes = file.size();
    facts.pathLength = int(clip.path.size());
    facts.contentChecked = true;
    facts.fingerprint = fingerprint;
    const QString fileName = file.fileName();
    return VideoItem(clip.name, QStringView(fileName), distantPast, info.duration, info.pixelWidth,
                     info.pixelHeight, false, false,
                     SizeState::known(file.size(), SizeSource::allocatedSize), facts);
}

} // namespace orsenta::test
