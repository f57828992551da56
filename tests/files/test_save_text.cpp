// Saving graphs and tables as text: the range question, the lines, the
// separators, and that Cancel or a failed save keeps the old file.
#include "app/Regional.h"
#include "app/SaveDialogType.h"
#include "chart/PESGraph.h"
#include "files/SaveAsText.h"
#include "files/SaveGraph.h"
#include "files/TextLines.h"
#include "files/UScope.h"
#include "logger/UList.h"
#include "support/FakePrompts.h"
#include "support/ProgressCancel.h"
#include "support/UnwritableFolder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include "logger/CollectionFile.h"
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <cerrno>
#include <cstring>

namespace {

constexpr int PointCount = 12;
const TDateTime Start = DateTime::fromQDateTime(QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7)));

class SaveAsText : public ::testing::Test {
protected:
    QTemporaryDir dir;
    FakePrompts prompts;
    ScopedPrompts scoped{prompts};
    PESGraph chart;
    int lastFileType = 1;   // the save dialog's memory of the type chosen

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        chart.setSubsets(4);
        chart.setPoints(PointCount);
        for (int p = 0; p < PointCount; ++p)
            for (int s = 0; s < 4; ++s) {
                chart.setXDataII(s, p, x(p));
                chart.setYData(s, p, y(s, p));
            }
    }
    static TDateTime x(int p) { return Start + p * DateTime::OneSecond; }
    static float y(int s, int p) { return float(p) + float(s) / 2; }
    // The line of point p (from 0) as the graph writer writes it.
    QString pointLine(int p, QChar separator = '\t') const
    {
        return TextLines::graphLine(chart.XDataII(0, p),
                                    {chart.YData(0, p), chart.YData(1, p), chart.YData(2, p), chart.YData(3, p)},
                                    separator);
    }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    // Answers the range question with "&All" or with "&Select" from..to.
    void answerRange(bool all, const QString& from = {}, const QString& to = {})
    {
        prompts.dialogs.push_back([=](QDialog& d) {
            auto& scope = dynamic_cast<TfrmScope&>(d);
            EXPECT_EQ(scope.windowTitle(), QStringLiteral("Save File"));
            if (all) {
                scope.radAll->setChecked(true);
            } else {
                scope.radNo->setChecked(true);
                scope.edtSelFrom->setText(from);
                scope.edtSelTo->setText(to);
            }
            return 1;
        });
    }
    static QStringList lines(const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(f.readAll());
        EXPECT_TRUE(text.isEmpty() || text.endsWith(QLatin1String("\r\n")));
        QStringList result = text.split(QStringLiteral("\r\n"));
        result.removeLast();
        return result;
    }
};

} // namespace

