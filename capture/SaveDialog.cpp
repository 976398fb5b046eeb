#include "capture/SaveDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

namespace qn::saveDialog {

namespace {

QString filterOf(const FileType &type) {
    QStringList patterns;
    for (const QString &suffix : type.suffixes)
        patterns << QStringLiteral("*.") + suffix;
    return type.label + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

// The suffix the filter's first pattern names: "JPEG image (*.jpg *.jpeg)" gives "jpg".
QString suffixOfFilter(const QString &filter) {
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return {};
    const qsizetype from = star + 2;
    qsizetype to = from;
    while (to < filter.size() && filter.at(to) != QLatin1Char(' ') && filter.at(to) != QLatin1Char(')'))
        ++to;
    return filter.mid(from, to - from);
}

} // namespace

QFileDialog *make(QWidget *parent, QStandardPaths::StandardLocation folder, const QList<FileType> &types,
                  const QString &fileName) {
    QString start = QStandardPaths::writableLocation(folder);
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    auto *dialog = new QFileDialog(parent, QStringLiteral("Save"), start);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const FileType &type : types)
        filters << filterOf(type);
    dialog->setNameFilters(filters);
    if (!types.isEmpty() && !types.first().suffixes.isEmpty())
        dialog->setDefaultSuffix(types.first().suffixes.first());
    dialog->selectFile(fileName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowFlag(Qt::WindowStaysOnTopHint);
    if (parent)
        dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString &filter) {
        const QString suffix = suffixOfFilter(filter);
        if (suffix.isEmpty())
            return;
        dialog->setDefaultSuffix(suffix);
        // The proposed name follows the chosen type unless the user typed one of their own.
        const QStringList chosen = dialog->selectedFiles();
        if (!chosen.isEmpty())
            dialog->selectFile(QFileInfo(chosen.first()).completeBaseName() + QLatin1Char('.') + suffix);
    });
    return dialog;
}

QString chosenPath(QFileDialog *dialog) {
    QString path = dialog->selectedFiles().value(0);
    if (path.isEmpty())
        return path;
    if (QFileInfo(path).suffix().isEmpty()) {
        QString suffix = suffixOfFilter(dialog->selectedNameFilter());
        if (suffix.isEmpty())
            suffix = dialog->defaultSuffix();
        if (!suffix.isEmpty())
            path += QLatin1Char('.') + suffix;
    }
    return path;
}

} // namespace qn::saveDialog
