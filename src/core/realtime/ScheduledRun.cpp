#include "realtime/ScheduledRun.h"

#include <QDir>
#include <QFile>
#include <cmath>

ScheduledRun::ScheduledRun(ScheduledRunHost& runHost, const QString& folder, const RunSchedule::Plan& plan,
                           QObject* parent)
    : QObject(parent)
    , host(runHost)
    , documentFolder(folder)
    , runSchedule(plan)
{
    connect(&runSchedule, &RunSchedule::started, this, &ScheduledRun::startRun);
    connect(&runSchedule, &RunSchedule::ended, this, [this](RunSchedule::Ending why) {
        if (done)
            return;
        if (ownsRun)
            host.stopRun();
        finish();
        emit ended(why);
    });
}

void ScheduledRun::begin()
{
    runSchedule.begin();
}

bool ScheduledRun::takesSampleAt(TDateTime time)
{
    return !done && runSchedule.takesSampleAt(DateTime::toQDateTime(time));
}

void ScheduledRun::cancel()
{
    finish();
}

void ScheduledRun::finish()
{
    done = true;
    ownsRun = false;
    // The schedule's timer must not wake a schedule that is over.
    runSchedule.blockSignals(true);
}

int ScheduledRun::pointsFor(const RunSchedule::Plan& plan, const QDateTime& start,
                            const std::optional<QDateTime>& endsAt, int rateSeconds)
{
    qint64 points = DefaultPoints;
    if (endsAt) {
        // A sample at the start and one every rate until the end, the end's own not included.
        const qint64 span = std::max<qint64>(0, start.secsTo(*endsAt));
        points = span / std::max(1, rateSeconds) + 1;
    }
    if (plan.sampleCount)
        points = endsAt ? std::min<qint64>(points, *plan.sampleCount) : *plan.sampleCount;
    return int(std::clamp<qint64>(points, 1, MaxPoints));
}

QString ScheduledRun::claimFileFor(const QString& folder, TDateTime runStart, QString* error)
{
    const QDir dir(folder);
    if (!dir.exists() && !dir.mkpath(QStringLiteral("."))) {
        *error = QStringLiteral("the folder %1 can not be made").arg(QDir::toNativeSeparators(folder));
        return {};
    }
    const QString stem = QStringLiteral("Real-Time ")
                         + DateTime::toQDateTime(runStart).toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? stem : QStringLiteral("%1 (%2)").arg(stem).arg(n);
        QFile file(dir.filePath(name + QStringLiteral(".ghf")));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return file.fileName();
        if (file.exists())
            continue;
        *error = file.errorString();
        return {};
    }
    *error = QStringLiteral("every name for it in %1 is taken").arg(QDir::toNativeSeparators(folder));
    return {};
}

void ScheduledRun::startRun(const QDateTime& at)
{
    if (done)
        return;
    QString savedTo;
    if (host.hasUnsavedRun()) {
        QString error;
        savedTo = claimFileFor(documentFolder, host.unsavedRunStart(), &error);
        if (savedTo.isEmpty() || !host.saveUnsavedRun(savedTo, &error)) {
            if (!savedTo.isEmpty())
                QFile::remove(savedTo);   // the empty file that claimed the name
            const QString why = QStringLiteral("The scheduled Real-Time run did not start: the samples of the run "
                                               "before could not be saved%1 (%2). They are still in the "
                                               "Real-Time graph.")
                                    .arg(savedTo.isEmpty() ? QString() : QStringLiteral(" to ") + QDir::toNativeSeparators(savedTo),
                                         error);
            finish();
            emit failed(why);
            return;
        }
    }
    ownsRun = true;
    host.startRun(DateTime::fromQDateTime(at), pointsFor(runSchedule.plan(), at, runSchedule.endsAt(), host.rateSeconds()));
    emit started(savedTo);
}
