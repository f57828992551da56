#pragma once
// A main window with a visible frame for child windows, a throw-away
// documents folder, and fake prompts and clock: the fixture of the tests of
// the main window's file commands.

#include "ImageBuilder.h"

#include "app/UMain.h"
#include "logger/CollectionFile.h"
#include "logger/DataSetsGrid.h"
#include "logger/LoadResult.h"
#include "support/MainWindowFixture.h"

#include <QFile>
#include <gtest/gtest.h>

inline QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

inline QList<QStringList> gridRows(const DataSetModel& model)
{
    QList<QStringList> rows;
    for (int k = 0; k < model.dataSetCount(); ++k)
        rows << DataSetsGrid::rowTexts(model, k);
    return rows;
}

class MainFiles : public MainWindowFixture {
protected:
    void SetUp() override
    {
        main.DocumentFolder = dir.filePath(QStringLiteral("docs/"));
        MainWindowFixture::SetUp();
    }
    // What was told to the user, without the note about a missing graph template.
    QStringList userMessages() const
    {
        QStringList shown = prompts.messages;
        shown.removeIf([](const QString& m) { return m.startsWith(QLatin1String("Can not fine the file ")); });
        return shown;
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QString scratch() const { return DataSetModel::scratchFilePath(main.DocumentFolder); }

    // What a successful download leaves behind.
    void load(const QByteArray& image)
    {
        main.DataSets.RawImage = image;
        ASSERT_EQ(main.ParseImage(), LoadResult::Success);
        ASSERT_TRUE(main.WriteScratchFile(image.size()));
        main.DataSets.RawImage.clear();
        main.DataSetsUnsaved = true;
    }
};

