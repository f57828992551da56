// The checked writer's last step: when the finished file can not take the
// target's place (another program has put a folder there meanwhile), the
// save fails with the reason, the folder keeps what it holds, and the
// temporary file goes.
#include "files/CheckedFileWriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <gtest/gtest.h>

TEST(CheckedFileWriter, ACommitThatCanNotTakeTheFilesPlaceFailsAndLeavesNothing)
{
    struct Case { const char* name; bool oldFile; };
    const Case cases[] = {{"over an existing file", true}, {"a new name", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("run1.csv"));
        if (c.oldFile) {
            QFile old(target);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write("the old file\r\n");
        }
        CheckedFileWriter writer(target);
        ASSERT_TRUE(writer.open());
        ASSERT_TRUE(writer.write("the new file\r\n"));

        QFile::remove(target);
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("run1.csv")));
        QFile kept(target + QStringLiteral("/kept"));
        ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
        kept.write("kept");
        kept.close();

        EXPECT_FALSE(writer.commit());
        EXPECT_TRUE(writer.failed());
        EXPECT_TRUE(writer.errorString().contains(QString::fromLocal8Bit(std::strerror(EISDIR))))
            << writer.errorString().toStdString();
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), "kept");
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{QStringLiteral("run1.csv")})
            << "no temporary file is left beside it";
    }
}
