// Runs a fuzz target over saved inputs in the normal build: every file of the
// folders (or the files) named on the command line goes through the target
// once, so that each seed and each reproducer found by fuzzing stays a test.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (QFileInfo(arg).isDir()) {
            for (const QFileInfo& f : QDir(arg).entryInfoList(QDir::Files, QDir::Name))
                files << f.filePath();
        } else {
            files << arg;
        }
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    for (const QString& name : files) {
        QFile file(name);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        // Named before it runs, so that a crash shows which input caused it.
        std::fprintf(stderr, "replaying %s\n", qPrintable(name));
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    }
    std::fprintf(stderr, "%lld inputs replayed\n", static_cast<long long>(files.size()));
    return 0;
}
