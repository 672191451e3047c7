// SPDX-License-Identifier: GPL-3.0-or-later
#include "libraryreport.h"

#include "model/duplicates.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QIODevice>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

namespace orsenta {

namespace {

// Texts filed under the "LibraryReport" context, where lupdate finds them.
struct Text {
    Q_DECLARE_TR_FUNCTIONS(LibraryReport)
};

QString isoDate(Instant instant) {
    if (isDistantPast(instant))
        return {};
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(instant.time_since_epoch());
    return QDateTime::fromMSecsSinceEpoch(ms.count(), Qt::UTC).toString(Qt::ISODate);
}

// RFC 4180: a field holding a separator, a quote or a line break is quoted, quotes doubled.
QByteArray csvField(const QString &text) {
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n')
        || field.contains('\r')) {
        field.replace('"', "\"\"");
        field = '"' + field + '"';
    }
    return field;
}

constexpr int probeConcurrency = 4;

void say(QIODevice *errors, const QString &message) {
    errors->write(message.toLocal8Bit() + '\n');
}

} // namespace

std::optional<ReportFormat> reportFormatNamed(const QString &name) {
    if (name == u"json")
        return ReportFormat::json;
    if (name == u"csv")
        return ReportFormat::csv;
    return std::nullopt;
}

QByteArray reportJson(const std::vector<ReportRow> &rows) {
    QJsonArray videos;
    for (const ReportRow &row : rows) {
        const QString created = isoDate(row.created);
        videos.append(QJsonObject{
            {QStringLiteral("path"), row.path},
            {QStringLiteral("size"), row.size ? QJsonValue(qint64(*row.size)) : QJsonValue()},
            {QStringLiteral("freedBytes"), qint64(row.freedBytes)},
            {QStringLiteral("duration"), row.duration},
            {QStringLiteral("width"), qint64(row.width)},
            {QStringLiteral("height"), qint64(row.height)},
            {QStringLiteral("created"), created.isEmpty() ? QJsonValue() : QJsonValue(created)},
            {QStringLiteral("favourite"), row.favourite},
            {QStringLiteral("copyGroup"), QString::fromLatin1(row.copyGroup)},
            {QStringLiteral("kept"), row.kept},
        });
    }
    return QJsonDocument(videos).toJson(QJsonDocument::Indented);
}

QByteArray reportCsv(const std::vector<ReportRow> &rows) {
    QByteArray csv =
        "path,size,freedBytes,duration,width,height,created,favourite,copyGroup,kept\r\n";
    const auto flag = [](bool value) { return value ? QByteArray("true") : QByteArray("false"); };
    for (const ReportRow &row : rows) {
        csv += csvField(row.path) + ',' + (row.size ? QByteArray::number(*row.size) : "") + ','
               + QByteArray::number(row.freedBytes) + ',' + QByteArray::number(row.duration) + ','
               + QByteArray::number(row.width) + ',' + QByteArray::number(row.height) + ','
               + isoDate(row.created).toLatin1() + ',' + flag(row.favourite) + ',' + row.copyGroup
               + ',' + flag(row.kept) + "\r\n";
    }
    return csv;
}

QCoro::Task<int> writeLibraryReport(std::shared_ptr<PhotoLibraryService> service,
                                    QStringList folders, ReportFormat format, QIODevice *out,
                                    QIODevice *errors) {
    const bool anyReadable = std::any_of(folders.cbegin(), folders.cend(), [](const QString &f) {
        return ::access(QFile::encodeName(f).constData(), R_OK | X_OK) == 0;
    });
    if (!anyReadable) {
        say(errors, Text::tr("None of the library folders can be read: %1")
                        .arg(folders.isEmpty() ? Text::tr("there are none")
                                               : folders.join(QStringLiteral(", "))));
        co_return noFolderReadable;
    }

    std::vector<VideoItem> items;
    try {
        co_await service->requestAccess();
        const std::int64_t count = co_await service->beginScan();
        items = co_await service->nextScanBatch(0, count);
        co_await service->finishScan();
        QStringList unknown;
        for (const VideoItem &item : items) {
            if (item.sizeState().kind() == SizeState::Kind::unavailable)
                unknown.append(item.localIdentifier());
        }
        const QHash<QString, SizeState> probed =
            co_await service->probeSizes(unknown, probeConcurrency);
        for (VideoItem &item : items) {
            if (const auto size = probed.constFind(item.localIdentifier()); size != probed.cend())
                item = item.withSizeState(*size);
        }
        const platform::ContentDigests digests =
            co_await service->checkContent(sizeGroupsToCheck(items), {});
        for (VideoItem &item : items) {
            if (const auto it = digests.find(item.localIdentifier()); it != digests.end())
                item = item.withContentChecked(it->second);
        }
    } catch (const PhotoLibraryError &e) {
        say(errors, Text::tr("The library cannot be read: %1").arg(e.errorDescription()));
        co_return libraryUnusable;
    }

    const DuplicateSummary copies = summarizeDuplicates(items);
    std::vector<ReportRow> rows;
    rows.reserve(items.size());
    for (const VideoItem &item : items) {
        ReportRow row;
        try {
            row.path = co_await service->videoFilePath(item.localIdentifier());
        } catch (const PhotoLibraryError &) {
            continue; // gone since the scan
        }
        row.size = item.sizeState().knownBytes();
        row.freedBytes = item.freedBytes();
        row.duration = item.duration();
        row.width = item.pixelWidth();
        row.height = item.pixelHeight();
        row.created = item.creationDate();
        row.favourite = item.isFavorite();
        if (copies.copiesOf(item))
            row.copyGroup = item.fileFacts().contentDigest.toHex();
        row.kept = copies.keeperReason(item).has_value();
        rows.push_back(std::move(row));
    }
    out->write(format == ReportFormat::json ? reportJson(rows) : reportCsv(rows));

    const platform::LibraryCondition condition = service->libraryCondition();
    // The videos of a folder that is not there or cannot be read stay in the index, unlisted.
    for (const platform::AbsentFolder &folder : condition.absentFolders)
        say(errors, Text::tr("Not read, so not in the report: %1").arg(folder.path));
    if (!condition.indexProblem.isEmpty()) {
        say(errors, condition.indexProblem);
        co_return libraryUnusable;
    }
    co_return reportWritten;
}

} // namespace orsenta