TEST_F(SaveAsText, GraphRanges)
{
    struct Case { const char* name; bool all; const char* from; const char* to; int first; int last; };
    const Case cases[] = {
        {"all", true, "", "", 1, PointCount},
        {"reversed 10..3", false, "10", "3", 3, 10},
        {"negative -4..7", false, "-4", "7", 4, 7},
        {"from 0", false, "0", "5", 1, 5},
        {"beyond the end", false, "2", "99", 2, PointCount},
    };
    for (const Case& c : cases) {
        const QString file = path("range.txt");
        answerRange(c.all, c.from, c.to);
        EXPECT_TRUE(SaveGraphAsText(chart, file, '\t')) << c.name;
        QStringList expected;
        for (int p = c.first; p <= c.last; ++p)
            expected << pointLine(p - 1);
        EXPECT_EQ(lines(file), expected) << c.name;
    }
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(SaveAsText, BoundThatIsNoWholeNumberWritesNothing)
{
    const QString fresh = path("fresh.txt");
    const QString existing = path("existing.txt");
    {
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    // The lowest int has no positive counterpart, so it is no bound either.
    for (const auto& [from, to] : {std::pair{"x", "5"}, std::pair{"1.5", "5"}, std::pair{"1", ""},
                                   std::pair{"-2147483648", "5"}, std::pair{"3", "-2147483648"}}) {
        for (const QString& file : {fresh, existing}) {
            prompts.messages.clear();
            answerRange(false, from, to);
            EXPECT_FALSE(SaveGraphAsText(chart, file, '\t'));
            EXPECT_EQ(prompts.messages, QStringList{QStringLiteral("invalid integer")}) << from << ".." << to;
        }
    }
    EXPECT_FALSE(QFile::exists(fresh));
    QFile f(existing);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));

    // Cancel in the range question writes nothing and says nothing.
    prompts.messages.clear();
    EXPECT_FALSE(SaveGraphAsText(chart, fresh, '\t'));
    EXPECT_FALSE(QFile::exists(fresh));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST_F(SaveAsText, ValuesBeyondTheMeterAreOL)
{
    const float values[][4] = {{2500.0f, -328.0f, 0.0f, 0.0f}, {2500.1f, -328.1f, 9999.0f, 0.0f}};
    chart.setPoints(2);
    for (int p = 0; p < 2; ++p)
        for (int s = 0; s < 4; ++s)
            chart.setYData(s, p, values[p][s]);
    answerRange(true);
    ASSERT_TRUE(SaveGraphAsText(chart, path("ol.csv"), ','));
    const QStringList written = lines(path("ol.csv"));
    ASSERT_EQ(written.size(), 2);
    const QString dp = Regional::decimalPoint();
    EXPECT_EQ(written[0].split(',').mid(2), (QStringList{"2500" + dp + "0", "-328" + dp + "0", "0" + dp + "0", "0" + dp + "0"}));
    EXPECT_EQ(written[1].split(',').mid(2), (QStringList{"OL", "OL", "OL", "0" + dp + "0"}));
}

TEST_F(SaveAsText, AllStopsAtTheFirstEmptyPoint)
{
    // A real-time graph holds more points than were recorded.
    for (int p = 7; p < PointCount; ++p)
        chart.setXDataII(0, p, 0);
    answerRange(true);
    ASSERT_TRUE(SaveGraphAsText(chart, path("recorded.txt"), '\t'));
    const QStringList written = lines(path("recorded.txt"));
    ASSERT_EQ(written.size(), 7);
    EXPECT_EQ(written.last(), pointLine(6));
}

// Cancel in the progress dialog, at any line up to the last, saves nothing:
// the old file keeps its bytes (or no file appears), nothing partial is left
// beside it, nothing is reported as saved and nothing is shown.
TEST_F(SaveAsText, CancelLeavesTheOldFileOrNoneAndSavesNothing)
{
    TfrmList list;
    for (int k = 1; k <= PointCount; ++k)
        list.setRow(k, {QStringLiteral("d%1").arg(k), "t", "1.0", "2.0", "3.0", "4.0"});
    struct Case { const char* what; const char* file; int cancelAtLine; bool oldFile; };
    const Case cases[] = {
        {"graph, early", "graph.txt", 3, true},
        {"graph, at the last line", "graph.csv", PointCount, true},
        {"graph, a new name", "new.txt", 3, false},
        {"table, early", "table.txt", 3, true},
        {"table, at the last line", "table.csv", PointCount, true},
    };
    const QByteArray oldBytes = "an earlier save\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString file = path(c.file);
        QFile::remove(file);
        if (c.oldFile) {
            QFile old(file);
            ASSERT_TRUE(old.open(QIODevice::WriteOnly));
            old.write(oldBytes);
        }
        const QStringList before = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        ProgressCancel cancel([&](const TfrmScope& scope) {
            return scope.mode() == TfrmScope::Mode::Saving && scope.Progress1->value() == c.cancelAtLine;
        });
        answerRange(true);
        const bool table = QByteArray(c.what).startsWith("table");
        if (table)
            prompts.fileNames.push_back(file);
        EXPECT_FALSE(table ? SaveGridAsText(list, QString()) : SaveGraphAsText(chart, file, '\t'));
        EXPECT_EQ(cancel.presses, 1);
        QFile saved(file);
        if (c.oldFile) {
            ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
            EXPECT_EQ(saved.readAll(), oldBytes);
        } else {
            EXPECT_FALSE(saved.exists());
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), before) << "nothing partial is left";
        EXPECT_TRUE(prompts.warnings.isEmpty());
        EXPECT_TRUE(prompts.messages.isEmpty());
        EXPECT_EQ(openScopes(), 0);
    }
}

