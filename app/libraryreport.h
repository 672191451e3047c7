// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line report: every video of the library with its file, sizes, figures and copy
// group, as JSON or CSV, from the same scan and check for identical copies the window runs.

#include "library/photolibraryservice.h"
#include "model/instant.h"

#include <QByteArray>
#include <QCoroTask>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

namespace orsenta {

enum class ReportFormat { json, csv };

std::optional<ReportFormat> reportFormatNamed(const QString &name);

// What the report's process ends with.
enum ReportExit : int {
    reportWritten = 0,
    reportUsage = 2,      // an unknown format
    noFolderReadable = 3, // nothing was written
    // The report was written, but the index could not be used as it should (favourites and
    // remembered checks may be missing), or the scan failed and nothing was written.
    libraryUnusable = 4,
};

struct ReportRow {
    QString path;
    std::optional<std::int64_t> size; // bytes of the file; none when it could not be measured
    std::int64_t freedBytes = 0;      // what moving it to the Trash gives back once emptied
    double duration = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    Instant created = distantPast;
    bool favourite = false;
    QByteArray copyGroup; // hex digest of the content it shares with others; empty when none
    bool kept = false;    // the copy its group keeps
};

QByteArray reportJson(const std::vector<ReportRow> &rows);
QByteArray reportCsv(const std::vector<ReportRow> &rows);

// Scans the library made of `folders`, checks the same-size videos for identical copies and
// writes the report to `out`; what went wrong goes to `errors`. Gives the process's exit code.
QCoro::Task<int> writeLibraryReport(std::shared_ptr<PhotoLibraryService> service,
                                    QStringList folders, ReportFormat format, QIODevice *out,
                                    QIODevice *errors);

} // namespace orsenta
