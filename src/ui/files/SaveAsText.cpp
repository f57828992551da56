#include "files/SaveAsText.h"

#include "app/AppPaths.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "chart/PESGraph.h"
#include "files/CheckedFileWriter.h"
#include "files/TextLines.h"
#include "files/UScope.h"
#include "logger/UList.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <functional>
#include <optional>

namespace {

// The range dialog: points or rows 1..`last` ("&All") or the user's choice;
// nothing when cancelled or when a bound is not a whole number.
std::optional<TextLines::Range> askRange(int last, QWidget* dialogParent)
{
    std::optional<TextLines::Range> range;
    {
        const auto dialog = TfrmScope::rangeDialog(last, dialogParent);
        if (Prompts::current().exec(*dialog) != 1)
            return std::nullopt;
        if (dialog->radAll->isChecked())
            range = TextLines::Range{1, last};
        else
            range = TextLines::chosenRange(dialog->edtSelFrom->text(), dialog->edtSelTo->text(), last);
    }
    if (!range)
        Prompts::current().information(QStringLiteral("invalid integer"));
    return range;
}

void reportFailure(const QString& fileName, const QString& reason)
{
    Prompts::current().warning(QStringLiteral("Could not save the file %1:\n%2")
                                       .arg(QDir::toNativeSeparators(fileName), reason));
}

// Writes line k (0-based) of `count` lines, CR LF after each, while the
// saving dialog shows the progress; `lineAt` gives nothing where the data end.
// Only a save that ran to its end takes the file's place: Cancel, or the
// window of `source` closing meanwhile, keeps the old file (or none) and
// counts as not saved; a fault keeps the old file too and is shown.
bool writeLines(const QString& fileName, int count, QWidget* dialogParent, const QObject* source,
                const std::function<std::optional<QString>(int)>& lineAt)
{
    const auto progress = TfrmScope::savingDialog(count, dialogParent);
    progress->show();
    const QPointer<const QObject> alive(source);

    CheckedFileWriter file(fileName);
    if (!file.open()) {
        progress->close();
        reportFailure(fileName, file.errorString());
        return false;
    }
    const auto stopped = [&] { return !alive || progress->cancelled(); };
    for (int k = 0; k < count && !stopped(); ++k) {
        const std::optional<QString> line = lineAt(k);
        if (!line)
            break;
        progress->setPosition(k + 1);
        const QByteArray bytes = line->toUtf8() + "\r\n";
        if (!file.write(bytes))
            break;  // the fault is reported below; the old file stays
        QApplication::processEvents();
    }
    // Cancel pressed while the last line was written counts too.
    const bool cancelled = stopped();
    progress->close();
    if (cancelled) {
        file.abandon();
        return false;
    }
    if (!file.commit()) {
        reportFailure(fileName, file.errorString());
        return false;
    }
    return true;
}

} // namespace

QString SaveGridFilter(QChar decimalPoint)
{
    if (decimalPoint == QLatin1Char(','))
        return QStringLiteral(" TXT file(*.txt,data seperated by tab) |*.TXT");
    return QStringLiteral("TXT file(*.txt,data seperated by tab)|*.TXT                             "
                          "|EXCEL file format(*.CSV,seperated by comma) |*.CSV");
}

bool SaveGraphAsText(PESGraph& chart, const QString& fileName, QChar separator)
{
    const int points = chart.Points();
    // The dialogs belong to the window that shows the graph.
    QWidget* dialogParent = chart.window();
    const auto range = askRange(points, dialogParent);
    if (!range)
        return false;
    // The graph's window may be closed while the lines are written: then
    // nothing is saved, as after Cancel.
    return writeLines(fileName, range->to - range->from + 1, dialogParent, &chart, [&](int k) -> std::optional<QString> {
        const int i = range->from - 1 + k;
        const TDateTime x = chart.XDataII(0, i);
        if (x == 0)
            return std::nullopt;  // the recorded points end here
        std::array<float, 4> y{};
        for (int s = 0; s < 4; ++s)
            y[size_t(s)] = chart.YData(s, i);
        return TextLines::graphLine(x, y, separator);
    });
}

bool SaveGridAsText(TfrmList& list, const QString& documentFolder)
{
    const int rows = list.dataRowCount();
    QWidget* dialogParent = list.window();
    FileDialogRequest request;
    request.directory = AppPaths::dialogFolder(documentFolder);
    request.filter = SaveGridFilter(Regional::decimalPoint());
    request.defaultSuffix = QStringLiteral("TXT");
    const QString fileName = Prompts::current().saveFileName(request);
    if (fileName.isEmpty())
        return false;

    const auto range = askRange(rows, dialogParent);
    if (!range)
        return false;
    const QChar separator = TextLines::tableSeparatorFor(fileName);
    return writeLines(fileName, range->to - range->from + 1, dialogParent, &list, [&](int k) -> std::optional<QString> {
        return TextLines::tableLine(list.rowFields(range->from + k), separator);
    });
}
