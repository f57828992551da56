// Every writer of files on a full disk, under a file size limit, in a
// folder that can not be written and on a disk whose sync fails: the old file
// keeps its bytes, nothing partial is left beside it, and the system's reason
// is told.
//
// Each case runs in a child process that starts as the programs do. A lowered
// file size limit (writes then fail with EFBIG) works for any account, and so
// does a failing sync (a seccomp filter answers fsync with EIO, as a failing
// USB stick, a quota or a lost NFS server do); where the tests run as root, a
// small filled or read-only tmpfs in a mount namespace of the child's own
// shows the real ENOSPC and EROFS.
#include "chart/PESGraph.h"
#include "files/FileSizeLimit.h"
#include "files/GraphFileBlock.h"
#include "files/TextExport.h"
#include "logger/CollectionFile.h"
#include "logger/DataSetModel.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstddef>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QByteArray OldBytes = "the old file, which must survive\r\n";
// New contents past the limits below: one that a write buffer holds until
// the commit, and one that goes out while it is written.
constexpr qsizetype NewSizes[] = {10'000, 200'000};

struct Writer {
    const char* name;
    // The file the writer makes in the folder `fs`.
    std::function<QString(const QString& fs)> target;
    // Writes about `size` bytes; the error text, or nothing on success. `work`
    // holds the scratch file of `size` bytes to copy.
    std::function<std::optional<QString>(const QString& fs, const QString& work, qsizetype size)> write;
};

std::optional<QString> errorOf(bool ok, const QString& error)
{
    return ok ? std::nullopt : std::optional<QString>(error.isEmpty() ? QStringLiteral("(no reason)") : error);
}

TextExport::Points pointsOfAbout(qsizetype bytes)
{
    TextExport::Points points;
    for (int i = 0; i < bytes / 40; ++i) {
        points.x.push_back(46000 + i / 86400.0);
        for (int c = 0; c < 4; ++c)
            points.y[size_t(c)].push_back(float(21.5 + i % 7 + c));
    }
    return points;
}

// A chart of `points` points a second apart, the size of a graph window.
void drawChart(PESGraph& chart, int points)
{
    chart.resize(800, 500);
    chart.setSubsets(4);
    chart.setPoints(points);
    chart.setMainTitle(QStringLiteral("Oven run"));
    for (int p = 0; p < points; ++p)
        for (int s = 0; s < 4; ++s) {
            chart.setXDataII(s, p, 46000.5 + p / 86400.0);
            chart.setYData(s, p, float(20 + s * 5 + (p % 17) * 0.3));
        }
}

const Writer writers[] = {
    {"graph text", [](const QString& fs) { return fs + "/run1.csv"; },
     [](const QString& fs, const QString&, qsizetype size) {
         QString error;
         return errorOf(TextExport::writeFile(fs + "/run1.csv", pointsOfAbout(size), QLatin1Char(','), &error), error);
     }},
    {"graph file", [](const QString& fs) { return fs + "/run1.ghf"; },
     [](const QString& fs, const QString&, qsizetype size) {
         QString error;
         return errorOf(GraphFile::writeBlock(fs + "/run1.ghf", QByteArray(size, 'g'), &error), error);
     }},
    {"collection", [](const QString& fs) { return fs + "/mem1.ch4"; },
     [](const QString& fs, const QString& work, qsizetype) {
         const CollectionFile::CopyResult r = CollectionFile::copyScratchFile(work + "/scratch.tmp", fs + "/mem1.ch4");
         return errorOf(r.outcome == CollectionFile::CopyResult::Copied, r.error);
     }},
    {"scratch file", [](const QString& fs) { return DataSetModel::scratchFilePath(fs + "/"); },
     [](const QString& fs, const QString&, qsizetype size) {
         DataSetModel model;
         model.RawImage = QByteArray(size, 's');
         const std::optional<QString> error = model.WriteScratchFile(int(size), fs + "/");
         return error ? std::optional<QString>(*error) : std::nullopt;
     }},
    // A picture or document of a graph is far larger than the limits here.
    {"graph as PNG", [](const QString& fs) { return fs + "/run1.png"; },
     [](const QString& fs, const QString&, qsizetype size) {
         PESGraph chart;
         drawChart(chart, int(size / 40));
         QString error;
         return errorOf(chart.exportPng(fs + "/run1.png", 0, 0, &error), error);
     }},
    {"graph as PDF", [](const QString& fs) { return fs + "/run1.pdf"; },
     [](const QString& fs, const QString&, qsizetype size) {
         PESGraph chart;
         drawChart(chart, int(size / 40));
         QString error;
         return errorOf(chart.exportPdf(fs + "/run1.pdf", &error), error);
     }},
};

enum class Condition { FileSizeLimit, FullFilesystem, ReadOnlyFolder, TargetIsAFolder, FailingSync };
const char* nameOf(Condition c)
{
    switch (c) {
    case Condition::FileSizeLimit: return "file size limit";
    case Condition::FullFilesystem: return "full filesystem";
    case Condition::ReadOnlyFolder: return "read-only folder";
    case Condition::TargetIsAFolder: return "a non-empty folder in the file's place";
    case Condition::FailingSync: return "fsync fails with EIO";
    }
    return "";
}

// From here on every fsync and fdatasync of this process fails with EIO.
bool failSyncs()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fsync, 1, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_fdatasync, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EIO),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    const sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0
           && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

