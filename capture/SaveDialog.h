#pragma once
#include <QList>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace qn {

// The one save dialog of the overlay, for pictures and movies alike: titled "Save",
// our own rather than the desktop's, so that it stacks above the overlay and behaves
// the same everywhere; it opens in the user's folder for the kind of file (home when
// there is none) with a proposed name, and deletes itself when closed.
namespace saveDialog {

struct FileType {
    QString label;        // "PNG image"
    QStringList suffixes; // the first is the one a name without a type gets
};

// Modal to `parent` when there is one, free-standing otherwise. `fileName` is the
// proposed name with its type. Choosing another type changes the proposed name's
// type with it. Not shown yet: the caller connects to accepted() and opens it.
QFileDialog *make(QWidget *parent, QStandardPaths::StandardLocation folder, const QList<FileType> &types,
                  const QString &fileName);

// The file the user chose; a name typed without a type of its own gets the one of
// the chosen filter. Empty when nothing was chosen.
QString chosenPath(QFileDialog *dialog);

} // namespace saveDialog
} // namespace qn
