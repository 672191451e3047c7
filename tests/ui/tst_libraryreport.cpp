// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line report, run as the built binary over a small library in a temporary home, with
// no display: what it prints, and how it ends when the library cannot be read.

#include "support/folderlibrary.h"
#include "support/samplevideos.h"
#include "support/temphome.h"
#include "support/testmain.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTest>

using namespace orsenta;
using namespace orsenta::test;

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray errors;
};

// The binary as a user runs it over SSH: the temporary home's variables and no display at all.
Run runOrsenta(const QStringList &arguments) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ORSENTA_BINARY), arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.errors = process.readAllStandardError();
    return run;
}

} // namespace

class TestLibraryReport : public QObject {
    Q_OBJECT

    std::unique_ptr<TempHome> m_home;
    QString m_original;
    QString m_copy;
    QString m_stranger;

private Q_SLOTS:
    // Two identical copies, the one in Pictures a favourite (so kept despite its copy-like
    // name), and a same-size stranger whose name needs quoting in CSV.
    void initTestCase() {
        m_home = std::make_unique<TempHome>();
        m_original = makeVideo(
            m_home->videos() + QStringLiteral("/holiday.mp4"),
            {.seconds = 2, .creationTime = QDateTime(QDate(2021, 5, 6), QTime(7, 8, 9), Qt::UTC)});
        QVERIFY(!m_original.isEmpty());
        m_copy = m_home->pictures() + QStringLiteral("/holiday copy.mp4");
        QVERIFY(QFile::copy(m_original, m_copy));
        QByteArray changed = readFile(m_original);
        changed[changed.size() / 2] = char(~changed[changed.size() / 2]);
        m_stranger = m_home->videos() + QStringLiteral("/odd, \"name\"\n.mp4");
        QVERIFY(writeNewFile(m_stranger, changed));

        FolderLibrary library(m_home->indexPath());
        const std::vector<VideoItem> items = library.scan();
        const VideoItem *copy = itemNamed(items, QStringLiteral("holiday copy.mp4"));
        QVERIFY(copy);
        await(library.service->setFavorite({copy->localIdentifier()}, true));
    }
    void cleanupTestCase() { m_home.reset(); }

    void json() {
        const Run run = runOrsenta({QStringLiteral("--report"), QStringLiteral("json")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.errors.isEmpty(), run.errors.constData());
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(run.out, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QHash<QString, QJsonObject> byPath;
        for (const QJsonValue &video : document.array())
            byPath.insert(video[QStringLiteral("path")].toString(), video.toObject());
        QCOMPARE(byPath.size(), 3);

        QStringList fields;
        for (const char *field : {"copyGroup", "created", "duration", "favourite", "freedBytes",
                                  "height", "kept", "path", "size", "width"})
            fields.append(QString::fromLatin1(field));
        const qint64 size = QFileInfo(m_original).size();
        const QString group = byPath[m_original][QStringLiteral("copyGroup")].toString();
        QCOMPARE(group.size(), 64);
        struct Expected {
            QString path;
            bool favourite;
            QString copyGroup;
            bool kept;
        };
        for (const Expected &expected :
             {Expected{m_original, false, group, false}, Expected{m_copy, true, group, true},
              Expected{m_stranger, false, QString(), false}}) {
            const QJsonObject video = byPath.value(expected.path);
            QVERIFY2(!video.isEmpty(), qPrintable(expected.path));
            QCOMPARE(video.keys(), fields);
            QCOMPARE(video[QStringLiteral("size")].toInteger(), size);
            QCOMPARE(video[QStringLiteral("duration")].toDouble(), 2.0);
            QCOMPARE(video[QStringLiteral("width")].toInt(), 320);
            QCOMPARE(video[QStringLiteral("height")].toInt(), 240);
            QCOMPARE(video[QStringLiteral("favourite")].toBool(), expected.favourite);
            QCOMPARE(video[QStringLiteral("copyGroup")].toString(), expected.copyGroup);
            QCOMPARE(video[QStringLiteral("kept")].toBool(), expected.kept);
        }
        // Written afresh, it shares no blocks: moving it to the Trash frees at least its bytes.
        QVERIFY(byPath[m_stranger][QStringLiteral("freedBytes")].toInteger() >= size);
        QCOMPARE(byPath[m_original][QStringLiteral("created")].toString(),
                 QStringLiteral("2021-05-06T07:08:09Z"));
    }

    // One record per video however its name is made, limited to one folder by --folder.
    void csv() {
        const Run run = runOrsenta({QStringLiteral("--report"), QStringLiteral("csv"),
                                    QStringLiteral("--folder"), m_home->videos()});
        QCOMPARE(run.exitCode, 0);
        const QByteArray quoted = "\"" + QFile::encodeName(m_stranger).replace("\"", "\"\"") + "\"";
        const QByteArray header =
            "path,size,freedBytes,duration,width,height,created,favourite,copyGroup,kept\r\n";
        QVERIFY(run.out.startsWith(header));
        QVERIFY2(run.out.contains(QByteArray(QByteArray("\r\n") + quoted + ',')),
                 run.out.constData());
        QVERIFY(
            run.out.contains(QByteArray(QByteArray("\r\n") + QFile::encodeName(m_original) + ',')));
        QVERIFY(!run.out.contains(QFile::encodeName(m_copy)));
        QCOMPARE(run.out.count("\r\n"), 3);
    }

    // The help and the version need no display either.
    void helpAndVersion() {
        const Run help = runOrsenta({QStringLiteral("--help")});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.contains("--report <FORMAT>"), help.out.constData());
        QCOMPARE(runOrsenta({QStringLiteral("--version")}).out,
                 QByteArray("orsenta " ORSENTA_VERSION "\n"));
    }

    void failures_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("brokenIndex");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString report = QStringLiteral("--report");
        const QString json = QStringLiteral("json");
        QTest::newRow("no folder there")
            << QStringList{report,
                           json,
                           QStringLiteral("--folder"),
                           QStringLiteral("/nowhere/a"),
                           QStringLiteral("--folder"),
                           QStringLiteral("/nowhere/b")}
            << false << 3 << QStringLiteral("None of the library folders can be read");
        QTest::newRow("unknown format") << QStringList{report, QStringLiteral("xml")} << false << 2
                                        << QStringLiteral("json or csv");
        QTest::newRow("index unusable")
            << QStringList{report, json} << true << 4 << QStringLiteral("cannot be read");
    }
    // A clear exit code and a message on stderr, in a home of its own.
    void failures() {
        QFETCH(QStringList, arguments);
        QFETCH(bool, brokenIndex);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        const TempHome home;
        QVERIFY(!makeVideo(home.videos() + QStringLiteral("/one.mp4"), {}).isEmpty());
        if (brokenIndex)
            QVERIFY(QDir().mkpath(home.indexPath())); // a folder where the database belongs
        const Run run = runOrsenta(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(QString::fromLocal8Bit(run.errors).contains(message), run.errors.constData());
    }
};

ORSENTA_TEST_MAIN(TestLibraryReport)
#include "tst_libraryreport.moc"
