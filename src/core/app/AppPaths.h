#pragma once
// Where the program keeps and finds its files.

#include <QString>

namespace AppPaths {

// The documents folder + "/TQ612/", created when missing; the documents
// folder itself when that cannot be created; empty when there is none.
QString makeDocumentFolder();
// The folder of the executable, with a trailing slash.
QString executableFolder();
// Where file dialogs start: DocumentFolder, or the executable's folder when it is empty.
QString dialogFolder(const QString& documentFolder);
// The user guide, beside the executable or in the installation's share/tq612/.
QString helpFile();
// The same for an executable in `folder` (with a trailing slash): beside it in
// a build, in folder + "../share/tq612/" once installed; the path beside it
// when neither exists.
QString helpFileFor(const QString& folder);
// The default template shipped with an executable in `folder`, beside it or in
// the installation's share/tq612/template/; empty when neither exists.
QString shippedTemplateFor(const QString& folder);
// The user's graph template (written by the program).
QString userTemplateFile();
// The template to read: the user's when it exists, else the shipped default; empty when neither exists.
QString templateFileToRead();

// Points the template lookup at one folder of the caller's for the lifetime of
// this object (tests): both the user's template and the one read are
// folder + "/graph.ghf" there, and nothing else is searched.
class ScopedTemplateFolder {
public:
    explicit ScopedTemplateFolder(const QString& folder);
    ~ScopedTemplateFolder();
    ScopedTemplateFolder(const ScopedTemplateFolder&) = delete;
    ScopedTemplateFolder& operator=(const ScopedTemplateFolder&) = delete;

private:
    QString previous;
};

} // namespace AppPaths
