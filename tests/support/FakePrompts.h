#pragma once
// A Prompts that answers from queues instead of showing anything, and keeps
// a record of every question it was asked.

#include "app/Prompts.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>

class FakePrompts : public Prompts {
public:
    QStringList messages;                            // texts of information boxes and questions, in order
    QStringList warnings;                            // texts of warning boxes, in order
    std::deque<QMessageBox::StandardButton> answers; // answers to confirm(); empty: Cancel, else No
    std::deque<QString> fileNames;                   // answers to file dialogs; empty: cancelled
    std::deque<int> fileTypes;                       // type picked with an answered file dialog; empty: the one shown
    std::deque<std::function<int(QDialog&)>> dialogs;// answers to exec(); empty: Rejected
    std::deque<std::optional<QColor>> colors;
    std::deque<std::optional<QFont>> fonts;
    std::deque<bool> printAnswers;
    QList<FileDialogRequest> fileRequests;

    void information(const QString& text) override { messages << text; }
    void warning(const QString& text) override { warnings << text; }
    QMessageBox::StandardButton confirm(const QString& text, QMessageBox::StandardButtons buttons) override;
    QString openFileName(FileDialogRequest& request) override { return nextFile(request); }
    QString saveFileName(FileDialogRequest& request) override { return nextFile(request); }
    std::optional<QColor> chooseColor(const QColor&) override { return pop(colors, std::optional<QColor>{}); }
    std::optional<QFont> chooseFont(const QFont&) override { return pop(fonts, std::optional<QFont>{}); }
    bool printDialog(QPrinter&) override { return pop(printAnswers, false); }
    bool pageSetupDialog(QPrinter&) override { return pop(printAnswers, false); }
    int exec(QDialog& dialog) override;

private:
    QString nextFile(FileDialogRequest& request);
    template <typename T> static T pop(std::deque<T>& q, T fallback)
    {
        if (q.empty())
            return fallback;
        T v = q.front();
        q.pop_front();
        return v;
    }
};