// A save that cannot be written warns (not merely informs) with the file's
// path and the system's reason, and leaves no file behind.
TEST_F(SaveAsText, FailedWriteWarnsWithThePathAndTheReason)
{
    const QString readOnly = unwritableFolder(dir);
    const QString denied = QString::fromLocal8Bit(std::strerror(EACCES));
    const QString missing = QString::fromLocal8Bit(std::strerror(ENOENT));
    struct Case { QString file; QString reason; };
    const Case cases[] = {
        {path("no-such-folder/run.txt"), missing},
        {readOnly + QStringLiteral("/run.txt"), denied},
        {readOnly + QStringLiteral("/run.csv"), denied},
        {readOnly + QStringLiteral("/run.ghf"), denied},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        prompts.warnings.clear();
        prompts.fileNames = {c.file};
        if (!c.file.endsWith(QLatin1String(".ghf")))
            answerRange(true);
        EXPECT_FALSE(SaveGraph(chart, QString(), lastFileType));
        ASSERT_EQ(prompts.warnings.size(), 1);
        EXPECT_TRUE(prompts.warnings[0].contains(QDir::toNativeSeparators(c.file))) << prompts.warnings[0].toStdString();
        EXPECT_TRUE(prompts.warnings[0].contains(c.reason)) << prompts.warnings[0].toStdString();
        EXPECT_TRUE(prompts.messages.isEmpty());
        EXPECT_FALSE(QFile::exists(c.file));
        EXPECT_EQ(openScopes(), 0);
    }
}

TEST_F(SaveAsText, SaveGraphChoosesTheWriterByExtension)
{
    struct Case { const char* name; QChar separator; };
    const Case cases[] = {{"run.txt", '\t'}, {"run.TXT", '\t'}, {"run.csv", ','}, {"run.CSV", ','}};
    for (const Case& c : cases) {
        prompts.fileNames.push_back(path(c.name));
        answerRange(true);
        EXPECT_TRUE(SaveGraph(chart, QString(), lastFileType)) << c.name;
        const QStringList written = lines(path(c.name));
        ASSERT_EQ(written.size(), PointCount) << c.name;
        EXPECT_EQ(written[0], pointLine(0, c.separator)) << c.name;
        EXPECT_FALSE(written[0].endsWith(c.separator)) << "no separator after the last field";
    }
    // Any other extension writes nothing and asks nothing more.
    prompts.dialogs.clear();
    prompts.fileNames.push_back(path("run.dat"));
    EXPECT_FALSE(SaveGraph(chart, QString(), lastFileType));
    EXPECT_FALSE(QFile::exists(path("run.dat")));
}

TEST_F(SaveAsText, GridLinesEndWithTheSeparatorChosenByName)
{
    TfrmList list;
    for (int k = 1; k <= 4; ++k)
        list.setRow(k, {QStringLiteral("d%1").arg(k), "t", "1.0", "2.0", "3.0", "OL"});
    struct Case { const char* name; QChar separator; };
    const Case cases[] = {{"t.CSV", ','}, {"t.csv", ','}, {"t.txt", '\t'}, {"t.dat", '\t'}, {"noext", '\t'}};
    for (const Case& c : cases) {
        prompts.fileNames.push_back(path(c.name));
        answerRange(false, "2", "3");
        EXPECT_TRUE(SaveGridAsText(list, QString())) << c.name;
        const QString sep = c.separator;
        EXPECT_EQ(lines(path(c.name)),
                  (QStringList{QStringList{"d2", "t", "1.0", "2.0", "3.0", "OL", ""}.join(sep),
                               QStringList{"d3", "t", "1.0", "2.0", "3.0", "OL", ""}.join(sep)}))
            << c.name;
    }
    const FileDialogRequest& request = prompts.fileRequests.first();
    EXPECT_EQ(request.defaultSuffix, QStringLiteral("TXT"));
    EXPECT_EQ(SaveGridFilter('.'), QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT                             "
                                                  "|EXCEL file format(*.CSV,seperated by comma) |*.CSV"));
    EXPECT_EQ(SaveGridFilter(','), QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT"));
    EXPECT_EQ(request.filter, SaveGridFilter(Regional::decimalPoint()));

    // Cancel in the file dialog asks nothing more.
    prompts.dialogs.clear();
    EXPECT_FALSE(SaveGridAsText(list, QString()));
    EXPECT_TRUE(prompts.messages.isEmpty());
}

