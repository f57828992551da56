#include "files/CheckedFileWriter.h"

#include <cerrno>
#include <unistd.h>

CheckedFileWriter::CheckedFileWriter(const QString& fileName)
    : file(fileName)
{
}

bool CheckedFileWriter::fail(const QString& reason)
{
    if (failure.isEmpty())
        failure = reason.isEmpty() ? QStringLiteral("the file could not be written") : reason;
    if (file.isOpen()) {
        file.cancelWriting();
        file.commit();  // removes the temporary file; the old file stays
    }
    return false;
}

// Qt's save file tells a failed write of its buffer as "Unknown error"; the
// system's own reason is in errno right after it.
QString CheckedFileWriter::systemReason() const
{
    return errno != 0 ? qt_error_string(errno) : file.errorString();
}

bool CheckedFileWriter::open()
{
    return file.open(QIODevice::WriteOnly) || fail(file.errorString());
}

bool CheckedFileWriter::write(QByteArrayView bytes)
{
    if (failed())
        return false;
    errno = 0;
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || file.error() != QFileDevice::NoError)
        return fail(systemReason());
    return true;
}

bool CheckedFileWriter::commit()
{
    if (failed())
        return false;
    if (!file.isOpen())
        return fail(QStringLiteral("the file was not opened"));
    // The buffered rest goes out now: a full disk shows here at the latest.
    errno = 0;
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return fail(systemReason());
    if (::fsync(file.handle()) != 0)
        return fail(qt_error_string(errno));
    return file.commit() || fail(file.errorString());
}

void CheckedFileWriter::abandon()
{
    fail(QStringLiteral("the save was cancelled"));
}

namespace CheckedFile {

bool write(const QString& fileName, QByteArrayView bytes, QString* error)
{
    CheckedFileWriter writer(fileName);
    if (writer.open() && writer.write(bytes) && writer.commit())
        return true;
    if (error)
        *error = writer.errorString();
    return false;
}

}  // namespace CheckedFile
