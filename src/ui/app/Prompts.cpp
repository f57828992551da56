#include "app/Prompts.h"

#include "app/SaveDialogType.h"

#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>

Prompts* Prompts::installed = nullptr;

namespace {

QWidget* dialogParent()
{
    return QApplication::activeWindow();
}

// The file name with the dialog's default suffix when the user typed none,
// in lower case: Linux file dialogs and shells tell "run1.GHF" from "run1.ghf".
QString withSuffix(const QString& name, const QString& suffix)
{
    if (name.isEmpty() || suffix.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    QString bare = suffix;
    bare.remove(QLatin1String("*."));
    return name + QLatin1Char('.') + bare.toLower();
}

} // namespace

void Prompts::information(const QString& text)
{
    QMessageBox::information(dialogParent(), QApplication::applicationName(), text);
}

void Prompts::warning(const QString& text)
{
    QMessageBox::warning(dialogParent(), QApplication::applicationName(), text);
}

QMessageBox::StandardButton Prompts::confirm(const QString& text, QMessageBox::StandardButtons buttons)
{
    return QMessageBox::question(dialogParent(), QApplication::applicationName(), text, buttons);
}

QString Prompts::qtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& p : parts[i + 1].trimmed().split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            patterns << p.toUpper() << p.toLower();
        }
        patterns.removeDuplicates();
        entries << QStringLiteral("%1 (%2)").arg(parts[i].trimmed(), patterns.join(QLatin1Char(' ')));
    }
    return entries.join(QStringLiteral(";;"));
}

QString Prompts::openFileName(FileDialogRequest& request)
{
    QFileDialog dialog(dialogParent(), request.title, request.directory, qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList filters = dialog.nameFilters();
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    request.filterIndex = filters.indexOf(dialog.selectedNameFilter()) + 1;
    return dialog.selectedFiles().constFirst();
}

QString Prompts::saveFileName(FileDialogRequest& request)
{
    QFileDialog dialog(dialogParent(), request.title, request.directory, qtFilter(request.filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    const QStringList filters = dialog.nameFilters();
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    // The program's own dialog: it lets SaveDialog1TypeChange read and change the typed name.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, &request, filters](const QString& selected) {
        SaveDialogType::SaveDialog1TypeChange(dialog, request.filter, int(filters.indexOf(selected)) + 1);
    });
    dialog.setDefaultSuffix(request.defaultSuffix.toLower());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    request.filterIndex = filters.indexOf(dialog.selectedNameFilter()) + 1;
    return withSuffix(dialog.selectedFiles().constFirst(), request.defaultSuffix);
}

std::optional<QColor> Prompts::chooseColor(const QColor& initial)
{
    const QColor c = QColorDialog::getColor(initial, dialogParent());
    if (!c.isValid())
        return std::nullopt;
    return c;
}

std::optional<QFont> Prompts::chooseFont(const QFont& initial)
{
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, initial, dialogParent());
    if (!ok)
        return std::nullopt;
    return f;
}

bool Prompts::printDialog(QPrinter& printer)
{
    QPrintDialog dialog(&printer, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

bool Prompts::pageSetupDialog(QPrinter& printer)
{
    QPageSetupDialog dialog(&printer, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

int Prompts::exec(QDialog& dialog)
{
    return dialog.exec();
}

Prompts& Prompts::current()
{
    static Prompts interactive;
    return installed ? *installed : interactive;
}

ScopedPrompts::ScopedPrompts(Prompts& prompts)
    : previous(Prompts::installed)
{
    Prompts::installed = &prompts;
}

ScopedPrompts::~ScopedPrompts()
{
    Prompts::installed = previous;
}