TEST(SaveDialogType, ExtensionsOfTheFilters)
{
    struct Case { QString filter; QStringList extensions; };
    const Case cases[] = {
        {SaveGraphFilter('.'), {".GHF", ".TXT", ".CSV"}},
        {SaveGraphFilter(','), {".GHF", ".TXT"}},
        {SaveGridFilter('.'), {".TXT", ".CSV"}},
        {SaveGridFilter(','), {".TXT"}},
        {"Odd|*.x", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SaveDialogType::filterExtensions(c.filter), c.extensions) << c.filter.toStdString();

    // Names get lower-case extensions, which the open dialogs' filters find on Linux.
    const QString filter = SaveGraphFilter('.');
    EXPECT_EQ(SaveDialogType::nameForType("/home/u/run1.GHF", filter, 2), QStringLiteral("run1.txt"));
    EXPECT_EQ(SaveDialogType::nameForType("run1", filter, 3), QStringLiteral("run1.csv"));
    EXPECT_EQ(SaveDialogType::nameForType("a.b.ghf", filter, 2), QStringLiteral("a.b.txt"));
    EXPECT_EQ(SaveDialogType::nameForType("run1.GHF", filter, 4), QString());
}

TEST(SaveDialogType, ChoosingTxtAfterGhfRenamesTheTypedName)
{
    QTemporaryDir dir;
    QFileDialog dialog(nullptr, {}, dir.path(), Prompts::qtFilter(SaveGraphFilter('.')));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(QStringLiteral("run1.GHF"));
    SaveDialogType::SaveDialog1TypeChange(dialog, SaveGraphFilter('.'), 2);
    auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("run1.txt"));
    EXPECT_EQ(dialog.defaultSuffix(), QStringLiteral("txt"));
}

TEST(SaveDialogType, OpenFiltersFindFilesOfEitherCase)
{
    QTemporaryDir dir;
    for (const char* name : {"mem1.ch4", "MEM2.CH4", "run1.ghf", "RUN2.GHF", "t.txt", "T.TXT", "s.csv", "S.CSV"}) {
        QFile file(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    struct Case { QString filter; QStringList found; };
    const Case cases[] = {
        {CollectionFile::OpenFilter, {"MEM2.CH4", "mem1.ch4"}},
        {SaveGraphFilter('.'), {"RUN2.GHF", "S.CSV", "T.TXT", "run1.ghf", "s.csv", "t.txt"}},
    };
    const QRegularExpression pattern(QStringLiteral("\\*\\.[A-Za-z0-9]+"));
    for (const Case& c : cases) {
        // The patterns are in the last parentheses of each entry; the rest is its description.
        QStringList patterns;
        for (const QString& entry : Prompts::qtFilter(c.filter).split(QStringLiteral(";;")))
            for (const QRegularExpressionMatch& m : pattern.globalMatch(entry.mid(entry.lastIndexOf('('))))
                patterns << m.captured();
        // Matched as the dialog matches: case-sensitively on Linux.
        QDir folder(dir.path(), {}, QDir::Name, QDir::Files | QDir::CaseSensitive);
        EXPECT_EQ(folder.entryList(patterns, QDir::Files | QDir::CaseSensitive, QDir::Name), c.found)
            << c.filter.toStdString();
    }
}