// Fills the filesystem of `folder` until nothing more fits.
void fillUp(const QString& folder)
{
    QFile filler(folder + "/filler");
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    // A few bytes may still fit; take them too.
    while (filler.write("f", 1) == 1) {
    }
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool holdsBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}

QStringList entriesOf(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

// Runs in the child: prepares the condition, writes, and checks what is left.
// Returns an empty text when all is as it must be, "skip" when the condition
// can not be made here.
QString writeUnder(const Writer& writer, Condition condition, bool oldFileExists, qsizetype size, const QString& work)
{
    const QString fs = work + "/fs";
    if (condition == Condition::FullFilesystem || condition == Condition::ReadOnlyFolder) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || ::mount("tmpfs", fs.toLocal8Bit().constData(), "tmpfs", 0, "size=256k") != 0)
            return QStringLiteral("skip");
    }
    if (!writeBytes(work + "/scratch.tmp", QByteArray(size, 'c')))  // what the collection is copied from
        return QStringLiteral("could not write the scratch file to copy");
    const QString target = writer.target(fs);
    QDir().mkpath(QFileInfo(target).path());
    if (condition == Condition::TargetIsAFolder) {
        // Even root can not put a file in place of a folder that holds something.
        QDir().mkpath(target);
        if (!writeBytes(target + "/kept", OldBytes))
            return QStringLiteral("could not fill the folder");
    } else if (oldFileExists && !writeBytes(target, OldBytes)) {
        return QStringLiteral("could not write the old file");
    }
    switch (condition) {
    case Condition::FileSizeLimit: {
        const rlimit limit{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        break;
    }
    case Condition::FullFilesystem:
        fillUp(QFileInfo(target).path());
        break;
    case Condition::ReadOnlyFolder:
        if (::mount(nullptr, fs.toLocal8Bit().constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return QStringLiteral("skip");
        break;
    case Condition::TargetIsAFolder:
        break;
    case Condition::FailingSync:
        if (!failSyncs())
            return QStringLiteral("could not make fsync fail: ") + QString::fromLocal8Bit(std::strerror(errno));
        break;
    }
    const QStringList before = entriesOf(QFileInfo(target).path());

    const std::optional<QString> error = writer.write(fs, work, size);

    if (!error)
        return QStringLiteral("the writer reported success");
    QString problems;
    if (condition == Condition::TargetIsAFolder) {
        if (!holdsBytes(target + "/kept", OldBytes))
            problems += QStringLiteral("the folder lost what it held; ");
    } else if (oldFileExists) {
        if (!holdsBytes(target, OldBytes))
            problems += QStringLiteral("the old file lost its bytes; ");
    } else if (QFile::exists(target)) {
        problems += QStringLiteral("a file was left under the new name; ");
    }
    if (entriesOf(QFileInfo(target).path()) != before)
        problems += QStringLiteral("files were left behind: ") + entriesOf(QFileInfo(target).path()).join(' ') + "; ";
    const bool named = error->contains(QLatin1String("No space left")) || error->contains(QLatin1String("too large"))
                       || error->contains(QLatin1String("not writable")) || error->contains(QLatin1String("ead-only"))
                       || error->contains(QString::fromLocal8Bit(std::strerror(EIO)));
    if (!named && condition != Condition::TargetIsAFolder)
        problems += QStringLiteral("the reason does not name the system's cause: ") + *error;
    return problems;
}

} // namespace

TEST(FullDisk, EveryWriterKeepsTheOldFileAndTellsWhy)
{
    const Condition conditions[] = {Condition::FileSizeLimit, Condition::FullFilesystem, Condition::ReadOnlyFolder,
                                    Condition::TargetIsAFolder, Condition::FailingSync};
    for (const Writer& writer : writers) {
        for (const Condition condition : conditions) {
            for (const bool oldFileExists : {true, false}) {
              for (const qsizetype size : NewSizes) {
                if ((condition == Condition::ReadOnlyFolder || condition == Condition::TargetIsAFolder) && !oldFileExists)
                    continue;  // no old file to speak of: the same refusal
                const std::string what = std::string(writer.name) + ", " + nameOf(condition)
                                         + (oldFileExists ? ", over an existing file" : ", a new name") + ", "
                                         + std::to_string(size) + " bytes";
                QTemporaryDir work;
                ASSERT_TRUE(QDir().mkpath(work.path() + "/fs"));
                int report[2];
                ASSERT_EQ(::pipe(report), 0);
                const pid_t child = ::fork();
                if (child == 0) {
                    // As the programs start: a write past the file size limit fails with EFBIG.
                    FileSizeLimit::failWritesInsteadOfEnding();
                    const QByteArray result = writeUnder(writer, condition, oldFileExists, size, work.path()).toUtf8();
                    [[maybe_unused]] auto n = ::write(report[1], result.constData(), size_t(result.size()));
                    ::_exit(0);
                }
                ::close(report[1]);
                QByteArray result;
                char buffer[512];
                for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
                    result.append(buffer, n);
                ::close(report[0]);
                int status = 0;
                ::waitpid(child, &status, 0);
                if (result == "skip")
                    continue;  // no mount namespace for this account
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << what << ": the child died";
                EXPECT_EQ(result.toStdString(), "") << what;
              }
            }
        }
    }
}
